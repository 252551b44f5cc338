#include "Memo.h"

#include <Qsci/qscicommandset.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QWheelEvent>

#include <algorithm>
#include <string>

#include "Application.h"
#include "AssistiveTools.h"
#include "Keys.h"
#include "LineWidths.h"
#include "ListText.h"
#include "PlainKeys.h"
#include "TextRules.h"

namespace orvane::ui {
namespace {

// Room for every distinct run of a long list line: a run measured once is
// not measured again on the next key. 2^18 entries cost a few MiB a box;
// eight times as many would hold the runs of a 9 Mi-character line of
// distinct addresses too, for 57 MiB more with nothing loaded.
constexpr int kPositionCacheEntries = 1 << 18;

long long CountVisible(const char* text, long long length) {
    long long count = 0;
    for (long long i = 0; i < length; ++i) count += !IsBlankByte(text[i]);
    return count;
}

// Styles that all look like style 0; see TMemo::StyleText().
constexpr int kLookAlikeStyles = 4;
// The marker where a line is cut, and the note under such a line.
constexpr int kNoteStyle = kLookAlikeStyles;

constexpr int kStyledAtOnce = 1 << 16;

// QScintilla's accessibility hooks count the characters from the start of
// the text for every edit it reports and, once Qt has asked for the box's
// interface (it does as soon as the box is shown), after every key and caret
// move: a tenth of a second each at the end of a million-line list, whether
// or not an assistive tool listens. So until one listens, edits are reported
// to this box only before they happen, and the box answers Qt with a plain
// widget interface; once a tool listens, QScintilla's own interface reads
// the text to it.
constexpr int kEditsAhead = QsciScintillaBase::SC_MOD_BEFOREINSERT | QsciScintillaBase::SC_MOD_BEFOREDELETE;
constexpr int kEditsDone = QsciScintillaBase::SC_MOD_INSERTTEXT | QsciScintillaBase::SC_MOD_DELETETEXT;

}  // namespace

TMemo::TMemo(QWidget* parent) : QsciScintilla(parent) {
    setUtf8(true);
    setEolMode(EolUnix);
    setWrapMode(WrapNone);
    const QFont font = LookLikeAPlainBox();
    BindPlainKeys(*standardCommands());
    // A double click selects a whole network, address or range, as in a plain box.
    std::string word = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ./-:";
    for (int c = 0x80; c <= 0xFF; ++c) word += static_cast<char>(c);  // the bytes of letters beyond ASCII
    SendScintilla(SCI_SETWORDCHARS, 0UL, word.c_str());
    [[maybe_unused]] static const bool followed = (AssistiveTools::Follow(), true);
    ReportEditsDone(false);
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char* text, int length, int, int, int, int, int, int) {
                TextModified(position, type, text, length);
            });
    SetUpStyles(font);
    connect(this, &QsciScintillaBase::SCN_STYLENEEDED, this,
            [this](int position) { StyleText(SendScintilla(SCI_GETENDSTYLED), position); });
    // QsciScintilla walks the caret's line column by column on every caret
    // move, for a signal and brace matching this box does not use. (Its slot
    // is private: only the connection by name reaches it.)
    disconnect(this, SIGNAL(SCN_UPDATEUI(int)), this, SLOT(handleUpdateUI(int)));
}

QFont TMemo::LookLikeAPlainBox() {
    // Scintilla 3 has five margins (SC_MAX_MARGIN + 1): none shows in a plain box.
    for (int margin = 0; margin < 5; ++margin) setMarginWidth(margin, 0);
    SendScintilla(SCI_SETMARGINLEFT, 0, 3);
    SendScintilla(SCI_SETMARGINRIGHT, 0, 3);
    // The horizontal scroll range follows the longest line, as in a plain box.
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    const QPalette colours = QApplication::palette();
    // Scintilla sizes fonts in points; the program's font is set in pixels.
    QFont font = ProgramFont();
    font.setPointSizeF(font.pixelSize() * 72.0 / logicalDpiY());
    setFont(font);
    setPaper(colours.color(QPalette::Base));
    setColor(colours.color(QPalette::Text));
    setCaretForegroundColor(colours.color(QPalette::Text));
    // The selection looks as the desktop draws it, and stays visible when the box has no focus.
    setSelectionBackgroundColor(colours.color(QPalette::Active, QPalette::Highlight));
    setSelectionForegroundColor(colours.color(QPalette::Active, QPalette::HighlightedText));
    // A tab stop of 80 pixels, as a plain box has.
    setTabWidth(std::max(1, 80 / std::max(1, QFontMetrics(font).horizontalAdvance(u' '))));
    widths_ = std::make_unique<LineWidths>(font, tabWidth(), kWidestShownLine);
    return font;
}

