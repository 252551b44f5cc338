// The About window: version caption, keys, placement, logo and link.
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QScopeGuard>
#include <QUrl>

#include "Application.h"
#include "WindowTestMain.h"
#include "unAbout.h"

using namespace orvane::ui;

class AboutTest : public QObject {
    Q_OBJECT

public slots:
    void OpenUrl(const QUrl& url) { opened << url; }

private:
    QList<QUrl> opened;
    static QString Caption(TfmAbout& about) { return about.findChild<QLabel*>(QStringLiteral("lblVer"))->text(); }

private slots:
    void captionShowsTheExecutablesVersion_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("firstLine");  // the "c" of "cборка" is the Latin letter
        QTest::newRow("2.10.0.123") << QStringLiteral(VERSION_2_10_0_123) << QStringLiteral("Версия 2.10.0 (cборка 123).");
        QTest::newRow("65535 parts") << QStringLiteral(VERSION_65535)
                                     << QStringLiteral("Версия 65535.65535.65535 (cборка 65535).");
        QTest::newRow("no record") << QStringLiteral("/bin/true") << QStringLiteral("Версия 0.0.0 (cборка 0).");
        QTest::newRow("program's own") << QStringLiteral(ORVANE_EXECUTABLE) << QStringLiteral("Версия 1.0.2 (cборка 6).");
    }
    void captionShowsTheExecutablesVersion() {
        QFETCH(QString, executable);
        QFETCH(QString, firstLine);
        TfmAbout about(nullptr, executable);
        QCOMPARE(Caption(about), firstLine + QStringLiteral("\n\n© 2026 Orvane\nВсе права защищены."));
    }

    void windowIsLaidOutAsDesigned() {
        TfmAbout about(nullptr, QStringLiteral("/bin/true"));
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(about.size(), QSize(355, 257));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblLink"))->text(), QStringLiteral("www.orvane.example"));
        const QString info = about.findChild<QLabel*>(QStringLiteral("lblInfo"))->text();
        QCOMPARE(info.split(u'\n').size(), 8);
        QVERIFY(info.startsWith(QStringLiteral("Orvane \u2014 программа, предназначенная для преобразо-\n")));
        QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("btOK"))->focusPolicy() != Qt::NoFocus, true);
    }

    void enterAndEscCloseThroughOk_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void enterAndEscCloseThroughOk() {
        QFETCH(int, key);
        TfmAbout about(nullptr, QStringLiteral("/bin/true"));
        QSignalSpy clicked(about.findChild<QPushButton*>(QStringLiteral("btOK")), &QPushButton::clicked);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key(key));
        QCOMPARE(clicked.count(), 1);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void centredOverTheMainWindowAtFirstShowingOnly() {
        QWidget main;
        main.setGeometry(100, 80, 507, 464);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        TfmAbout about(&main, QStringLiteral("/bin/true"));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QRect m = main.frameGeometry(), a = about.frameGeometry();
        QCOMPARE(a.topLeft(), QPoint(m.x() + (m.width() - a.width()) / 2, m.y() + (m.height() - a.height()) / 2));
        about.hide();
        main.move(300, 200);
        about.show();
        QCOMPARE(about.frameGeometry().topLeft(), a.topLeft());
    }

    void logoIsDecodedAndACorruptOneShowsNothing() {
        TfmAbout about(nullptr, QStringLiteral("/bin/true"));
        auto* logo = about.findChild<QLabel*>(QStringLiteral("imgLogo"));
        QCOMPARE(logo->pixmap().size(), QSize(64, 64));

        QFile file(QStringLiteral(":/logo.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray jpeg = file.readAll();
        QByteArray flipped = jpeg;
        for (qsizetype i = 200; i < flipped.size() - 2; i += 7) flipped[i] = char(flipped[i] ^ 0x5A);
        for (const QByteArray& bad : {jpeg.left(jpeg.size() / 2), QByteArray("not a picture"), QByteArray(), flipped,
                                      jpeg.left(3)}) {
            about.SetLogo(bad);
            QVERIFY(logo->pixmap().isNull());
            about.SetLogo(jpeg);
            QCOMPARE(logo->pixmap().size(), QSize(64, 64));
        }
    }

    void linkOpensTheMakersSite() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "OpenUrl");
        // Unset however the test ends: a failed check returns early.
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); });
        TfmAbout about(nullptr, QStringLiteral("/bin/true"));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("lblLink")), Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://www.orvane.example/"))});
        QVERIFY(about.isVisible());
    }
};

int main(int argc, char** argv) { return RunWindowTests<AboutTest>(argc, argv); }

#include "about_test.moc"
