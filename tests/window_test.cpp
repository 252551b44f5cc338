// The main window driven for real on the offscreen platform.
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QDirIterator>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QToolButton>
#include <fstream>
#include <memory>
#include <random>
#include <csignal>
#include <sys/mount.h>

#include "Application.h"
#include "CodePage.h"
#include "Dialogs.h"
#include "Memo.h"
#include "WindowTestMain.h"
#include "unAbout.h"
#include "unMain.h"

using namespace orvane;
using namespace orvane::ui;

namespace {

QByteArray Cp1251(const QString& text) {
    const std::string bytes = Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()),
                                                                static_cast<std::size_t>(text.size())));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

const QString kExampleText = QStringLiteral(
    "Пример исходных данных:\n\n192.168.0.0 / 24\n172.20.20.0 - 172.20.21.254\n192.168.1.0 / 255.255.255.0\n");

// The captions and the button follow the text within a few ticks: a slower
// timer would miss this more often than not over the rows that wait for it.
constexpr int kTick = 400;

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> settingsDir;
    std::unique_ptr<TfmMain> window;
    template <typename T>
    T* Find(const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (w == nullptr) qFatal("no control %s", name);
        return w;
    }
    TMemo* Input() { return Find<TMemo>("memInput"); }
    TMemo* Output() { return Find<TMemo>("memOutput"); }
    QString InputCaption() { return Find<QLabel>("lblInput")->text(); }
    QString OutputCaption() { return Find<QLabel>("lblOutput")->text(); }
    void Transform() {
        QTRY_VERIFY(Find<QPushButton>("btnTransform")->isEnabled());
        QTest::mouseClick(Find<QPushButton>("btnTransform"), Qt::LeftButton);
    }

