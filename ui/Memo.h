// The list boxes: a plain multi-line text box built on Scintilla, whose
// document takes in a million lines in a tenth of a second where Qt's own
// plain text box needs two seconds. Everything Scintilla does beyond a plain
// box (its own key bindings, margins, English context menu, tabs typed as
// text) is switched off or replaced here, so the box looks and behaves like
// the plain one. QsciScintilla's textChanged() does not follow every edit
// (see ReportEditsDone()): ask the box what it holds instead.
#pragma once

#include <Qsci/qsciscintilla.h>

#include "CutText.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::ui {

class LineWidths;

class TMemo : public QsciScintilla {
    Q_OBJECT

public:
    // A line set or pasted that is wider than this many spaces is shown cut
    // (see SetUtf8Text()). Scintilla 3 aborts when a click or a drag lands
    // 800,000 space widths or more past the end of the line under it, virtual
    // space or not (its selection positions hold at most that many), and
    // after End on a wider line every shorter line is that far away. The rest
    // is room for the difference between Qt's measure here and Scintilla's.
    static constexpr double kWidestShownLine = 700000;

    explicit TMemo(QWidget* parent = nullptr);
    ~TMemo() override;

    // The window's layout sets the example text through this, as it would a
    // plain box's: line breaks of any kind (CR LF, CR, LF, U+2029) become one
    // break each, the caret goes to the start and undo starts afresh.
    void setPlainText(const QString& text);
    void clear() override;

    // The text as the box holds it, UTF-8 with "\n" between lines, cut
    // lines whole: no copy.
    std::string_view Utf8Text() const;
    // The program sets the text (LF line breaks): the caret goes to the
    // start and undo starts afresh. Scintilla 3 walks a whole line on every
    // layout and paint, so a line of millions of characters would freeze the
    // box: such a line is shown up to kShownCharacters, with a marker where
    // it is cut and a note under it, while the box keeps it whole for the
    // conversion, copying and saving. Such a text can only be replaced
    // whole; undoing that brings it back.
    void SetUtf8Text(std::string_view text);
    // How many bytes of a line (UTF-8, no line break) the box shows; npos
    // when it shows the line whole.
    std::size_t ShownBytes(std::string_view line) const;
    // Whether the box shows lines cut, and so takes no edit but one that
    // replaces the whole text.
    bool ShowsCutLines() const;

    void copy() override;
    void cut() override;
    void paste() override;
    void undo() override;
    void redo() override;
    void removeSelectedText() override;
    // Undo and redo as the box takes them: a paste or drop that cut a line
    // is undone too.
    bool CanUndo() const;
    bool CanRedo() const;

    // Lines as a list counts them: an empty last line is not a line.
    int ListLineCount() const;
    // Whether anything but blanks and control characters is in the box: a
    // count kept up as the text changes, each change counted once, so asking
    // costs nothing however much the box holds.
    bool HasVisibleText() const {
        CountInserted();
        return ShowsCutLines() ? wholeHasVisibleText_ : visibleBytes_ > 0;
    }

protected:
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Margins, scrolling, font and colours as a plain box has them; gives the font.
    QFont LookLikeAPlainBox();
    void SetUpStyles(const QFont& font);
    void TextModified(int position, int type, const char* text, int length);
    void CountInserted() const;
    // Whether the edit about to be made is also reported once made.
    void ReportEditsDone(bool styleAtOnce);
    void StyleText(long start, long end);
    void StyleLongLines(long start, long end);
    void EndUndoStep();
    void EndTypingOverSelection();
    bool HasSelection() const;
    bool WholeSelected() const;
    // A key as a plain box takes it (see keyPressEvent()).
    void KeyPress(QKeyEvent* event, Qt::KeyboardModifiers modifiers, int key);
    // While lines are shown cut, an edit must replace the whole text: true
    // if it will (the box takes it), false with a beep if not.
    bool ReadyToReplaceWhole();
    // Read-only and the notes under cut lines, as the undo history stands.
    void FollowCutState();
    // Sets the text as SetUtf8Text() does, keeping what a paste that cut a
    // line can undo or redo.
    void SetText(std::string_view text);
    void ReplaceCuttingLines(const QByteArray& utf8, long from, long to);
    bool HasLineToCut(const QString& pasted, QByteArray& utf8) const;
    bool HistoryAllows(int message) const;
    // Text dropped or pasted by the mouse at a point: true if it had a line
    // to cut, and so was put in by ReplaceCuttingLines().
    bool PastedCuttingLines(const QString& text, QPointF at);
    long WholePosition(long position) const;
    long BoxPosition(long wholePosition) const;

    // The text as set, with the lines it shows cut. Each cut line's head and
    // marker are in the box only while the text is as set (see ShowsCutLines()).
    CutText cut_;
    std::unique_ptr<LineWidths> widths_;
    bool wholeHasVisibleText_ = false;
    bool notesShown_ = false;
    // Around a paste or drop that cut a line, which sets the text anew: the
    // text it replaced, while undo can bring it back, and the text it put in,
    // once undone, while redo can.
    struct CuttingPaste {
        std::string text;
        long caret;  // in the whole text
    };
    std::optional<CuttingPaste> beforeCuttingPaste_, afterCuttingPaste_;

    // Typing over a selection is one undo step with the selection it
    // replaced, as in a plain box: held open until the typing stops.
    bool typingOverSelection_ = false;
    mutable long long visibleBytes_ = 0;
    mutable struct {
        long position = 0, length = 0;
    } inserted_;  // announced, not yet counted
};

}  // namespace orvane::ui