void TMemo::SetUpStyles(const QFont& font) {
    // A very long line: Scintilla lays out a whole line again after every
    // edit, measuring it through Qt segment by segment, and caches only short
    // segments. Text styled in short runs is measured from that cache, so a
    // key typed into a line of millions of characters takes milliseconds, not
    // seconds. The styles all look alike, so nothing shows of it.
    const QByteArray family = font.family().toUtf8();
    for (int style = 1; style < kLookAlikeStyles; ++style) {
        SendScintilla(SCI_STYLESETFONT, style, family.constData());
        SendScintilla(SCI_STYLESETSIZEFRACTIONAL, style, SendScintilla(SCI_STYLEGETSIZEFRACTIONAL, 0));
        SendScintilla(SCI_STYLESETWEIGHT, style, SendScintilla(SCI_STYLEGETWEIGHT, 0));
        SendScintilla(SCI_STYLESETITALIC, style, SendScintilla(SCI_STYLEGETITALIC, 0));
        SendScintilla(SCI_STYLESETFORE, style, SendScintilla(SCI_STYLEGETFORE, 0));
        SendScintilla(SCI_STYLESETBACK, style, SendScintilla(SCI_STYLEGETBACK, 0));
        SendScintilla(SCI_STYLESETCHARACTERSET, style, SendScintilla(SCI_STYLEGETCHARACTERSET, 0));
    }
    SendScintilla(SCI_SETPOSITIONCACHE, kPositionCacheEntries);
    const QPalette colours = QApplication::palette();
    SendScintilla(SCI_STYLESETFONT, kNoteStyle, family.constData());
    SendScintilla(SCI_STYLESETSIZEFRACTIONAL, kNoteStyle, SendScintilla(SCI_STYLEGETSIZEFRACTIONAL, 0));
    // On the box's own paper: the note scrolls sideways with the text, and
    // past it a block of another colour would stand empty.
    SendScintilla(SCI_STYLESETFORE, kNoteStyle, colours.color(QPalette::PlaceholderText));
    SendScintilla(SCI_STYLESETBACK, kNoteStyle, colours.color(QPalette::Base));
    SendScintilla(SCI_STYLESETITALIC, kNoteStyle, true);
    SendScintilla(SCI_ANNOTATIONSETVISIBLE, ANNOTATION_STANDARD);
}

void TMemo::StyleText(long start, long end) {
    if (end <= start) return;
    // Runs of at most 16 bytes, a new one at every blank or not, after a dot
    // and before a slash, neighbours in different styles. Past about 3 Mi
    // characters into a line Scintilla keeps x positions as floats, and joins
    // every few characters show as gaps: there runs end only at blanks, and
    // runs of blanks, which draw nothing and so show no joins, stay 16 bytes
    // long, which Scintilla measures once and then finds in its cache (a run
    // of millions would be measured through Qt a character at a time).
    constexpr long kFineColumns = 3L << 20;
    constexpr int kLongestRun = 16;
    const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, SendScintilla(SCI_LINEFROMPOSITION, start));
    const auto* text = reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER, start, end - start));
    if (text == nullptr) return;
    std::string styles(static_cast<std::size_t>(end - start), '\0');
    long column = start - lineStart;
    int run = 0, flip = 0;
    bool blank = false;
    char previous = 0;
    for (long i = 0; i < end - start; ++i, ++column) {
        const char c = text[i];
        if (c == '\n') column = -1;
        const bool isBlank = c == ' ' || c == '\t';
        const bool fine = column < kFineColumns;
        if (isBlank != blank || ((fine || isBlank) && run == kLongestRun) || (fine && (previous == '.' || c == '/'))) {
            flip ^= 1;
            run = 0;
        }
        blank = isBlank;
        previous = c;
        ++run;
        styles[static_cast<std::size_t>(i)] = static_cast<char>((isBlank ? 2 : 0) | flip);
    }
    if (ShowsCutLines()) {
        for (const CutText::Line& line : cut_.Lines()) {
            for (long i = std::max(line.marker, start); i < std::min(line.marker + CutText::kMarkerBytes, end); ++i)
                styles[static_cast<std::size_t>(i - start)] = kNoteStyle;
        }
    }
    SendScintilla(SCI_STARTSTYLING, start);
    SendScintilla(SCI_SETSTYLINGEX, end - start, styles.data());
}

