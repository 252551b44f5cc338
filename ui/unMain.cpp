#include "unMain.h"

#include <QAbstractButton>

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QValidator>
#include <algorithm>
#include <stdexcept>
#include <unistd.h>

#include "Application.h"
#include "CodePage.h"
#include "FileIo.h"
#include "Keys.h"
#include "ListText.h"
#include "Memo.h"
#include "ui_unMain.h"
#include "Variants.h"
#include "unCommon.h"

namespace orvane::ui {
namespace {

const QString kFormatHelp = QStringLiteral(
    "Исходные данные представляют собой текстовые строки, каждая   \r\n"
    "из которых содержит либо диапазон IP-адресов, либо адрес и   \r\n"
    "маску, например:  \r\n"
    "\r\n"
    "192.168.0.1-192.168.0.254\r\n"
    "\r\n"
    "192.168.0.0 / 255.255.255.0\r\n"
    "\r\n"
    "192.168.0.0 / 24\r\n"
    "\r\n"
    "В качестве разделителя адреса и маски обязательно должен ис-  \r\n"
    "пользоваться символ \"/\", а в качестве разделителя при указа-  \r\n"
    "нии диапазона адресов - символ \"-\". Допускаются пробельные    \r\n"
    "символы перед/после адресов, масок, разделителей.");

}  // namespace

// Typing may not make the delimiter longer than three characters, and a
// paste keeps as much of its text as fits, up to its first line break, less
// any other control character: a break would split every network written
// over two lines. A longer text that the program set stays whole and may
// only get shorter. (The edit's own length limit would also cut what the
// program sets.) The edit validates what the program sets too, so
// SetDelimiter() lets the new text through first.
class DelimiterValidator : public QValidator {
public:
    explicit DelimiterValidator(QLineEdit* edit) : QValidator(edit), committed_(edit->text()) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { committed_ = text; });
    }
    State validate(QString& input, int& position) const override {
        const qsizetype limit = std::max<qsizetype>(3, committed_.size());
        const bool control = std::any_of(input.begin(), input.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
        if (input.size() <= limit && !control) return Acceptable;
        // What the edit put in ends at the cursor; before it, what the input
        // shares with the text it had.
        const qsizetype suffix = std::clamp<qsizetype>(input.size() - position, 0, committed_.size());
        qsizetype prefix = 0;
        while (prefix < committed_.size() - suffix && prefix < position && committed_[prefix] == input[prefix]) ++prefix;
        QString inserted = input.mid(prefix, input.size() - prefix - suffix);
        if (inserted.isEmpty()) return Acceptable;  // only taken away
        inserted.truncate(std::find_if(inserted.begin(), inserted.end(), [](QChar c) { return c == u'\r' || c == u'\n'; }) -
                          inserted.begin());
        inserted.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
        const qsizetype room = limit - (prefix + suffix);
        if (room <= 0 || inserted.isEmpty()) return Invalid;  // a typed character past the limit, or nothing to keep
        inserted.truncate(room);
        input = input.left(prefix) + inserted + input.right(suffix);
        position = static_cast<int>(prefix + inserted.size());
        return Acceptable;
    }
    void Allow(const QString& text) { committed_ = text; }

private:
    QString committed_;  // the text before the edit being validated
};

namespace {

class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string ToCp1251(const QString& text) {
    return Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()),
                                             static_cast<std::size_t>(text.size())));
}

// The A key whatever the keyboard layout: its key code, its X11 key symbol
// or its X11 key code.
bool IsKeyA(const QKeyEvent* key) {
    constexpr quint32 kX11KeycodeA = 38;
    return key->key() == Qt::Key_A || key->nativeVirtualKey() == 'a' || key->nativeVirtualKey() == 'A' ||
           key->nativeScanCode() == kX11KeycodeA;
}

QIcon LoadGlyph(const QString& resource) {
    const QImage image(resource);
    QPixmap pixmap = QPixmap::fromImage(image);
    // The bottom-left pixel's colour is the glyph's transparent colour.
    pixmap.setMask(pixmap.createMaskFromColor(image.pixelColor(0, image.height() - 1)));
    return QIcon(pixmap);
}

// A selection stays visible in a box that has lost the focus.
void KeepSelectionVisible(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    widget->setPalette(palette);
}

