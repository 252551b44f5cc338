// Options and folders surviving a restart through the settings file.
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/mount.h>

#include "Application.h"
#include "Memo.h"
#include "Dialogs.h"
#include "WindowTestMain.h"
#include "unMain.h"

using namespace orvane::ui;

namespace {

const QByteArray kFirstRun =
    "[Main]\nFormVersion=0\nOpenPath=\nSavePath=\nSort=True\nRemoveDuplicates=True\nMaskDelimiter=@ / @\n"
    "TransformType=0\n";

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString ini;
    std::unique_ptr<TfmMain> window;

    void Start() {
        window = std::make_unique<TfmMain>(ini);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    // A close request as the user makes it; true when the window closed.
    bool Close() { return window->close(); }
    bool Sort() { return window->findChild<QCheckBox*>(QStringLiteral("cbxSort"))->isChecked(); }
    bool RemoveDuplicates() { return window->findChild<QCheckBox*>(QStringLiteral("cbxRemoveDuplicates"))->isChecked(); }
    QLineEdit* Delimiter() { return window->findChild<QLineEdit*>(QStringLiteral("edtDelimiter")); }

private slots:
    void init() {
        ini = dir.filePath(QStringLiteral("orvane.ini"));
        QFile::remove(ini);
        ResetTestSeams();
    }
    void cleanup() {
        if (window) window->close();
        window.reset();
    }

    void firstRunWritesTheDefaults() {
        Start();
        QVERIFY(Sort());
        QVERIFY(RemoveDuplicates());
        QCOMPARE(Delimiter()->text(), QStringLiteral(" / "));
        QCOMPARE(window->TransformType(), 0);
        QVERIFY(Close());
        QCOMPARE(ReadFile(ini), kFirstRun);
    }

    void everyOptionSurvivesARestart() {
        Start();
        window->findChild<QCheckBox*>(QStringLiteral("cbxSort"))->setChecked(false);
        window->SetDelimiter(QStringLiteral("\t"));
        window->SetTransformType(2);
        window->OpenDialog().SetInitialDir(QStringLiteral("/srv/lists/"));
        window->SaveDialog().SetInitialDir(QStringLiteral("/home/пользователь"));
        QVERIFY(Close());
        window.reset();

        Start();
        QVERIFY(!Sort());
        QVERIFY(RemoveDuplicates());
        QCOMPARE(Delimiter()->text(), QStringLiteral("\t"));
        QCOMPARE(window->TransformType(), 2);
        QCOMPARE(window->OpenDialog().InitialDir(), QStringLiteral("/srv/lists"));
        QCOMPARE(window->SaveDialog().InitialDir(), QStringLiteral("/home/пользователь"));
        QVERIFY(!MessageBoxes::LastMessage().has_value());
    }

    void storedTextsAreRead_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<bool>("sort");
        QTest::addColumn<bool>("removeDuplicates");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<int>("transformType");
        QTest::addColumn<QByteArray>("savedBack");  // a line the next save writes
        QTest::newRow("false and zero untick") << QByteArray("Sort=false\nRemoveDuplicates=0\n") << false << false
                                               << QStringLiteral(" / ") << 0 << QByteArray("Sort=False");
        QTest::newRow("TRUE and 2 tick") << QByteArray("Sort=TRUE\nRemoveDuplicates=2\n") << true << true
                                         << QStringLiteral(" / ") << 0 << QByteArray("RemoveDuplicates=True");
        QTest::newRow("third item") << QByteArray("TransformType=2\n") << true << true << QStringLiteral(" / ") << 2
                                    << QByteArray("TransformType=2");
        QTest::newRow("7 clamps to 2") << QByteArray("TransformType=7\n") << true << true << QStringLiteral(" / ") << 2
                                       << QByteArray("TransformType=2");
        QTest::newRow("-3 clamps to none") << QByteArray("TransformType=-3\n") << true << true << QStringLiteral(" / ")
                                           << -1 << QByteArray("TransformType=-1");
        QTest::newRow("hex $1") << QByteArray("TransformType=$1\n") << true << true << QStringLiteral(" / ") << 1
                                << QByteArray("TransformType=1");
        QTest::newRow("true is 1") << QByteArray("TransformType=true\n") << true << true << QStringLiteral(" / ") << 1
                                   << QByteArray("TransformType=1");
        QTest::newRow("@@ is empty") << QByteArray("MaskDelimiter=@@\n") << true << true << QString() << 0
                                     << QByteArray("MaskDelimiter=@@");
        QTest::newRow("every @ removed") << QByteArray("MaskDelimiter=@a@b@\n") << true << true << QStringLiteral("ab")
                                         << 0 << QByteArray("MaskDelimiter=@ab@");
        QTest::newRow("bare delimiter loses blanks") << QByteArray("MaskDelimiter= / \n") << true << true
                                                     << QStringLiteral("/") << 0 << QByteArray("MaskDelimiter=@/@");
        QTest::newRow("four characters shown whole") << QByteArray("MaskDelimiter=@ -- @\n") << true << true
                                                     << QStringLiteral(" -- ") << 0 << QByteArray("MaskDelimiter=@ -- @");
        QTest::newRow("folder loses its final slash") << QByteArray("OpenPath=/data/lists/\n") << true << true
                                                      << QStringLiteral(" / ") << 0 << QByteArray("OpenPath=/data/lists\n");
        QTest::newRow("root folder stays") << QByteArray("SavePath=/\n") << true << true << QStringLiteral(" / ") << 0
                                           << QByteArray("SavePath=/\n");
        QTest::newRow("version below 0 restores nothing")
            << QByteArray("FormVersion=-1\nSort=False\nTransformType=2\n") << true << true << QStringLiteral(" / ") << 0
            << QByteArray("FormVersion=0");
        QTest::newRow("version not a number counts as 0") << QByteArray("FormVersion=abc\nSort=False\n") << false << true
                                                          << QStringLiteral(" / ") << 0 << QByteArray("FormVersion=0");
    }
    void storedTextsAreRead() {
        QFETCH(QByteArray, keys);
        QFETCH(bool, sort);
        QFETCH(bool, removeDuplicates);
        QFETCH(QString, delimiter);
        QFETCH(int, transformType);
        QFETCH(QByteArray, savedBack);
        WriteFile(ini, "[Main]\n" + keys);
        Start();
        QCOMPARE(Sort(), sort);
        QCOMPARE(RemoveDuplicates(), removeDuplicates);
        QCOMPARE(Delimiter()->text(), delimiter);
        QCOMPARE(window->TransformType(), transformType);
        QVERIFY(!MessageBoxes::LastMessage().has_value());
        QVERIFY(Close());
        QVERIFY2(ReadFile(ini).contains(savedBack), ReadFile(ini).constData());
    }