void TMemo::TextModified(int position, int type, const char* text, int length) {
    CountInserted();
    if ((type & SC_MOD_BEFOREINSERT) != 0) {
        // Counted once in: this event carries no text.
        inserted_ = {position, length};
        // A key or a short paste into a long line is styled as soon as it is
        // in, before the line is laid out again: left to Scintilla, the line
        // would be laid out unstyled first, measured through Qt a character
        // at a time (see StyleText()). So are the long lines of a long text
        // set, pasted or brought back by undo; a short line costs nothing to
        // lay out again, and the rest of such a text is styled only where it
        // is shown.
        const long line = SendScintilla(SCI_LINEFROMPOSITION, position);
        ReportEditsDone(length > kStyledAtOnce || SendScintilla(SCI_LINELENGTH, line) > kStyledAtOnce);
    }
    if ((type & SC_MOD_BEFOREDELETE) != 0 && length > 0) {
        const auto* doomed = reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER, position, length));
        if (doomed != nullptr) visibleBytes_ -= CountVisible(doomed, length);
        ReportEditsDone(false);
    }
    if ((type & SC_MOD_INSERTTEXT) != 0 && text != nullptr) {
        if (length <= kStyledAtOnce) {
            StyleText(position, position + length);
        } else {
            StyleLongLines(position, position + length);
        }
    }
}

void TMemo::StyleLongLines(long start, long end) {
    for (long line = SendScintilla(SCI_LINEFROMPOSITION, start), last = SendScintilla(SCI_LINEFROMPOSITION, end);
         line <= last; ++line) {
        if (SendScintilla(SCI_LINELENGTH, line) > kStyledAtOnce)
            StyleText(SendScintilla(SCI_POSITIONFROMLINE, line), SendScintilla(SCI_GETLINEENDPOSITION, line));
    }
}

void TMemo::CountInserted() const {
    // Every edit is announced before it is made, so the text announced last
    // is where it was put until the next announcement.
    if (inserted_.length <= 0) return;
    auto* self = const_cast<TMemo*>(this);  // reading through Scintilla's calls changes nothing
    const auto* text =
        reinterpret_cast<const char*>(self->SendScintilla(SCI_GETRANGEPOINTER, inserted_.position, inserted_.length));
    if (text != nullptr) visibleBytes_ += CountVisible(text, inserted_.length);
    inserted_ = {};
}

void TMemo::ReportEditsDone(bool styleAtOnce) {
    SendScintilla(SCI_SETMODEVENTMASK, kEditsAhead | (styleAtOnce || AssistiveTools::Listening() ? kEditsDone : 0));
}

