// main() and file helpers for the window tests: the offscreen platform, the
// program's own application object, and (as root) a mount namespace of the
// test's own in which small or read-only file systems can be mounted to make
// saves fail.
#pragma once

#include <QDir>
#include <QFile>
#include <QTest>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include "Application.h"

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// True when the test may mount file systems; set before the tests run.
inline bool g_privateMounts = false;

// The home folder the tests run with: a scratch folder of their own, so a
// test can see what the program writes there (and nothing lands in the real one).
inline QByteArray g_scratchHome;

template <typename Test>
int RunWindowTests(int argc, char** argv) {
    // Must happen before Qt starts threads: a threaded process cannot unshare.
    if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0)
        g_privateMounts = true;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QByteArray home = QByteArray(qgetenv("TMPDIR").isEmpty() ? "/tmp" : qgetenv("TMPDIR")) + "/orvane-home-XXXXXX";
    if (::mkdtemp(home.data()) == nullptr) qFatal("cannot make a scratch home folder");
    g_scratchHome = home;
    qputenv("HOME", home);
    qunsetenv("XDG_CONFIG_HOME");
    int status;
    {
        orvane::ui::TApplication app(argc, argv);
        Test test;
        status = QTest::qExec(&test, argc, argv);
    }
    QDir(QString::fromLocal8Bit(home)).removeRecursively();
    return status;
}