// Alt with a key types nothing here, as on the desktop the program was made
// for; a marked letter that no control owns is simply not found. Alt Gr does
// not count as Alt, so the characters it makes are still typed.
bool TypesUnderAlt(const QKeyEvent* key) {
    if (!(key->modifiers() & Qt::AltModifier)) return false;
    const QString text = key->text();
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

// The delimiter field takes the Ctrl keys of a plain box by their place on
// any layout, as the list boxes do (Ctrl+Ф selects all on a Russian
// keyboard), and types nothing else with Ctrl.
bool DelimiterShortcut(QLineEdit* edit, const QKeyEvent* key) {
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (!(modifiers & Qt::ControlModifier) || (modifiers & Qt::AltModifier)) return false;
    int code = key->key();
    if (code >= 0x80 && code < Qt::Key_Escape) {
        if (const int latin = LatinKeyAt(key->nativeScanCode())) code = latin;
    }
    switch (code) {
        case Qt::Key_A: edit->selectAll(); return true;
        case Qt::Key_C: edit->copy(); return true;
        case Qt::Key_V: edit->paste(); return true;
        case Qt::Key_X: edit->cut(); return true;
        case Qt::Key_Y: edit->redo(); return true;
        case Qt::Key_Z: (modifiers & Qt::ShiftModifier) ? edit->redo() : edit->undo(); return true;
        default: break;
    }
    // Arrows, Home, End, Backspace and Delete with Ctrl go on to the field.
    return !key->text().isEmpty() && key->text().front().isPrint();
}

std::optional<QString> SingleLocalFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().constFirst().isLocalFile())
        return std::nullopt;
    return mime->urls().constFirst().toLocalFile();
}

}  // namespace

QString UnderlinedMnemonic(const QString& caption) {
    QString html;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != u'&') {
                html += QStringLiteral("<u>") + QString(caption[i]).toHtmlEscaped() + QStringLiteral("</u>");
                continue;
            }
        }
        html += QString(caption[i]).toHtmlEscaped();
    }
    return QStringLiteral("<html>") + html + QStringLiteral("</html>");
}

QString TfmMain::DefaultSettingsFile() {
    return SettingsFileFor(QCoreApplication::applicationDirPath(), QStringLiteral(ORVANE_INSTALLED_BINDIR));
}

QString TfmMain::SettingsFileFor(const QString& programFolder, const QString& installedFolder) {
    // An installed program's folder is shared by every user, and root may
    // write it: a file there would take the place of everyone's own.
    const QString installed = QFileInfo(installedFolder).canonicalFilePath();
    const bool isInstalled = !installed.isEmpty() && QFileInfo(programFolder).canonicalFilePath() == installed;
    const QString beside = programFolder + QStringLiteral("/orvane.ini");
    if (!isInstalled &&
        (QFileInfo::exists(beside) || ::access(QFile::encodeName(programFolder).constData(), W_OK) == 0))
        return beside;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.startsWith(u'/')) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/orvane/orvane.ini");
}

TfmMain::TfmMain(QString settingsFile, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TfmMain>()), settingsFile_(std::move(settingsFile)) {
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(507, 464);
    setWindowIcon(QIcon(QStringLiteral(":/orvane.ico")));
    SetUpControls();
    ConnectHandlers();
    SetUpStoredValues();
    Timer.setInterval(100);
    connect(&Timer, &QTimer::timeout, this, [this] { ReportErrors([this] { TimerTimer(); }); });
    Timer.start();
}

void TfmMain::SetUpControls() {
    ui->sbtOpen->setIcon(LoadGlyph(QStringLiteral(":/open.bmp")));
    ui->sbtSave->setIcon(LoadGlyph(QStringLiteral(":/save.bmp")));
    ui->sbtFormat->setIcon(LoadGlyph(QStringLiteral(":/format.bmp")));
    for (QToolButton* button : {ui->sbtOpen, ui->sbtSave, ui->sbtFormat}) button->setIconSize(button->icon().availableSizes().value(0));

    ui->lblDelimiter->setText(UnderlinedMnemonic(QStringLiteral("&Разделитель:")));
    ui->lblDelimiter->setMinimumWidth(ui->lblDelimiter->sizeHint().width());
    ui->lblDelimiter->adjustSize();
    delimiterValidator_ = new DelimiterValidator(ui->edtDelimiter);
    ui->edtDelimiter->setValidator(delimiterValidator_);

    transformTypeButtons_ = new QButtonGroup(this);
    transformTypeButtons_->addButton(ui->rbtTransformType0, 0);
    transformTypeButtons_->addButton(ui->rbtTransformType1, 1);
    transformTypeButtons_->addButton(ui->rbtTransformType2, 2);

    for (TMemo* memo : {ui->memInput, ui->memOutput}) {
        memo->installEventFilter(this);
        memo->viewport()->installEventFilter(this);
    }
    KeepSelectionVisible(ui->edtDelimiter);
    ui->edtDelimiter->installEventFilter(this);
    ui->memInput->setFocus();
}