void TMemo::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    int key = event->key();
    if ((modifiers & Qt::ControlModifier) && key >= 0x80 && key < Qt::Key_Escape) {
        if (const int latin = LatinKeyAt(event->nativeScanCode())) key = latin;
    }
    const QsciCommand* bound = standardCommands()->boundTo(key | static_cast<int>(modifiers));
    const QsciCommand::Command command = bound != nullptr ? bound->command() : QsciCommand::Command{};
    // These keep cut lines whole on the clipboard and cut a long line pasted.
    if (bound != nullptr && (command == QsciCommand::SelectionCopy || command == QsciCommand::SelectionCut ||
                             command == QsciCommand::Paste || command == QsciCommand::Undo ||
                             command == QsciCommand::Redo)) {
        event->accept();
        if (command == QsciCommand::SelectionCopy) copy();
        if (command == QsciCommand::SelectionCut) cut();
        if (command == QsciCommand::Paste) paste();
        if (command == QsciCommand::Undo) undo();
        if (command == QsciCommand::Redo) redo();
        return;
    }
    if (ShowsCutLines()) {
        const bool typing = !(modifiers & Qt::ControlModifier) && !event->text().isEmpty() && event->text().front().isPrint();
        const bool edits = typing || (bound != nullptr && (command == QsciCommand::DeleteBack ||
                                                           command == QsciCommand::Delete ||
                                                           command == QsciCommand::DeleteWordLeft ||
                                                           command == QsciCommand::DeleteWordRight ||
                                                           command == QsciCommand::Newline));
        if (edits && !ReadyToReplaceWhole()) {
            event->accept();
            return;
        }
    }
    KeyPress(event, modifiers, key);
    FollowCutState();
}

void TMemo::KeyPress(QKeyEvent* event, Qt::KeyboardModifiers modifiers, int key) {
    if (!(modifiers & Qt::ControlModifier)) {
        // Undo takes back a line break on its own, and the typing on either
        // side of it separately, as in a plain box: Scintilla would make one
        // step of everything typed since the caret last moved.
        const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        const bool typing = !lineBreak && !event->text().isEmpty() && event->text().front().isPrint();
        if (!typing) {
            EndTypingOverSelection();
        } else if (HasSelection()) {
            // Scintilla would make the selection's removal with the first
            // character one step, and the rest of the typing another.
            EndTypingOverSelection();
            SendScintilla(SCI_BEGINUNDOACTION);
            typingOverSelection_ = true;
        }
        if (lineBreak) EndUndoStep();
        QsciScintilla::keyPressEvent(event);
        if (lineBreak) EndUndoStep();
        return;
    }
    EndTypingOverSelection();
    // With Ctrl a plain box does what its shortcuts say and types nothing:
    // Ctrl+1 or Ctrl+Enter must not change a list behind the user's back.
    const int combination = key | static_cast<int>(modifiers);
    if (standardCommands()->boundTo(combination) == nullptr) {
        event->accept();
        return;
    }
    QKeyEvent latin(event->type(), key, event->modifiers(), event->nativeScanCode(), event->nativeVirtualKey(),
                    event->nativeModifiers(), QString(), event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QsciScintilla::keyPressEvent(&latin);
    event->setAccepted(latin.isAccepted());
}

bool TMemo::HasSelection() const {
    // QsciScintilla's hasSelectedText() follows SCN_UPDATEUI, which this box
    // does not let it handle (see the constructor).
    return const_cast<TMemo*>(this)->SendScintilla(SCI_GETSELECTIONEMPTY) == 0;
}

void TMemo::EndTypingOverSelection() {
    if (!typingOverSelection_) return;
    typingOverSelection_ = false;
    SendScintilla(SCI_ENDUNDOACTION);
}

void TMemo::mousePressEvent(QMouseEvent* event) {
    EndTypingOverSelection();
    // The middle button pastes the desktop's selection where it is pressed.
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection() &&
        PastedCuttingLines(QApplication::clipboard()->text(QClipboard::Selection), event->position())) {
        event->accept();
        return;
    }
    QsciScintilla::mousePressEvent(event);
    FollowCutState();
}

void TMemo::dropEvent(QDropEvent* event) {
    if (event->source() != this && event->mimeData() != nullptr && event->mimeData()->hasText() &&
        PastedCuttingLines(event->mimeData()->text(), event->position())) {
        event->acceptProposedAction();
        return;
    }
    QsciScintilla::dropEvent(event);
    FollowCutState();
}