    // A value that does not convert is reported (its message ends in a
    // bracket, so no full stop is added) and keeps its control; the
    // values after it are still restored, so the next save loses nothing.
    void badValueIsReportedAndTheRestIsRestored_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("message");
        QTest::newRow("Sort empty") << QByteArray("Sort=\n")
                                    << QStringLiteral("Could not convert variant of type (String) into type (Boolean)");
        QTest::newRow("Sort abc") << QByteArray("Sort=abc\n")
                                  << QStringLiteral("Could not convert variant of type (String) into type (Boolean)");
        QTest::newRow("TransformType x") << QByteArray("TransformType=x\n")
                                         << QStringLiteral("Could not convert variant of type (String) into type (Boolean)");
        QTest::newRow("TransformType too large")
            << QByteArray("TransformType=99999999999\n")
            << QStringLiteral("Overflow while converting variant of type (String) into type (Integer)");
    }
    void badValueIsReportedAndTheRestIsRestored() {
        QFETCH(QByteArray, keys);
        QFETCH(QString, message);
        WriteFile(ini, "[Main]\nOpenPath=/srv\nRemoveDuplicates=False\nMaskDelimiter=@:@\n" + keys);
        MessageBoxes::SetNextAnswer(QMessageBox::Ok);
        Start();
        const auto shown = MessageBoxes::LastMessage();
        QVERIFY(shown.has_value());
        QCOMPARE(shown->title, QStringLiteral("Orvane"));
        QCOMPARE(shown->icon, QMessageBox::Critical);
        QCOMPARE(shown->text, message);
        QVERIFY(Sort());
        QCOMPARE(window->TransformType(), 0);
        QCOMPARE(window->OpenDialog().InitialDir(), QStringLiteral("/srv"));
        QVERIFY(!RemoveDuplicates());
        QCOMPARE(Delimiter()->text(), QStringLiteral(":"));
        QVERIFY(Close());
        const QByteArray saved = ReadFile(ini);
        QVERIFY(saved.contains("RemoveDuplicates=False\n"));
        QVERIFY(saved.contains("MaskDelimiter=@:@\n"));
        QVERIFY(saved.contains("Sort=True\n"));
    }

    void otherKeysAndSectionsSurvive() {
        const QByteArray before = "; my notes\r\n[Main]\r\nColour=blue\r\nSort=False\r\n\r\n[Window]\r\nLeft=10\r\n";
        WriteFile(ini, before);
        Start();
        QVERIFY(Close());
        QCOMPARE(ReadFile(ini), QByteArray("; my notes\r\n[Main]\r\nColour=blue\r\nSort=False\r\nFormVersion=0\r\n"
                                           "OpenPath=\r\nSavePath=\r\nRemoveDuplicates=True\r\nMaskDelimiter=@ / @\r\n"
                                           "TransformType=0\r\n\r\n[Window]\r\nLeft=10\r\n"));
    }

    void typedAtSignComesBackEmpty() {
        Start();
        Delimiter()->clear();
        QTest::keyClicks(Delimiter(), QStringLiteral("@"));
        QVERIFY(Close());
        QVERIFY(ReadFile(ini).contains("MaskDelimiter=@@@\n"));
        window.reset();
        Start();
        QCOMPARE(Delimiter()->text(), QString());
    }

    // A copy whose folder is the user's keeps its settings beside itself; one
    // in a folder the user may not write keeps them under ~/.config, which
    // its first close makes.
    void settingsLiveWhereTheUserMayWrite() {
        QTemporaryDir program, config;
        const QString elsewhere = config.filePath(QStringLiteral("bin"));
        QCOMPARE(TfmMain::SettingsFileFor(program.path(), elsewhere), program.filePath(QStringLiteral("orvane.ini")));

        const QByteArray where = program.path().toLocal8Bit();
        if (g_privateMounts) {
            QVERIFY(::mount(where.constData(), where.constData(), nullptr, MS_BIND, nullptr) == 0);
            QVERIFY(::mount(nullptr, where.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0);
        } else {
            QVERIFY(QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner));
        }
        const bool unwritable = ::access(where.constData(), W_OK) != 0;
        if (!unwritable) QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!unwritable) QSKIP(qPrintable(g_mountSkipReason + QStringLiteral(", and permissions do not stop root")));
        ScopedConfigHome home(config.path());
        ini = TfmMain::SettingsFileFor(program.path(), elsewhere);
        QCOMPARE(ini, config.filePath(QStringLiteral("orvane/orvane.ini")));
        Start();
        window->findChild<QCheckBox*>(QStringLiteral("cbxSort"))->setChecked(false);
        QVERIFY(Close());
        window.reset();
        Start();
        QVERIFY(!Sort());
        QVERIFY(Close());
        window.reset();
        if (g_privateMounts) ::umount(where.constData());
        else QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // An installed program keeps its settings under $XDG_CONFIG_HOME (by
    // default ~/.config) even where it may write its own folder, as root
    // may: nothing is written beside it for every other user to find.
    void installedProgramNeverWritesBesideItself() {
        QTemporaryDir bin, config;
        QVERIFY(::access(bin.path().toLocal8Bit().constData(), W_OK) == 0);
        {
            ScopedConfigHome home(config.path());
            ini = TfmMain::SettingsFileFor(bin.path(), bin.path() + QStringLiteral("/."));
            QCOMPARE(ini, config.filePath(QStringLiteral("orvane/orvane.ini")));
            Start();
            window->findChild<QCheckBox*>(QStringLiteral("cbxSort"))->setChecked(false);
            QVERIFY(Close());
            window.reset();
            QVERIFY(QFileInfo::exists(ini));
            QCOMPARE(QDir(bin.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
            // Even a file left beside it by an earlier version is not taken up.
            WriteFile(bin.filePath(QStringLiteral("orvane.ini")), "[Main]\nSort=True\n");
            QCOMPARE(TfmMain::SettingsFileFor(bin.path(), bin.path()), ini);
        }
        ScopedConfigHome unset(QString{});
        QCOMPARE(TfmMain::SettingsFileFor(bin.path(), bin.path()), QDir::homePath() + QStringLiteral("/.config/orvane/orvane.ini"));
    }

    // When the settings cannot be written the user is told, the window keeps
    // working, and the user decides whether to close anyway.
    void failedSaveNeverTrapsTheUser_data() {
        QTest::addColumn<bool>("closeAnyway");
        QTest::newRow("stay") << false;
        QTest::newRow("close without saving") << true;
    }
    void failedSaveNeverTrapsTheUser() {
        QFETCH(bool, closeAnyway);
        if (!g_privateMounts) QSKIP(qPrintable(g_mountSkipReason));
        QTemporaryDir mountDir;
        const QByteArray where = mountDir.path().toLocal8Bit();
        QVERIFY(::mount("tmpfs", where.constData(), "tmpfs", 0, "size=64k") == 0);
        ini = mountDir.filePath(QStringLiteral("orvane.ini"));
        WriteFile(ini, "[Main]\nSort=False\n");
        QVERIFY(::mount("tmpfs", where.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        Start();
        QVERIFY(!Sort());
        MessageBoxes::SetNextAnswer(QMessageBox::Ok);
        MessageBoxes::SetNextAnswer(closeAnyway ? QMessageBox::Yes : QMessageBox::No);
        const bool closed = Close();
        const auto shown = MessageBoxes::ShownMessages();
        const auto question = MessageBoxes::LastMessage();
        const QByteArray kept = ReadFile(ini);
        QCOMPARE(closed, closeAnyway);
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0].text, QStringLiteral("Unable to write to %1.").arg(ini));
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QVERIFY(question.has_value());
        QCOMPARE(question->text, QStringLiteral("Настройки не сохранены. Закрыть программу без сохранения настроек?"));
        QCOMPARE(question->icon, QMessageBox::Question);
        QCOMPARE(kept, QByteArray("[Main]\nSort=False\n"));
        if (!closeAnyway) {
            // The timer runs again: the captions follow the input.
            window->findChild<orvane::ui::TMemo*>(QStringLiteral("memInput"))->clear();
            QTRY_VERIFY(!window->findChild<QPushButton*>(QStringLiteral("btnTransform"))->isEnabled());
            MessageBoxes::SetNextAnswer(QMessageBox::Ok);
            MessageBoxes::SetNextAnswer(QMessageBox::Yes);
            QVERIFY(Close());
        }
        window.reset();  // no second attempt when the user chose to close
        ::umount(where.constData());
    }
};

int main(int argc, char** argv) { return RunWindowTests<SettingsTest>(argc, argv); }

#include "settings_test.moc"