private slots:
    void init() {
        // Before the window is made: an answer queued by an earlier test must not reach its first show.
        ResetTestSeams();
        settingsDir = std::make_unique<QTemporaryDir>();
        window = std::make_unique<TfmMain>(settingsDir->filePath(QStringLiteral("orvane.ini")));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() {
        window.reset();
        settingsDir.reset();
    }

    // ---- Start-up, the tick and the captions ----

    void firstTickSetsCaptionsAndButton() {
        QCOMPARE(window->size(), QSize(507, 464));
        QTRY_COMPARE(InputCaption(), UnderlinedMnemonic(QStringLiteral("&Исходный список сетей (5):")));
        QCOMPARE(OutputCaption(), UnderlinedMnemonic(QStringLiteral("&Обработанный список сетей:")));
        QVERIFY(Find<QPushButton>("btnTransform")->isEnabled());
        QCOMPARE(window->TransformType(), 0);
        QCOMPARE(Find<QLineEdit>("edtDelimiter")->text(), QStringLiteral(" / "));
        QVERIFY(Find<QCheckBox>("cbxSort")->isChecked());
        QVERIFY(Find<QCheckBox>("cbxRemoveDuplicates")->isChecked());
        QCOMPARE(QApplication::focusWidget(), Input());
    }

    void transformNeedsVisibleText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blanks, tabs and breaks") << QStringLiteral(" \t\n\n  \t") << false;
        QTest::newRow("one character after blanks") << QStringLiteral("\n\n   x") << true;
        QTest::newRow("no-break space is visible") << QStringLiteral("\u00A0") << true;
    }

    void transformNeedsVisibleText() {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        Input()->setPlainText(text);
        QTRY_COMPARE_WITH_TIMEOUT(Find<QPushButton>("btnTransform")->isEnabled(), enabled, kTick);
    }

    void captionCountsLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("empty") << QString() << QStringLiteral("&Исходный список сетей:");
        QTest::newRow("one line") << QStringLiteral("a") << QStringLiteral("&Исходный список сетей (1):");
        QTest::newRow("one line and a break") << QStringLiteral("a\n") << QStringLiteral("&Исходный список сетей (1):");
        QTest::newRow("a break alone") << QStringLiteral("\n") << QStringLiteral("&Исходный список сетей (1):");
        QTest::newRow("one line and two breaks") << QStringLiteral("a\n\n") << QStringLiteral("&Исходный список сетей (2):");
    }

    void captionCountsLines() {
        QFETCH(QString, text);
        QFETCH(QString, caption);
        Input()->setPlainText(text);
        QTRY_COMPARE_WITH_TIMEOUT(InputCaption(), UnderlinedMnemonic(caption), kTick);
    }

    // A tick looks at characters where they are: a long line costs it no
    // more than a short one, and the idle window stays idle.
    void tickDoesNotCopyLongLines() {
        const QString line(4 << 20, u'x');
        Input()->setPlainText(line);
        Output()->setPlainText(line);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 1000; ++i) window->TimerTimer();
        QVERIFY2(clock.elapsed() < 100, qPrintable(QStringLiteral("1000 ticks took %1 ms").arg(clock.elapsed())));
        QCOMPARE(InputCaption(), UnderlinedMnemonic(QStringLiteral("&Исходный список сетей (1):")));
    }

    // ---- Converting ----

    void convertsTheExample_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("output");
        QTest::newRow("host ranges") << 0
                                     << QStringLiteral("172.20.20.0-172.20.21.254\r\n192.168.0.1-192.168.0.254\r\n"
                                                       "192.168.1.1-192.168.1.254\r\n");
        QTest::newRow("prefix length") << 1
                                       << QStringLiteral("172.20.19.255 / 32\r\n192.168.0.0 / 24\r\n192.168.1.0 / 24\r\n");
        QTest::newRow("dotted mask") << 2
                                     << QStringLiteral("172.20.19.255 / 255.255.253.255\r\n192.168.0.0 / "
                                                       "255.255.255.0\r\n192.168.1.0 / 255.255.255.0\r\n");
        QTest::newRow("no item selected") << -1 << QString();
    }

    void convertsTheExample() {
        QFETCH(int, form);
        QFETCH(QString, output);
        Output()->setPlainText(QStringLiteral("old result"));
        window->SetTransformType(form);
        Transform();
        QCOMPARE(BoxText(Output()).replace(u'\n', QStringLiteral("\r\n")), output);
        QCOMPARE(BoxText(Input()), kExampleText);
        QTRY_COMPARE(OutputCaption(), UnderlinedMnemonic(form < 0 ? QStringLiteral("&Обработанный список сетей:")
                                                                  : QStringLiteral("&Обработанный список сетей (3):")));
    }

    void enterPressesTransformOutsideTheLists() {
        Find<QCheckBox>("cbxSort")->setFocus();
        QTRY_VERIFY(Find<QPushButton>("btnTransform")->isEnabled());
        QTest::keyClick(Find<QCheckBox>("cbxSort"), Qt::Key_Return);
        QCOMPARE(Output()->lines(), 4);
        Output()->clear();
        Input()->setFocus();
        QTest::keyClick(Input(), Qt::Key_Return);
        QCOMPARE(BoxText(Output()), QString());  // Enter made a new line instead
    }

    // Transform is drawn as the default button until another push button has the focus.
    void transformIsTheDefaultButton() {
        auto* transform = Find<QPushButton>("btnTransform");
        auto* about = Find<QPushButton>("btnAbout");
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QVERIFY(transform->isDefault());
        about->setFocus();
        QTRY_VERIFY(about->isDefault());
        QVERIFY(!transform->isDefault());
        Input()->setFocus();
        QTRY_VERIFY(transform->isDefault());
        QVERIFY(!about->isDefault());
    }

    // A save past the file size limit must fail like any other, not kill the program.
    void fileSizeLimitDoesNotKill() {
        struct sigaction action {};
        QCOMPARE(::sigaction(SIGXFSZ, nullptr, &action), 0);
        QVERIFY(action.sa_handler == SIG_IGN);
    }

    void transformTypeIsClamped_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("got");
        QTest::newRow("below -1") << -3 << -1;
        QTest::newRow("none") << -1 << -1;
        QTest::newRow("last") << 2 << 2;
        QTest::newRow("above 2") << 7 << 2;
    }

    void transformTypeIsClamped() {
        QFETCH(int, set);
        QFETCH(int, got);
        window->SetTransformType(set);
        QCOMPARE(window->TransformType(), got);
        window->SetTransformType(1);
        QCOMPARE(window->TransformType(), 1);
    }

    void helpBoxShowsTheFormat() {
        MessageBoxes::SetNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(Find<QToolButton>("sbtFormat"), Qt::LeftButton);
        const auto shown = MessageBoxes::LastMessage();
        QVERIFY(shown.has_value());
        QCOMPARE(shown->title, QStringLiteral("Формат исходных данных"));
        QCOMPARE(shown->icon, QMessageBox::Information);
        const QStringList lines = shown->text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[0], QStringLiteral("Исходные данные представляют собой текстовые строки, каждая   "));
        QCOMPARE(lines[2], QStringLiteral("маску, например:  "));
        QCOMPARE(lines[11], QStringLiteral("пользоваться символ \"/\", а в качестве разделителя при указа-  "));
        QCOMPARE(lines[12], QStringLiteral("нии диапазона адресов - символ \"-\". Допускаются пробельные    "));
        QCOMPARE(lines[13], QStringLiteral("символы перед/после адресов, масок, разделителей."));
        QCOMPARE(Cp1251(shown->text).size(), 470);
    }

    void errorReportAddsFullStop_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << QStringLiteral("Stream write error") << QStringLiteral("Stream write error.");
        QTest::newRow("digit") << QStringLiteral("code 5") << QStringLiteral("code 5.");
        QTest::newRow("Cyrillic letter") << QStringLiteral("Ошибка") << QStringLiteral("Ошибка.");
        QTest::newRow("closing quote") << QStringLiteral("file \"a\"") << QStringLiteral("file \"a\"");
        QTest::newRow("closing bracket") << QStringLiteral("(a)") << QStringLiteral("(a)");
        QTest::newRow("full stop") << QStringLiteral("done.") << QStringLiteral("done.");
        QTest::newRow("empty") << QString() << QString();
    }

    void errorReportAddsFullStop() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorReportText(message), shown);
    }

    void aboutButtonShowsTheAboutWindowModally() {
        TfmAbout about(window.get(), QStringLiteral("/bin/true"));
        window->SetAboutWindow(&about);
        bool wasModal = false;
        QTimer::singleShot(0, &about, [&] {
            wasModal = about.isVisible() && QApplication::activeModalWidget() == &about;
            about.accept();
        });
        QTest::mouseClick(Find<QPushButton>("btnAbout"), Qt::LeftButton);
        QVERIFY(wasModal);
        QVERIFY(!about.isVisible());
    }

    // ---- Loading and dropping ----

    static QByteArray Utf16(const QString& text, bool bigEndian) {
        QStringEncoder encoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                               QStringConverter::Flag::WriteBom);
        return encoder.encode(text);
    }

    void loadReadsEveryLineBreakAndEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString none;
        QTest::newRow("CR LF") << QByteArray("1.1.1.1/8\r\n2.2.2.2/8\r\n") << QStringLiteral("1.1.1.1/8\n2.2.2.2/8\n") << none;
        QTest::newRow("LF") << QByteArray("1.1.1.1/8\n2.2.2.2/8") << QStringLiteral("1.1.1.1/8\n2.2.2.2/8") << none;
        QTest::newRow("lone CR") << QByteArray("1.1.1.1/8\r2.2.2.2/8\r") << QStringLiteral("1.1.1.1/8\n2.2.2.2/8\n") << none;
        QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QStringLiteral("a\n\nb") << none;
        QTest::newRow("CP1251") << QByteArray("\xCF\xF0\xE8\xEC\xE5\xF0 \x97") << QStringLiteral("Пример —") << none;
        QTest::newRow("UTF-8") << QByteArray("Пример —") << QStringLiteral("Пример —") << none;
        QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBFПример") << QStringLiteral("Пример") << none;
        // What Windows PowerShell writes; a character beyond the 16-bit plane too.
        QTest::newRow("UTF-16 little-endian") << Utf16(QStringLiteral("1.1.1.1 — 1.1.1.9\r\n\U0001F600"), false)
                                              << QStringLiteral("1.1.1.1 — 1.1.1.9\n\U0001F600") << none;
        QTest::newRow("UTF-16 big-endian") << Utf16(QStringLiteral("Пример\r\n"), true) << QStringLiteral("Пример\n") << none;
        QTest::newRow("text ends at NUL, said") << QByteArray("a\nb\0cd", 6) << QStringLiteral("a\nb")
                                                << QStringLiteral("В строке 2 файла нулевой байт: текст после него не показан (2 байта).");
        QTest::newRow("NUL ends the file, nothing hidden") << QByteArray("a\nb\0", 4) << QStringLiteral("a\nb") << none;
        QTest::newRow("empty file") << QByteArray() << QString() << none;
    }

    void loadReadsEveryLineBreakAndEncoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("list.txt"));
        WriteFile(file, bytes);
        TFileDialog::SetNextFileName(file);
        if (!message.isEmpty()) MessageBoxes::SetNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(Find<QToolButton>("sbtOpen"), Qt::LeftButton);
        QCOMPARE(BoxText(Input()), text);
        QCOMPARE(window->OpenDialog().InitialDir(), dir.path());
        const auto shown = MessageBoxes::LastMessage();
        QCOMPARE(shown.has_value(), !message.isEmpty());
        if (shown) {
            QCOMPARE(shown->title, QStringLiteral("Orvane"));
            QCOMPARE(shown->text, message);
            QCOMPARE(shown->icon, QMessageBox::Information);
        }
    }

    void loadingTheSameTextLeavesTheBoxAlone() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("same.txt"));
        WriteFile(file, Cp1251(kExampleText).replace("\n", "\r\n"));
        Input()->SendScintilla(TMemo::SCI_DOCUMENTEND);
        const long end = Input()->SendScintilla(TMemo::SCI_GETCURRENTPOS);
        QSignalSpy changes(Input(), &TMemo::textChanged);
        TFileDialog::SetNextFileName(file);
        QTest::mouseClick(Find<QToolButton>("sbtOpen"), Qt::LeftButton);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(Input()->SendScintilla(TMemo::SCI_GETCURRENTPOS), end);
    }

    void failedOrCancelledLoadChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("cancelled") << QString() << QString();
        QTest::newRow("missing file") << QStringLiteral("missing.txt")
                                      << QStringLiteral("Cannot open file \"%1\". No such file or directory.");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("Cannot open file \"%1\". Is a directory.");
    }

    void failedOrCancelledLoadChangesNothing() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("folder"));
        window->OpenDialog().SetInitialDir(QStringLiteral("/srv/"));
        const QString path = dir.filePath(name);
        TFileDialog::SetNextFileName(name.isEmpty() ? std::nullopt : std::optional<QString>(path));
        MessageBoxes::SetNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(Find<QToolButton>("sbtOpen"), Qt::LeftButton);
        QCOMPARE(BoxText(Input()), kExampleText);
        QCOMPARE(window->OpenDialog().InitialDir(), QStringLiteral("/srv"));
        const auto shown = MessageBoxes::LastMessage();
        if (message.isEmpty()) {
            QVERIFY(!shown.has_value());  // the answer left unused is forgotten before the next test
        } else {
            QVERIFY(shown.has_value());
            QCOMPARE(shown->title, QStringLiteral("Orvane"));
            QCOMPARE(shown->icon, QMessageBox::Critical);
            QCOMPARE(shown->text, message.arg(path));
        }
    }

    void droppedFileLoads() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("dropped.txt"));
        WriteFile(file, "10.0.0.0/8\r\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Output()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Output()->viewport(), &drop);
        QCOMPARE(BoxText(Input()), QStringLiteral("10.0.0.0/8\n"));
        QCOMPARE(window->OpenDialog().InitialDir(), dir.path());
    }

    // Several files dropped at once load none and leave no text behind.
    void droppingSeveralFilesDoesNothing() {
        QTemporaryDir dir;
        Input()->setPlainText(QStringLiteral("kept"));
        QMimeData mime;
        const QList<QUrl> urls = {QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.txt"))),
                                  QUrl::fromLocalFile(dir.filePath(QStringLiteral("b.txt")))};
        mime.setUrls(urls);
        mime.setText(urls[0].toString() + u'\n' + urls[1].toString());  // file managers offer the names as text too
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Input()->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Input()->viewport(), &drop);
        QCOMPARE(BoxText(Input()), QStringLiteral("kept"));
    }

    // The file dialogs keep no state of their own in the user's home folder.
    void fileDialogsLeaveNothingInTheHomeFolder() {
        for (TFileDialog* dialog : {&window->OpenDialog(), &window->SaveDialog()}) {
            QTimer closer;
            connect(&closer, &QTimer::timeout, &closer, [] {
                if (auto* modal = QApplication::activeModalWidget()) modal->close();
            });
            closer.start(50);
            QCOMPARE(dialog->Execute(window.get()), std::optional<QString>());
        }
        QStringList written;
        QDirIterator it(QString::fromLocal8Bit(g_scratchHome), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (!file.contains(QLatin1String("/.cache/"))) written << file;  // font caches are not the program's
        }
        QCOMPARE(written, QStringList());
    }

    void fileSizesTakeTheRussianPlural() {
        // One, few and many, and the teens that take "many" whatever their last digit.
        const std::pair<qint64, const char*> rows[] = {
            {1, "1 байт"},     {21, "21 байт"},   {4, "4 байта"},    {404, "404 байта"}, {6, "6 байт"},
            {11, "11 байт"},   {12, "12 байт"},   {13, "13 байт"},   {14, "14 байт"},    {111, "111 байт"},
            {112, "112 байт"}, {113, "113 байт"}, {114, "114 байт"}, {122, "122 байта"}};
        for (const auto& [bytes, text] : rows) QCOMPARE(RussianFileSize(bytes), QString::fromUtf8(text));
        // Past a kilobyte a count of bytes stays one.
        QCOMPARE(RussianByteCount(1034), QStringLiteral("1034 байта"));
    }

    // ---- Saving ----

    // The window's save and orvane-convert give the same bytes for the same
    // file and options: they promise each other that.
    void saveMatchesTheConverter_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<bool>("sort");
        QTest::addColumn<bool>("dedupe");
        QTest::addColumn<QString>("delimiter");
        QTest::newRow("ranges") << 0 << true << true << QStringLiteral(" / ");
        QTest::newRow("prefix unsorted") << 1 << false << true << QStringLiteral("/");
        QTest::newRow("mask with duplicates") << 2 << true << false << QStringLiteral(" — ");
        QTest::newRow("prefix in input order with duplicates") << 1 << false << false << QString();
    }

    void saveMatchesTheConverter() {
        QFETCH(int, form);
        QFETCH(bool, sort);
        QFETCH(bool, dedupe);
        QFETCH(QString, delimiter);
        const QString list = QStringLiteral(ORVANE_TEST_DATA "/mixed-cp1251.txt");
        QTemporaryDir dir;
        window->LoadInputFile(list);
        window->SetTransformType(form);
        window->SetDelimiter(delimiter);
        Find<QCheckBox>("cbxSort")->setChecked(sort);
        Find<QCheckBox>("cbxRemoveDuplicates")->setChecked(dedupe);
        Transform();
        TFileDialog::SetNextFileName(dir.filePath(QStringLiteral("saved.txt")));
        QTest::mouseClick(Find<QToolButton>("sbtSave"), Qt::LeftButton);

        QStringList args{QStringLiteral("-f"), QString::number(form), QStringLiteral("-d"), delimiter, list};
        if (!sort) args << QStringLiteral("--no-sort");
        if (!dedupe) args << QStringLiteral("--keep-duplicates");
        QProcess convert;
        convert.start(QStringLiteral(ORVANE_CONVERT), args);
        QVERIFY(convert.waitForFinished());
        QCOMPARE(convert.exitCode(), 0);
        const QByteArray expected = convert.readAllStandardOutput();
        QVERIFY(expected.count('\n') >= 5);
        QCOMPARE(ReadFile(dir.filePath(QStringLiteral("saved.txt"))), expected);
    }

    void saveWritesCp1251WithCrLf() {
        QTemporaryDir dir;
        window->SetTransformType(1);
        Transform();
        Output()->setPlainText(BoxText(Output()) + QStringLiteral("\nИтог —"));
        const QString file = dir.filePath(QStringLiteral("out.txt"));
        TFileDialog::SetNextFileName(file);
        QTest::mouseClick(Find<QToolButton>("sbtSave"), Qt::LeftButton);
        QCOMPARE(ReadFile(file), QByteArray("172.20.19.255 / 32\r\n192.168.0.0 / 24\r\n192.168.1.0 / 24\r\n\r\n") +
                                     Cp1251(QStringLiteral("Итог —")));
        QCOMPARE(window->SaveDialog().InitialDir(), dir.path());

        Output()->clear();
        TFileDialog::SetNextFileName(file);
        QTest::mouseClick(Find<QToolButton>("sbtSave"), Qt::LeftButton);
        QCOMPARE(ReadFile(file).size(), 0);

        TFileDialog::SetNextFileName(std::nullopt);
        window->SaveDialog().SetInitialDir(QStringLiteral("/"));
        QTest::mouseClick(Find<QToolButton>("sbtSave"), Qt::LeftButton);
        QCOMPARE(window->SaveDialog().InitialDir(), QStringLiteral("/"));
    }

    // A save that fails half-way must leave the file the user had.
    void failedSaveKeepsTheOldFile_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("message");
        QTest::newRow("full disk") << false << QStringLiteral("Stream write error.");
        QTest::newRow("read-only file system")
            << true << QStringLiteral("Cannot create file \"%1\". Read-only file system.");
    }

    void failedSaveKeepsTheOldFile() {
        QFETCH(bool, readOnly);
        QFETCH(QString, message);
        if (!g_privateMounts) QSKIP(qPrintable(g_mountSkipReason));
        QTemporaryDir dir;
        QVERIFY(::mount("tmpfs", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0);
        const QString file = dir.filePath(QStringLiteral("list.txt"));
        WriteFile(file, "old list\r\n");
        if (readOnly)
            QVERIFY(::mount("tmpfs", dir.path().toLocal8Bit().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        Output()->setPlainText(QString(200000, u'x'));
        TFileDialog::SetNextFileName(file);
        MessageBoxes::SetNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(Find<QToolButton>("sbtSave"), Qt::LeftButton);
        const auto shown = MessageBoxes::LastMessage();
        const QStringList entries = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        const QByteArray kept = ReadFile(file);
        ::umount(dir.path().toLocal8Bit().constData());
        QVERIFY(shown.has_value());
        QCOMPARE(shown->text, readOnly ? message.arg(file) : message);
        QCOMPARE(kept, QByteArray("old list\r\n"));
        QCOMPARE(entries, QStringList{QStringLiteral("list.txt")});
        QCOMPARE(window->SaveDialog().InitialDir(), QString());
    }

    // ---- Keys and the list boxes ----

    void ctrlASelectsAll_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("selectsAll");
        for (const char* box : {"memInput", "memOutput"}) {
            const QString b = QLatin1String(box);
            QTest::addRow("%s Ctrl+A", box) << b << int(Qt::ControlModifier) << true;
            QTest::addRow("%s Ctrl+Shift+A", box) << b << int(Qt::ControlModifier | Qt::ShiftModifier) << true;
            QTest::addRow("%s Ctrl+Alt+A", box) << b << int(Qt::ControlModifier | Qt::AltModifier) << true;
            QTest::addRow("%s Alt+A", box) << b << int(Qt::AltModifier) << false;
            QTest::addRow("%s Shift+A", box) << b << int(Qt::ShiftModifier) << false;
        }
    }

    void ctrlASelectsAll() {
        QFETCH(QString, box);
        QFETCH(int, modifiers);
        QFETCH(bool, selectsAll);
        auto* memo = window->findChild<TMemo*>(box);
        memo->setPlainText(QStringLiteral("10.0.0.0/8\n10.1.0.0/16"));
        memo->setFocus();
        memo->setCursorPosition(0, 0);
        QTest::keyClick(memo, Qt::Key_A, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(memo->selectedText() == memo->text(), selectsAll);
    }

    // The list boxes behave as plain text boxes: Tab moves on, the editor
    // keys of a programmer's editor do nothing, a set text is not undone,
    // a paragraph separator in a file is a line break.
    // Tab takes the output-form group as one stop, at its checked item, both ways.
    void tabEntersTheFormGroupAtItsCheckedItem() {
        Find<QRadioButton>("rbtTransformType2")->setChecked(true);
        QTRY_VERIFY(Find<QPushButton>("btnTransform")->isEnabled());
        Find<QLineEdit>("edtDelimiter")->setFocus();
        QTRY_VERIFY(Find<QLineEdit>("edtDelimiter")->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Find<QRadioButton>("rbtTransformType2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Find<QPushButton>("btnTransform"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QRadioButton>("rbtTransformType2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>("edtDelimiter"));
    }
    void listBoxesBehaveAsPlainBoxes() {
        const QString text = QStringLiteral("10.0.0.0/8\nA.b/16");
        Input()->setFocus();
        using Keys = std::pair<Qt::Key, Qt::KeyboardModifiers>;
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        for (const auto& [key, modifiers] : {Keys{Qt::Key_D, ctrl}, Keys{Qt::Key_L, ctrl}, Keys{Qt::Key_T, ctrl},
                                             Keys{Qt::Key_U, ctrl}, Keys{Qt::Key_U, ctrl | Qt::ShiftModifier}}) {
            Input()->setPlainText(text);
            Input()->setCursorPosition(1, 0);
            Input()->selectAll(true);
            Input()->setCursorPosition(1, 0);
            QTest::keyClick(Input(), key, modifiers);
            QCOMPARE(BoxText(Input()), text);
        }
        Input()->setPlainText(text);
        QVERIFY(!Input()->isUndoAvailable());
        QTest::keyClick(Input(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Output());
        QCOMPARE(BoxText(Input()), text);
        QTest::keyClick(Output(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), Input());

        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("separator.txt")), "10.0.0.0/8\xE2\x80\xA9" "10.1.0.0/16\r\n");
        window->LoadInputFile(dir.filePath(QStringLiteral("separator.txt")));
        QCOMPARE(BoxText(Input()), QStringLiteral("10.0.0.0/8\n10.1.0.0/16\n"));
    }

    // The boxes' own menu speaks Russian.
    void listBoxMenuIsRussian() {
        QStringList items;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    if (!action->isSeparator()) items << action->text();
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), Input()->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(Input()->viewport(), &event);
        QCOMPARE(items, (QStringList{QStringLiteral("&Отменить"), QStringLiteral("&Повторить"),
                                     QStringLiteral("&Вырезать"), QStringLiteral("&Копировать"),
                                     QStringLiteral("В&ставить"), QStringLiteral("&Удалить"),
                                     QStringLiteral("В&ыделить всё")}));
    }

    // Alt with a letter types nothing: not a Latin letter, not the
    // delimiter label's own marked letter, in no box of the window.
    void altLetterTypesNothing_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("letter");
        for (const char* control : {"memInput", "memOutput", "edtDelimiter"}) {
            QTest::addRow("%s Alt+A", control) << QString::fromLatin1(control) << QStringLiteral("a");
            QTest::addRow("%s Alt+Р", control) << QString::fromLatin1(control) << QStringLiteral("р");
        }
    }

    void altLetterTypesNothing() {
        QFETCH(QString, control);
        QFETCH(QString, letter);
        auto* widget = window->findChild<QWidget*>(control);
        auto text = [&] {
            auto* memo = qobject_cast<TMemo*>(widget);
            return memo != nullptr ? BoxText(memo) : qobject_cast<QLineEdit*>(widget)->text();
        };
        if (auto* memo = qobject_cast<TMemo*>(widget)) memo->setPlainText(QStringLiteral("line1"));
        else qobject_cast<QLineEdit*>(widget)->clear();
        widget->setFocus();
        const QString before = text();
        QKeyEvent alt(QEvent::KeyPress, letter == u"a" ? Qt::Key_A : Qt::Key_unknown, Qt::AltModifier, letter);
        QApplication::sendEvent(widget, &alt);
        QCOMPARE(text(), before);
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, letter);
        QApplication::sendEvent(widget, &plain);
        QVERIFY(text() != before);  // without Alt the letter is typed
    }

    // With Ctrl a list box does what its shortcuts say and types nothing
    // else; the shortcuts act by the key's place on any layout (the X11 key
    // code a Russian keyboard sends for С, М, Я is that of C, V, Z; Qt's key
    // for a Cyrillic letter is its capital's code point).
    void ctrlKeysActByPlaceAndTypeNothing() {
        const QString list = QStringLiteral("10.0.0.0/8");
        auto press = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text, quint32 keycode = 0) {
            QKeyEvent event(QEvent::KeyPress, key, modifiers, keycode, 0, 0, text);
            QApplication::sendEvent(Input(), &event);
        };
        Input()->setFocus();
        Input()->setPlainText(list);
        Input()->selectAll(true);
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, ctrlShift = ctrl | Qt::ShiftModifier;
        press(Qt::Key_1, ctrl, QStringLiteral("1"));
        press(Qt::Key_Exclam, ctrlShift, QStringLiteral("!"));
        press(Qt::Key_Return, ctrl, QStringLiteral("\r"));
        press(0x0420, ctrl, QStringLiteral("р"), 43);  // H: bound to nothing
        QCOMPARE(BoxText(Input()), list);
        QCOMPARE(Input()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEMPTY), 0L);  // still selected
        QCOMPARE(BoxText(Output()), QString());  // Ctrl+Enter ran no conversion

        QGuiApplication::clipboard()->clear();
        press(0x0421, ctrl, QStringLiteral("с"), 54);
        QCOMPARE(QGuiApplication::clipboard()->text(), list);
        QGuiApplication::clipboard()->setText(QStringLiteral("192.168.0.0/16"));
        press(0x041C, ctrl, QStringLiteral("м"), 55);
        QCOMPARE(BoxText(Input()), QStringLiteral("192.168.0.0/16"));
        press(0x042F, ctrl, QStringLiteral("я"), 52);
        QCOMPARE(BoxText(Input()), list);
        press(0x042F, ctrlShift, QStringLiteral("Я"), 52);
        QCOMPARE(BoxText(Input()), QStringLiteral("192.168.0.0/16"));
        // Shift+Z alone types a capital Z; it is no redo.
        press(Qt::Key_Z, Qt::ShiftModifier, QStringLiteral("Z"));
        QCOMPARE(BoxText(Input()), QStringLiteral("192.168.0.0/16Z"));
    }

    // The delimiter field takes the same Ctrl keys by their place as the
    // list boxes: on a Russian-only layout each does what its Latin twin
    // does, and a Ctrl key bound to nothing types nothing.
    void delimiterCtrlKeysActByPlace_data() {
        QTest::addColumn<int>("cyrillic");  // Qt's key: the capital's code point
        QTest::addColumn<int>("keycode");   // X11's, the key's place
        QTest::addColumn<int>("latin");
        QTest::addColumn<bool>("selectFirst");
        QTest::addColumn<bool>("undoFirst");
        QTest::newRow("Ctrl+Ф selects all") << 0x0424 << 38 << int(Qt::Key_A) << false << false;
        QTest::newRow("Ctrl+С copies") << 0x0421 << 54 << int(Qt::Key_C) << true << false;
        QTest::newRow("Ctrl+М pastes") << 0x041C << 55 << int(Qt::Key_V) << true << false;
        QTest::newRow("Ctrl+Ч cuts") << 0x0427 << 53 << int(Qt::Key_X) << true << false;
        QTest::newRow("Ctrl+Я undoes") << 0x042F << 52 << int(Qt::Key_Z) << false << false;
        QTest::newRow("Ctrl+Н redoes") << 0x041D << 29 << int(Qt::Key_Y) << false << true;
        QTest::newRow("Ctrl+Р types nothing") << 0x0420 << 43 << int(Qt::Key_H) << true << false;
    }

    void delimiterCtrlKeysActByPlace() {
        QFETCH(int, cyrillic);
        QFETCH(int, keycode);
        QFETCH(int, latin);
        QFETCH(bool, selectFirst);
        QFETCH(bool, undoFirst);
        auto* edit = Find<QLineEdit>("edtDelimiter");
        edit->setFocus();
        struct State {
            QString text, selected, clipboard;
            bool operator==(const State&) const = default;
        };
        auto pressAfterSetUp = [&](int key, const QString& text) {
            edit->clear();
            QTest::keyClicks(edit, QStringLiteral("a/"));
            if (undoFirst) edit->undo();
            if (selectFirst) edit->selectAll();
            else edit->deselect();
            QGuiApplication::clipboard()->setText(QStringLiteral("|"));
            QKeyEvent event(QEvent::KeyPress, key, Qt::ControlModifier, static_cast<quint32>(keycode), 0, 0, text);
            QApplication::sendEvent(edit, &event);
            return State{edit->text(), edit->selectedText(), QGuiApplication::clipboard()->text()};
        };
        const State byLatin = pressAfterSetUp(latin, QString(QChar(latin).toLower()));
        const State byPlace = pressAfterSetUp(cyrillic, QString(QChar(cyrillic).toLower()));
        QCOMPARE(byPlace.text, byLatin.text);
        QCOMPARE(byPlace.selected, byLatin.selected);
        QCOMPARE(byPlace.clipboard, byLatin.clipboard);
        if (latin == Qt::Key_H) QCOMPARE(byPlace.text, QStringLiteral("a/"));
    }

    // Typing over a selection is one undo step with the text it replaced, as
    // in a plain box; a line break and the typing after it are steps of their own.
    void typingOverASelectionIsOneUndoStep() {
        Input()->setFocus();
        Input()->setPlainText(QStringLiteral("old"));
        Input()->selectAll(true);
        QTest::keyClicks(Input(), QStringLiteral("first line"));
        QTest::keyClick(Input(), Qt::Key_Return);
        QTest::keyClicks(Input(), QStringLiteral("second line"));
        for (const QString& left : {QStringLiteral("first line\n"), QStringLiteral("first line"), QStringLiteral("old")}) {
            QTest::keyClick(Input(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(BoxText(Input()), left);
        }
        Input()->selectAll(true);
        QTest::keyClicks(Input(), QStringLiteral("xyz"));
        QTest::keyClick(Input(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(BoxText(Input()), QStringLiteral("old"));
    }

    // A list with one line of 9 Mi characters of addresses that never repeat,
    // a short line and an empty last line, as a file holds it.
    static std::string LongAddressLineList() {
        std::string line;
        for (unsigned i = 0; line.size() < 9u << 20; ++i)
            line += std::to_string(10 + (i >> 16)) + "." + std::to_string(i >> 8 & 255) + "." + std::to_string(i & 255) + ".1 ";
        return line + "\n10.0.0.0/8\n";
    }

    // After End on the long line, a click on the empty last line is far past
    // that line's end: the box must not abort.
    void clickBelowACutLineAfterEnd() {
        const std::string list = LongAddressLineList();
        Input()->setFocus();
        Input()->SetUtf8Text(list);
        QTest::mouseClick(Input()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QTest::keyClick(Input(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(Input(), Qt::Key_End);
        const long last = Input()->SendScintilla(TMemo::SCI_GETLENGTH);
        const int y = static_cast<int>(Input()->SendScintilla(TMemo::SCI_POINTYFROMPOSITION, 0, last)) + 3;
        QTest::mouseClick(Input()->viewport(), Qt::LeftButton, {}, QPoint(40, y));
        QVERIFY(Input()->Utf8Text() == list);
        QCOMPARE(Input()->SendScintilla(TMemo::SCI_GETCURRENTPOS), last);
    }

    // Clicks, drags, double and triple clicks, the wheel and the moving keys,
    // with and without Shift and Alt, anywhere in a box that shows a cut
    // line: run in a child process (an abort there fails this test, not the
    // run), each step checked to leave the text whole.
    void randomWalkOnACutLine() {
        const QByteArray seedText = qgetenv("ORVANE_WALK_SEED");
        if (seedText.isEmpty()) {
            const unsigned seed = 20261209;
            qInfo("random walk seed %u", seed);
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("ORVANE_WALK_SEED"), QString::number(seed));
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::MergedChannels);
            // This very program as it was started: in a chroot the mount
            // namespace the tests make of their own leaves /proc/self/exe, and
            // so applicationFilePath(), naming a path outside the chroot.
            child.start(QCoreApplication::arguments().constFirst(), {QStringLiteral("randomWalkOnACutLine")});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            QVERIFY2(child.waitForFinished(240000), qPrintable(child.errorString()));
            const QByteArray output = child.readAll();
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.right(2000).constData());
            QVERIFY2(output.contains("walk done"), output.right(2000).constData());
            return;
        }
        std::mt19937 random(seedText.toUInt());
        const std::string list = LongAddressLineList();
        Input()->setFocus();
        Input()->SetUtf8Text(list);
        QWidget* view = Input()->viewport();
        auto point = [&] {
            return QPoint(static_cast<int>(random() % static_cast<unsigned>(view->width() + 40)) - 20,
                          static_cast<int>(random() % static_cast<unsigned>(view->height() + 20)) - 5);
        };
        const Qt::KeyboardModifiers modifierSets[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::AltModifier,
                                                      Qt::AltModifier | Qt::ShiftModifier, Qt::ControlModifier};
        const Qt::Key keys[] = {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown,
                                Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
        for (int step = 0; step < 400; ++step) {
            const Qt::KeyboardModifiers modifiers = modifierSets[random() % std::size(modifierSets)];
            const unsigned kind = random() % 6;
            qInfo("step %d: kind %u, modifiers %d", step, kind, static_cast<int>(modifiers));
            const QPoint at = point();
            switch (kind) {
                case 0: QTest::mouseClick(view, Qt::LeftButton, modifiers & ~Qt::ControlModifier, at); break;
                case 1: QTest::mouseDClick(view, Qt::LeftButton, {}, at); break;
                case 2:
                    for (int k = 0; k < 3; ++k) QTest::mouseClick(view, Qt::LeftButton, {}, at);
                    break;
                case 3: {
                    // A click first, so that the press never starts dragging a selection out.
                    QTest::mouseClick(view, Qt::LeftButton, {}, at);
                    const QPoint to = point();
                    QTest::mousePress(view, Qt::LeftButton, modifiers & Qt::AltModifier, at);
                    QTest::mouseMove(view, (at + to) / 2);
                    QTest::mouseMove(view, to);
                    QTest::mouseRelease(view, Qt::LeftButton, modifiers & Qt::AltModifier, to);
                    break;
                }
                case 4: {
                    const bool sideways = random() % 2 == 0;
                    const int delta = random() % 2 == 0 ? 120 : -120;
                    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), sideways ? QPoint(delta, 0) : QPoint(0, delta),
                                      Qt::NoButton, modifiers & Qt::ShiftModifier, Qt::NoScrollPhase, false);
                    QApplication::sendEvent(view, &wheel);
                    break;
                }
                default: QTest::keyClick(Input(), keys[random() % std::size(keys)], modifiers); break;
            }
            QCoreApplication::processEvents();
            QVERIFY2(Input()->Utf8Text() == list, qPrintable(QStringLiteral("step %1").arg(step)));
        }
        qInfo("walk done");
    }

    // A line too wide to show is cut where the next character would pass
    // TMemo::kWidestShownLine spaces: at a character, never inside one, with
    // a marker and a note; the box keeps it whole for the conversion and the
    // clipboard, and takes no edit but one replacing the whole text, which
    // undo and redo take back and forth.
    void longLinesAreShownCutAndKeptWhole() {
        const std::string cyrillic = "\u0436";
        std::string ya;
        for (int i = 0; i < 600000; ++i) ya += "\u042F";
        std::string tabs;
        for (int i = 0; i < 400000; ++i) tabs += i % 2 ? "\t" : "1";
        const std::string spaces(1 << 21, ' ');
        for (const std::string& line : {spaces, std::string(1 << 21, '1'), ya, tabs}) {
            const std::size_t cut = Input()->ShownBytes(line);
            QVERIFY(cut != std::string::npos);
            QVERIFY((static_cast<unsigned char>(line[cut]) & 0xC0) != 0x80);
            QCOMPARE(Input()->ShownBytes(line.substr(0, cut)), std::string::npos);
            const std::size_t next = cut + ((static_cast<unsigned char>(line[cut]) & 0x80) ? 2 : 1);
            QVERIFY(Input()->ShownBytes(line.substr(0, next)) != std::string::npos);
        }
        // Spaces are the unit of the limit.
        const std::size_t shownSpaces = Input()->ShownBytes(spaces);
        QVERIFY(shownSpaces >= TMemo::kWidestShownLine - 1000 && shownSpaces <= TMemo::kWidestShownLine);

        std::string first(Input()->ShownBytes(std::string(1 << 21, '1')) - 1, '1');
        first += cyrillic + cyrillic + cyrillic + "10.0.0.0/8";  // the cut falls before or between the Cyrillic letters
        const std::size_t firstCut = Input()->ShownBytes(first);
        QVERIFY(firstCut >= first.size() - 16 && firstCut < first.size() - 10);
        const std::string second = std::string(shownSpaces + 1, ' ');
        const std::string whole = "a\n" + first + "\nb\n" + second;
        Input()->setFocus();
        Input()->SetUtf8Text(whole);
        auto shown = [&](int line) {
            const long start = Input()->SendScintilla(TMemo::SCI_POSITIONFROMLINE, line);
            const long end = Input()->SendScintilla(TMemo::SCI_GETLINEENDPOSITION, line);
            const auto* text = reinterpret_cast<const char*>(
                Input()->SendScintilla(TMemo::SCI_GETRANGEPOINTER, start, end - start));
            return std::string(text, static_cast<std::size_t>(end - start));
        };
        QVERIFY(Input()->ShowsCutLines());
        QVERIFY(Input()->Utf8Text() == whole);
        QVERIFY(shown(1) == first.substr(0, firstCut) + "\u2026");
        QVERIFY(shown(3) == std::string(shownSpaces, ' ') + "\u2026");
        QCOMPARE(Input()->ListLineCount(), 4);
        QVERIFY(Input()->SendScintilla(TMemo::SCI_ANNOTATIONGETLINES, 1) > 0);
        QVERIFY(Input()->HasVisibleText());

        // Copying a cut line takes it whole.
        Input()->SendScintilla(TMemo::SCI_SETSEL, Input()->SendScintilla(TMemo::SCI_POSITIONFROMLINE, 1),
                               Input()->SendScintilla(TMemo::SCI_POSITIONFROMLINE, 2) + 1);
        QTest::keyClick(Input(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(first + "\nb"));

        // A selection up to the marker copies what is shown; one that takes the marker in copies the rest too.
        {
            const std::string xs = "a\n" + std::string(Input()->ShownBytes(std::string(1 << 21, 'x')) + 1, 'x');
            Input()->SetUtf8Text(xs);
            const long marker = Input()->SendScintilla(TMemo::SCI_GETLINEENDPOSITION, 1) - 3;
            Input()->SendScintilla(TMemo::SCI_SETSEL, 0, marker);
            Input()->copy();
            QVERIFY(QGuiApplication::clipboard()->text().toStdString() == xs.substr(0, xs.size() - 1));
            Input()->SendScintilla(TMemo::SCI_SETSEL, 0, marker + 3);
            Input()->copy();
            QVERIFY(QGuiApplication::clipboard()->text().toStdString() == xs);
            Input()->SetUtf8Text(whole);
        }
        // Text an input method commits is refused like a typed key.
        Input()->SendScintilla(TMemo::SCI_GOTOPOS, 1);
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("ж"));
        QApplication::sendEvent(Input(), &composed);
        QVERIFY(Input()->Utf8Text() == whole);

        // Edits short of the whole text are refused, in any line.
        Input()->SendScintilla(TMemo::SCI_GOTOPOS, 1);
        QTest::keyClick(Input(), Qt::Key_Backspace);
        QTest::keyClicks(Input(), QStringLiteral("x"));
        Input()->paste();
        QVERIFY(Input()->Utf8Text() == whole);

        Input()->selectAll(true);
        QTest::keyClicks(Input(), QStringLiteral("xy"));
        QVERIFY(Input()->Utf8Text() == "xy");
        QVERIFY(!Input()->ShowsCutLines());
        QCOMPARE(Input()->SendScintilla(TMemo::SCI_ANNOTATIONGETLINES, 0), 0L);
        QTest::keyClick(Input(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == whole);
        QVERIFY(Input()->ShowsCutLines());
        QTest::keyClick(Input(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == "xy");

        // A long line pasted is cut too, the rest of the text kept.
        Input()->SetUtf8Text("x\ny");
        Input()->SendScintilla(TMemo::SCI_GOTOPOS, 1);
        QGuiApplication::clipboard()->setText(QString::fromStdString(second + "z"));
        QTest::keyClick(Input(), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == "x" + second + "z\ny");
        QVERIFY(Input()->ShowsCutLines());
        QVERIFY(Input()->HasVisibleText());
        // Undo brings back what the paste replaced, redo the paste, as for any paste.
        QTest::keyClick(Input(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == "x\ny");
        QVERIFY(!Input()->ShowsCutLines());
        QTest::keyClick(Input(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == "x" + second + "z\ny");
        QTest::keyClick(Input(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == "x\ny");
        // Typed after the undo, the paste cannot come back over it.
        QTest::keyClicks(Input(), QStringLiteral("w"));
        QTest::keyClick(Input(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == "xw\ny");
        // A drop from another program likewise.
        Input()->SetUtf8Text("old");
        QMimeData mime;
        mime.setText(QString::fromStdString(second));
        QDragEnterEvent enter(QPoint(2, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Input()->viewport(), &enter);
        QDragMoveEvent move(QPoint(2, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Input()->viewport(), &move);
        QDropEvent drop(QPointF(2, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Input()->viewport(), &drop);
        QVERIFY(Input()->Utf8Text() == second + "old");
        QTest::keyClick(Input(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Input()->Utf8Text() == "old");
        Input()->SetUtf8Text(second);
        QVERIFY(!Input()->HasVisibleText());
    }

    // No zoom by the wheel; a double click takes a whole network; the tick's
    // question about visible text follows every edit, not a walk of the box.
    void listBoxesKeepPlainBoxHabits() {
        Input()->setPlainText(QStringLiteral("   \n\t10.1.2.3/24 x"));
        QWheelEvent wheel(QPointF(10, 10), Input()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Input()->viewport(), &wheel);
        QCOMPARE(Input()->SendScintilla(QsciScintillaBase::SCI_GETZOOM), 0L);
        QCOMPARE(Input()->SendScintilla(QsciScintillaBase::SCI_WORDSTARTPOSITION, 7UL, 1L), 5L);
        QCOMPARE(Input()->SendScintilla(QsciScintillaBase::SCI_WORDENDPOSITION, 7UL, 1L), 16L);
        QVERIFY(Input()->HasVisibleText());
        Input()->setSelection(1, 0, 1, 14);
        Input()->removeSelectedText();
        QVERIFY(!Input()->HasVisibleText());
        Input()->undo();
        QVERIFY(Input()->HasVisibleText());
        Input()->clear();
        QVERIFY(!Input()->HasVisibleText());
        // Undo takes back the typing of a line, then the line break, then the line before it.
        QTest::keyClicks(Input(), QStringLiteral("ab"));
        QTest::keyClick(Input(), Qt::Key_Return);
        QTest::keyClicks(Input(), QStringLiteral("cd ef"));
        for (const QString& left : {QStringLiteral("ab\n"), QStringLiteral("ab"), QString()}) {
            QTest::keyClick(Input(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(BoxText(Input()), left);
        }
    }

    // An assistive tool that starts listening reads the list box's text and
    // is told of its edits (QScintilla tells it where it emits textChanged);
    // until one listens, no edit is reported at all.
    void listBoxSpeaksToAssistiveToolsOnlyWhenOneListens() {
        const auto done = qScopeGuard([] { QAccessible::setActive(false); });
        QSignalSpy reported(Input(), &QsciScintilla::textChanged);
        Input()->setPlainText(QStringLiteral("10.0.0.0/8"));
        Input()->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QTest::keyClick(Input(), Qt::Key_Z);
        QCOMPARE(reported.count(), 0);
        QVERIFY(QAccessible::queryAccessibleInterface(Input())->textInterface() == nullptr);

        QAccessible::setActive(true);
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(Input())->textInterface();
        QVERIFY(text != nullptr);
        QTest::keyClick(Input(), Qt::Key_Y);
        QCOMPARE(reported.count(), 1);
        QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("10.0.0.0/8zy"));
    }

    // ---- Options: the delimiter and the output form ----

    void delimiterRewritesRadioItems() {
        auto* edit = Find<QLineEdit>("edtDelimiter");
        auto* item1 = Find<QRadioButton>("rbtTransformType1");
        auto* item2 = Find<QRadioButton>("rbtTransformType2");
        QCOMPARE(item2->text(), QStringLiteral(" Адрес / Д&линная маска"));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(item1->text(), QStringLiteral(" Адрес&Короткая маска"));
        QCOMPARE(item2->text(), QStringLiteral(" Адрес&Длинная маска"));
        QTest::keyClicks(edit, QStringLiteral("abcd"));
        QCOMPARE(edit->text(), QStringLiteral("abc"));  // the fourth character is refused
        window->SetDelimiter(QStringLiteral(" -- "));  // the program may set more
        QCOMPARE(edit->text(), QStringLiteral(" -- "));
        QCOMPARE(item1->text(), QStringLiteral(" Адрес -- &Короткая маска"));
        edit->end(false);
        QTest::keyClick(edit, Qt::Key_X);
        QCOMPARE(edit->text(), QStringLiteral(" -- "));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral(" --"));
        window->SetTransformType(2);
        window->SetDelimiter(QStringLiteral("|"));
        QCOMPARE(window->TransformType(), 2);  // rewriting items keeps the selection
    }

    // A paste keeps what fits of its text, as typing stops at three characters.
    void delimiterKeepsTheStartOfALongPaste() {
        auto* edit = Find<QLineEdit>("edtDelimiter");
        edit->setFocus();
        edit->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("abcd"));
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("abc"));
        edit->setText(QStringLiteral("ab"));
        edit->home(false);
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("aab"));
        QCOMPARE(edit->cursorPosition(), 1);
    }

    // A line break never gets into the delimiter: a paste keeps what fits
    // before it, and other control characters are dropped.
    void delimiterTakesNoLineBreak_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("kept");
        QTest::newRow("blank, break, blank") << QStringLiteral(" \n ") << QStringLiteral(" ");
        QTest::newRow("CR LF first") << QStringLiteral("\r\n/") << QString();
        QTest::newRow("tab inside") << QStringLiteral("a\tb\nc") << QStringLiteral("ab");
    }

    void delimiterTakesNoLineBreak() {
        QFETCH(QString, pasted);
        QFETCH(QString, kept);
        auto* edit = Find<QLineEdit>("edtDelimiter");
        edit->setFocus();
        edit->clear();
        QGuiApplication::clipboard()->setText(pasted);
        edit->paste();
        QCOMPARE(edit->text(), kept);
    }
};

int main(int argc, char** argv) { return RunWindowTests<MainWindowTest>(argc, argv); }

#include "window_test.moc"