void TfmMain::ConnectHandlers() {
    // Transform is the default button, drawn as such while no other push
    // button has the focus; a focused push button takes the role, as Enter does.
    ui->btnTransform->setDefault(true);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == nullptr || now->window() != this) return;
        auto* focused = qobject_cast<QPushButton*>(now);
        for (QPushButton* button : {ui->btnTransform, ui->btnAbout})
            button->setDefault(focused != nullptr ? button == focused : button == ui->btnTransform);
    });

    const auto handler = [this](void (TfmMain::*method)()) {
        return [this, method] { ReportErrors([&] { (this->*method)(); }); };
    };
    connect(ui->edtDelimiter, &QLineEdit::textChanged, this, handler(&TfmMain::edtDelimiterChange));
    connect(ui->sbtFormat, &QToolButton::clicked, this, handler(&TfmMain::sbtFormatClick));
    connect(ui->sbtOpen, &QToolButton::clicked, this, handler(&TfmMain::sbtOpenClick));
    connect(ui->sbtSave, &QToolButton::clicked, this, handler(&TfmMain::sbtSaveClick));
    connect(ui->btnTransform, &QPushButton::clicked, this, handler(&TfmMain::btnTransformClick));
    connect(ui->btnAbout, &QPushButton::clicked, this, handler(&TfmMain::btnAboutClick));
    // At the end of the desktop session the close is not asked about.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { sessionEnding_ = true; });
}

void TfmMain::SetUpStoredValues() {
    const auto restore = [this](TStoredValue& sender, QVariant& value) { fstMainStoredValues0Restore(sender, value); };
    const auto save = [this](TStoredValue& sender, QVariant& value) { fstMainStoredValues0Save(sender, value); };
    fstMain.StoredValues = {{QStringLiteral("OpenPath"), QString()},
                            {QStringLiteral("SavePath"), QString()},
                            {QStringLiteral("Sort"), true},
                            {QStringLiteral("RemoveDuplicates"), true},
                            {QStringLiteral("MaskDelimiter"), QStringLiteral(" / ")},
                            {QStringLiteral("TransformType"), 0}};
    for (TStoredValue& item : fstMain.StoredValues) {
        item.OnRestore = restore;
        item.OnSave = save;
    }
}

TfmMain::~TfmMain() {
    // Settings not saved by a close request (the program ended another way).
    if (fstMain.Active && !fstMain.Saved() && !sessionEnding_ && closeRequests_ == 0) {
        ReportErrors([this] { fstMain.SaveSettings(); });
    }
}

QString TfmMain::Delimiter() const { return ui->edtDelimiter->text(); }

void TfmMain::SetDelimiter(const QString& text) {
    delimiterValidator_->Allow(text);
    ui->edtDelimiter->setText(text);
}

int TfmMain::TransformType() const { return transformTypeButtons_->checkedId(); }

void TfmMain::SetTransformType(int index) {
    index = std::clamp(index, -1, 2);
    if (index < 0) {
        // An exclusive group always keeps one item checked.
        transformTypeButtons_->setExclusive(false);
        if (QAbstractButton* checked = transformTypeButtons_->checkedButton()) checked->setChecked(false);
        transformTypeButtons_->setExclusive(true);
    } else {
        transformTypeButtons_->button(index)->setChecked(true);
    }
}


void TfmMain::showEvent(QShowEvent* event) {
    if (!shownBefore_ && !event->spontaneous()) {
        shownBefore_ = true;
        ReportErrors([this] { FormShow(); });
    }
    QWidget::showEvent(event);
}

void TfmMain::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    ReportErrors([&] { FormCloseQuery(canClose); });
    if (!canClose) event->ignore();
}

