// The list boxes: a plain multi-line text box built on Scintilla, whose
// document takes in a million lines in a tenth of a second where Qt's own
// plain text box needs two seconds. Everything Scintilla does beyond a plain
// box (its own key bindings, margins, English context menu, tabs typed as
// text) is switched off or replaced here, so the box looks and behaves like
// the plain one. QsciScintilla's textChanged() does not follow every edit
// (see ReportEditsDone()): ask the box what it holds instead.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <string_view>

namespace orvane::ui {

class TMemo : public QsciScintilla {
    Q_OBJECT

public:
    explicit TMemo(QWidget* parent = nullptr);

    // The window's layout sets the example text through this, as it would a
    // plain box's: line breaks of any kind (CR LF, CR, LF, U+2029) become one
    // break each, the caret goes to the start and undo starts afresh.
    void setPlainText(const QString& text);
    void clear() override;

    // The text as the box holds it, UTF-8 with "\n" between lines: no copy.
    std::string_view Utf8Text() const;
    // The program sets the text (LF line breaks): the caret goes to the
    // start and undo starts afresh.
    void SetUtf8Text(std::string_view text);

    // Lines as a list counts them: an empty last line is not a line.
    int ListLineCount() const;
    // Whether anything but blanks and control characters is in the box: a
    // count kept up as the text changes, each change counted once, so asking
    // costs nothing however much the box holds.
    bool HasVisibleText() const {
        CountInserted();
        return visibleBytes_ > 0;
    }

protected:
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void TextModified(int position, int type, const char* text, int length);
    void CountInserted() const;
    // Whether the edit about to be made is also reported once made.
    void ReportEditsDone(bool styleAtOnce);
    void StyleText(long start, long end);
    void EndUndoStep();
    void EndTypingOverSelection();
    bool HasSelection() const;

    // Typing over a selection is one undo step with the selection it
    // replaced, as in a plain box: held open until the typing stops.
    bool typingOverSelection_ = false;
    mutable long long visibleBytes_ = 0;
    mutable struct {
        long position = 0, length = 0;
    } inserted_;  // announced, not yet counted
};

}  // namespace orvane::ui