// Whether a text to paste has a line to cut; `utf8` is the text in UTF-8 if so.
bool TMemo::HasLineToCut(const QString& pasted, QByteArray& utf8) const {
    // Even in UTF-8 so short a paste holds no line to cut: no conversion.
    if (!widths_->MayPass(static_cast<std::size_t>(pasted.size()) * 3)) return false;
    utf8 = pasted.toUtf8();
    const std::string_view text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (ShownBytes(text.substr(start, end - start)) != std::string_view::npos) return true;
        start = end + 1;
    }
    return false;
}

std::size_t TMemo::ShownBytes(std::string_view line) const { return widths_->CutAt(line); }

bool TMemo::PastedCuttingLines(const QString& text, QPointF at) {
    QByteArray utf8;
    if (ShowsCutLines() || !HasLineToCut(text, utf8)) return false;  // a cut list takes no such edit
    const long position = SendScintilla(SCI_POSITIONFROMPOINT, static_cast<long>(at.x()), static_cast<long>(at.y()));
    ReplaceCuttingLines(utf8, position, position);
    return true;
}

bool TMemo::ShowsCutLines() const {
    // Only the text as set is cut: it lies at the start of the undo history,
    // and every step away from it replaced it whole.
    return cut_.HasCutLines() && const_cast<TMemo*>(this)->SendScintilla(SCI_CANUNDO) == 0;
}

bool TMemo::WholeSelected() const {
    auto* self = const_cast<TMemo*>(this);
    return self->SendScintilla(SCI_GETSELECTIONSTART) == 0 &&
           self->SendScintilla(SCI_GETSELECTIONEND) == self->SendScintilla(SCI_GETLENGTH);
}

bool TMemo::ReadyToReplaceWhole() {
    if (!ShowsCutLines()) return true;
    if (!WholeSelected()) {
        QApplication::beep();
        return false;
    }
    SendScintilla(SCI_SETREADONLY, false);
    return true;
}

void TMemo::FollowCutState() {
    const bool cut = ShowsCutLines();
    SendScintilla(SCI_SETREADONLY, cut);
    if (cut == notesShown_) return;
    notesShown_ = cut;
    SendScintilla(SCI_ANNOTATIONCLEARALL);
    if (!cut) return;
    for (const CutText::Line& line : cut_.Lines()) {
        const QByteArray note =
            QStringLiteral("Строка слишком длинная: показаны\nпервые %1 знаков до «…», но она\nхранится, копируется и\n"
                           "преобразуется целиком. Править\nтакой список можно, только\nзаменив его весь.")
                .arg(QLocale(QLocale::Russian).toString(static_cast<qlonglong>(line.shownCharacters)))
                .toUtf8();
        const long number = SendScintilla(SCI_LINEFROMPOSITION, line.marker);
        SendScintilla(SCI_ANNOTATIONSETTEXT, number, note.constData());
        SendScintilla(SCI_ANNOTATIONSETSTYLE, number, kNoteStyle);
    }
}

long TMemo::WholePosition(long position) const {
    return ShowsCutLines() ? cut_.WholePosition(position) : position;
}

long TMemo::BoxPosition(long wholePosition) const {
    return ShowsCutLines() ? cut_.ShownPosition(wholePosition) : wholePosition;
}

void TMemo::ReplaceCuttingLines(const QByteArray& utf8, long from, long to) {
    // A long line pasted is cut as one set is: the whole text is set anew.
    // Undo brings back what it replaced, as after any other paste.
    const std::string pasted = PastedTextToBoxText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    const std::string_view current = Utf8Text();
    const auto start = static_cast<std::size_t>(WholePosition(from));
    const auto stop = static_cast<std::size_t>(WholePosition(to));
    std::string text;
    text.reserve(current.size() - (stop - start) + pasted.size());
    text.append(current.substr(0, start)).append(pasted).append(current.substr(stop));
    beforeCuttingPaste_ = CuttingPaste{std::string(current), static_cast<long>(start)};
    afterCuttingPaste_.reset();
    SetText(text);
    SendScintilla(SCI_GOTOPOS, BoxPosition(static_cast<long>(start + pasted.size())));
}