void TfmMain::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused push button, or else Transform, wherever the
    // focused control does not use Enter itself (the list boxes do).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else if (ui->btnTransform->isEnabled()) {
            ui->btnTransform->click();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->edtDelimiter && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return DelimiterShortcut(ui->edtDelimiter, key) || TypesUnderAlt(key);
    }
    for (TMemo* memo : {ui->memInput, ui->memOutput}) {
        if (watched == memo && event->type() == QEvent::KeyPress) {
            // Select-all is the box's whole answer to Ctrl+A: left to the box,
            // Ctrl+Alt+A would type "a" over the text just selected.
            const auto* key = static_cast<QKeyEvent*>(event);
            return memInputKeyDown(memo, key) || TypesUnderAlt(key);
        }
        if (watched != memo && watched != memo->viewport()) continue;
        // A file dropped from the file manager loads as the open button
        // would; several files load none, and their names are not text to insert.
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (SingleLocalFile(drag->mimeData())) {
                drag->acceptProposedAction();
                return true;
            }
            if (drag->mimeData() != nullptr && drag->mimeData()->hasUrls()) {
                drag->ignore();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            if (const auto file = SingleLocalFile(drop->mimeData())) {
                drop->acceptProposedAction();
                ReportErrors([&] { LoadInputFile(*file); });
                return true;
            }
            if (drop->mimeData() != nullptr && drop->mimeData()->hasUrls()) {
                drop->ignore();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfmMain::FormShow() {
    fstMain.IniFileName = settingsFile_;
    fstMain.Active = true;
    fstMain.RestoreSettings();

    CentreFrame(this, [this] { return screen()->geometry(); });
}

void TfmMain::FormCloseQuery(bool& canClose) {
    ++closeRequests_;
    Timer.stop();
    try {
        fstMain.SaveSettings();
        canClose = true;
        return;
    } catch (const std::exception& e) {
        if (sessionEnding_) {  // never hold up the end of the session
            canClose = true;
            return;
        }
        TApplication::ShowException(e);
    }
    // The window keeps working, and the user is never trapped in it.
    Timer.start();
    canClose = MessageBoxes::Show(this, QMessageBox::Question, QStringLiteral("Orvane"),
                                  QStringLiteral("Настройки не сохранены. Закрыть программу без сохранения настроек?"),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TfmMain::fstMainStoredValues0Restore(TStoredValue& Sender, QVariant& Value) {
    const QString text = Value.toString();
    const QString& name = Sender.Name;
    if (name == QLatin1String("OpenPath")) {
        dlgOpen.SetInitialDir(text);
    } else if (name == QLatin1String("SavePath")) {
        dlgSave.SetInitialDir(text);
    } else if (name == QLatin1String("Sort")) {
        ui->cbxSort->setChecked(TextToBool(text.toStdString()));
    } else if (name == QLatin1String("RemoveDuplicates")) {
        ui->cbxRemoveDuplicates->setChecked(TextToBool(text.toStdString()));
    } else if (name == QLatin1String("MaskDelimiter")) {
        SetDelimiter(QString(text).remove(u'@'));
    } else if (name == QLatin1String("TransformType")) {
        SetTransformType(TextToInt(text.toStdString()));
    }
}

void TfmMain::fstMainStoredValues0Save(TStoredValue& Sender, QVariant& Value) {
    const QString& name = Sender.Name;
    if (name == QLatin1String("OpenPath")) Value = dlgOpen.InitialDir();
    else if (name == QLatin1String("SavePath")) Value = dlgSave.InitialDir();
    else if (name == QLatin1String("Sort")) Value = ui->cbxSort->isChecked();
    else if (name == QLatin1String("RemoveDuplicates")) Value = ui->cbxRemoveDuplicates->isChecked();
    else if (name == QLatin1String("MaskDelimiter")) Value = u'@' + ui->edtDelimiter->text() + u'@';
    else if (name == QLatin1String("TransformType")) Value = TransformType();
}

void TfmMain::TimerTimer() {
    const bool enable = ui->memInput->HasVisibleText();
    if (ui->btnTransform->isEnabled() != enable) ui->btnTransform->setEnabled(enable);

    auto refresh = [](QLabel* label, QString& current, const QString& base, int count) {
        const QString caption = count > 0 ? QStringLiteral("%1 (%2):").arg(base).arg(count) : base + u':';
        if (caption == current) return;
        current = caption;
        label->setText(UnderlinedMnemonic(caption));
        label->adjustSize();
    };
    refresh(ui->lblInput, inputCaption_, QStringLiteral("&Исходный список сетей"), ui->memInput->ListLineCount());
    refresh(ui->lblOutput, outputCaption_, QStringLiteral("&Обработанный список сетей"), ui->memOutput->ListLineCount());
}

void TfmMain::edtDelimiterChange() {
    const QString delimiter = ui->edtDelimiter->text();
    ui->rbtTransformType1->setText(QStringLiteral(" Адрес") + delimiter + QStringLiteral("&Короткая маска"));
    ui->rbtTransformType2->setText(QStringLiteral(" Адрес") + delimiter + QStringLiteral("&Длинная маска"));
}

bool TfmMain::memInputKeyDown(TMemo* memo, const QKeyEvent* key) {
    if (!(key->modifiers() & Qt::ControlModifier) || !IsKeyA(key)) return false;
    memo->selectAll(true);
    return true;
}

void TfmMain::sbtFormatClick() {
    MessageBoxes::Show(this, QMessageBox::Information, QStringLiteral("Формат исходных данных"), kFormatHelp);
}

void TfmMain::btnTransformClick() {
    WaitCursor wait;
    // The box's text, as it holds it, is the list text that is converted as
    // orvane-convert converts a file: one line rule, one path.
    std::string result;
    const std::string delimiter = ToCp1251(ui->edtDelimiter->text());
    TransformListText(Utf8ToCp1251(ui->memInput->Utf8Text()),
                      {.form = OutputFormOf(TransformType()),
                       .removeDuplicates = ui->cbxRemoveDuplicates->isChecked(),
                       .sort = ui->cbxSort->isChecked(),
                       .delimiter = delimiter,
                       .lineEnd = "\n"},
                      result);
    ui->memOutput->SetUtf8Text(Cp1251ToUtf8(result));
}

void TfmMain::sbtOpenClick() { LoadInputList(); }

void TfmMain::sbtSaveClick() { SaveOutputList(); }

void TfmMain::btnAboutClick() {
    if (about_ == nullptr) return;
    about_->exec();
}

void TfmMain::LoadInputList() {
    const auto fileName = dlgOpen.Execute(this);
    if (!fileName) return;
    LoadInputFile(*fileName);
}

void TfmMain::LoadInputFile(const QString& fileName) {
    NulCut cut;
    {
        WaitCursor wait;
        const std::string utf8 = ListFileToBoxText(ReadWholeFile(QFile::encodeName(fileName).toStdString()), cut);
        const auto characters = std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; });
        if (characters > kMemoCapacity) throw EOutOfResources("Text exceeds memo capacity");

        if (utf8 != ui->memInput->Utf8Text()) ui->memInput->SetUtf8Text(utf8);
        dlgOpen.SetInitialDir(FolderOf(fileName));
    }
    // The box ends its text at a zero byte, as the window always has: a user
    // who converted and saved such a file back would lose the rest unawares.
    // The count is of what follows the zero byte; a zero byte that ends the
    // file hides nothing.
    if (cut.line != 0 && cut.notRead > 1)
        MessageBoxes::Show(this, QMessageBox::Information, QStringLiteral("Orvane"),
                           QStringLiteral("В строке %1 файла нулевой байт: текст после него не показан (%2).")
                               .arg(cut.line)
                               .arg(RussianByteCount(static_cast<qint64>(cut.notRead - 1))));
}

// The output-form group is one stop for Tab, as a radio group is on every
// desktop: Tab enters it at its checked item and leaves it past its last.
bool TfmMain::focusNextPrevChild(bool next) {
    auto inGroup = [this](QWidget* w) {
        auto* button = qobject_cast<QAbstractButton*>(w);
        return button != nullptr && transformTypeButtons_->buttons().contains(button);
    };
    const bool fromGroup = inGroup(focusWidget());
    if (!QWidget::focusNextPrevChild(next)) return false;
    for (int step = 0; fromGroup && inGroup(focusWidget()) && step < transformTypeButtons_->buttons().size(); ++step)
        QWidget::focusNextPrevChild(next);
    if (!fromGroup && inGroup(focusWidget()) && transformTypeButtons_->checkedButton() != nullptr)
        transformTypeButtons_->checkedButton()->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void TfmMain::SaveOutputList() {
    const auto fileName = dlgSave.Execute(this);
    if (!fileName) return;
    WaitCursor wait;
    WriteFileAtomically(QFile::encodeName(*fileName).toStdString(), BoxTextToListFile(ui->memOutput->Utf8Text()));
    dlgSave.SetInitialDir(FolderOf(*fileName));
}

}  // namespace orvane::ui
