// main() and file helpers for the window tests: the offscreen platform, the
// program's own application object, and (as root) a mount namespace of the
// test's own in which small or read-only file systems can be mounted to make
// saves fail.
#pragma once

#include <QDir>
#include <QFile>
#include <QTest>
#include <sched.h>
#include <string.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include "Application.h"
#include "Memo.h"

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A list box's text as the box holds it.
inline QString BoxText(const orvane::ui::TMemo* memo) {
    const std::string_view utf8 = memo->Utf8Text();
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// True when the test may mount file systems; set before the tests run, with
// the reason why not when it may not.
inline bool g_privateMounts = false;
inline QString g_mountSkipReason;

// XDG_CONFIG_HOME set (or, empty, unset) for as long as it lives.
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const QString& folder) : old_(qgetenv("XDG_CONFIG_HOME")), had_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        if (folder.isEmpty()) qunsetenv("XDG_CONFIG_HOME");
        else qputenv("XDG_CONFIG_HOME", folder.toLocal8Bit());
    }
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;
    ~ScopedConfigHome() {
        if (had_) qputenv("XDG_CONFIG_HOME", old_);
        else qunsetenv("XDG_CONFIG_HOME");
    }

private:
    QByteArray old_;
    bool had_;
};

// The home folder the tests run with: a scratch folder of their own, so a
// test can see what the program writes there (and nothing lands in the real one).
inline QByteArray g_scratchHome;

template <typename Test>
int RunWindowTests(int argc, char** argv) {
    // Must happen before Qt starts threads: a threaded process cannot unshare.
    if (::geteuid() != 0) {
        g_mountSkipReason = QStringLiteral("needs root to mount a file system of its own");
    } else if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        g_mountSkipReason = QStringLiteral("runs as root, but no private mount namespace can be made here (%1)")
                                .arg(QString::fromLocal8Bit(::strerror(errno)));
    } else {
        g_privateMounts = true;
    }
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