bool TMemo::HistoryAllows(int message) const {
    // Scintilla answers no to SCI_CANUNDO and SCI_CANREDO while the box is
    // read-only, as it is while it shows cut lines.
    auto* self = const_cast<TMemo*>(this);
    const bool readOnly = self->SendScintilla(SCI_GETREADONLY) != 0;
    if (readOnly) self->SendScintilla(SCI_SETREADONLY, false);
    const bool allows = self->SendScintilla(static_cast<unsigned>(message)) != 0;
    if (readOnly) self->SendScintilla(SCI_SETREADONLY, true);
    return allows;
}

bool TMemo::CanUndo() const { return HistoryAllows(SCI_CANUNDO) || beforeCuttingPaste_.has_value(); }

bool TMemo::CanRedo() const {
    // Any edit since the paste was undone is history of its own, which the paste cannot follow.
    return HistoryAllows(SCI_CANREDO) || (afterCuttingPaste_ && !HistoryAllows(SCI_CANUNDO));
}

void TMemo::copy() {
    if (!ShowsCutLines()) return QsciScintilla::copy();
    const long from = WholePosition(SendScintilla(SCI_GETSELECTIONSTART));
    const long to = WholePosition(SendScintilla(SCI_GETSELECTIONEND));
    if (to > from)
        QApplication::clipboard()->setText(QString::fromUtf8(cut_.Whole().data() + from, static_cast<qsizetype>(to - from)));
}

void TMemo::cut() {
    EndTypingOverSelection();
    if (!ShowsCutLines()) return QsciScintilla::cut();
    if (!ReadyToReplaceWhole()) return;
    copy();
    QsciScintilla::removeSelectedText();
    FollowCutState();
}

void TMemo::paste() {
    EndTypingOverSelection();
    if (!ReadyToReplaceWhole()) return;
    QByteArray utf8;
    if (HasLineToCut(QApplication::clipboard()->text(), utf8)) {
        ReplaceCuttingLines(utf8, SendScintilla(SCI_GETSELECTIONSTART), SendScintilla(SCI_GETSELECTIONEND));
        return;
    }
    QsciScintilla::paste();
    FollowCutState();
}

void TMemo::removeSelectedText() {
    EndTypingOverSelection();
    if (!ReadyToReplaceWhole()) return;
    QsciScintilla::removeSelectedText();
    FollowCutState();
}

void TMemo::undo() {
    EndTypingOverSelection();
    if (!HistoryAllows(SCI_CANUNDO) && beforeCuttingPaste_) {
        // Back past the paste that set the text anew.
        CuttingPaste before = std::move(*beforeCuttingPaste_);
        beforeCuttingPaste_.reset();
        afterCuttingPaste_ = CuttingPaste{std::string(Utf8Text()), WholePosition(SendScintilla(SCI_GETCURRENTPOS))};
        SetText(before.text);
        SendScintilla(SCI_GOTOPOS, BoxPosition(before.caret));
        return;
    }
    QsciScintilla::undo();
    FollowCutState();
}

void TMemo::redo() {
    EndTypingOverSelection();
    if (!HistoryAllows(SCI_CANREDO)) {
        if (!afterCuttingPaste_ || HistoryAllows(SCI_CANUNDO)) return;
        CuttingPaste after = std::move(*afterCuttingPaste_);
        afterCuttingPaste_.reset();
        beforeCuttingPaste_ = CuttingPaste{std::string(Utf8Text()), WholePosition(SendScintilla(SCI_GETCURRENTPOS))};
        SetText(after.text);
        SendScintilla(SCI_GOTOPOS, BoxPosition(after.caret));
        return;
    }
    // Redone from the text as set, the step replaces it whole.
    SendScintilla(SCI_SETREADONLY, false);
    QsciScintilla::redo();
    FollowCutState();
}

void TMemo::focusOutEvent(QFocusEvent* event) {
    EndTypingOverSelection();
    QsciScintilla::focusOutEvent(event);
}

void TMemo::EndUndoStep() {
    // An empty action still closes the step before it.
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_ENDUNDOACTION);
}

void TMemo::wheelEvent(QWheelEvent* event) {
    // Ctrl with the wheel scrolls as the wheel alone does: a plain box does not zoom.
    if (!(event->modifiers() & Qt::ControlModifier)) return QsciScintilla::wheelEvent(event);
    QWheelEvent plain(event->position(), event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                      event->buttons(), event->modifiers() & ~Qt::ControlModifier, event->phase(), event->inverted(),
                      event->source());
    QsciScintilla::wheelEvent(&plain);
    event->setAccepted(plain.isAccepted());
}

void TMemo::setPlainText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    SetUtf8Text(PastedTextToBoxText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
}

TMemo::~TMemo() = default;

void TMemo::SetUtf8Text(std::string_view text) {
    beforeCuttingPaste_.reset();
    afterCuttingPaste_.reset();
    SetText(text);
}

void TMemo::SetText(std::string_view text) {
    EndTypingOverSelection();
    // A list never holds a NUL (its files end at the first).
    text = text.substr(0, text.find('\0'));
    // What the box shows: Scintilla takes a NUL-terminated text.
    const std::string shown = cut_.Set(text, [this](std::string_view line) { return ShownBytes(line); });
    if (cut_.HasCutLines())
        wholeHasVisibleText_ = CountVisible(cut_.Whole().data(), static_cast<long long>(cut_.Whole().size())) > 0;
    SendScintilla(SCI_SETREADONLY, false);
    SendScintilla(SCI_ANNOTATIONCLEARALL);
    notesShown_ = false;
    // Undo starts afresh: the text need not be copied into its history.
    SendScintilla(SCI_SETUNDOCOLLECTION, false);
    SendScintilla(SCI_SETTEXT, shown.c_str());
    SendScintilla(SCI_SETUNDOCOLLECTION, true);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_GOTOPOS, 0);
    FollowCutState();
}

void TMemo::clear() {
    SetUtf8Text({});
}

std::string_view TMemo::Utf8Text() const {
    if (ShowsCutLines()) return cut_.Whole();
    auto* self = const_cast<TMemo*>(this);  // Scintilla's calls are not const; this one changes nothing
    const auto* data = reinterpret_cast<const char*>(self->SendScintilla(SCI_GETCHARACTERPOINTER));
    return {data, static_cast<std::size_t>(self->SendScintilla(SCI_GETLENGTH))};
}

int TMemo::ListLineCount() const {
    const int count = lines();
    return lineLength(count - 1) > 0 ? count : count - 1;
}

bool TMemo::focusNextPrevChild(bool next) {
    // Tab moves on to the next control; Scintilla would type it.
    return QWidget::focusNextPrevChild(next);
}

void TMemo::contextMenuEvent(QContextMenuEvent* event) {
    EndTypingOverSelection();
    // The plain box's own menu, in Russian: Scintilla's is English.
    QMenu menu(this);
    auto add = [&](const QString& text, const QKeySequence& keys, bool enabled, auto&& action) {
        QAction* item = menu.addAction(text);
        item->setShortcut(keys);
        item->setEnabled(enabled);
        connect(item, &QAction::triggered, this, action);
    };
    const bool selected = HasSelection();
    const bool editable = !ShowsCutLines() || WholeSelected();
    add(QStringLiteral("&Отменить"), QKeySequence::Undo, CanUndo(), [this] { undo(); });
    add(QStringLiteral("&Повторить"), QKeySequence::Redo, CanRedo(), [this] { redo(); });
    menu.addSeparator();
    add(QStringLiteral("&Вырезать"), QKeySequence::Cut, selected && editable, [this] { cut(); });
    add(QStringLiteral("&Копировать"), QKeySequence::Copy, selected, [this] { copy(); });
    add(QStringLiteral("В&ставить"), QKeySequence::Paste, editable && !QApplication::clipboard()->text().isEmpty(),
        [this] { paste(); });
    add(QStringLiteral("&Удалить"), QKeySequence(), selected && editable, [this] { removeSelectedText(); });
    menu.addSeparator();
    add(QStringLiteral("В&ыделить всё"), QKeySequence::SelectAll, length() > 0, [this] { selectAll(true); });
    menu.exec(event->globalPos());
}

}  // namespace orvane::ui
