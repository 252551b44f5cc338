#include "Application.h"

#include <cstdio>

#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <exception>

#include "Dialogs.h"
#include "FileIo.h"

// The resources live in a static library: they must be registered by hand.
static void InitProgramResources() { Q_INIT_RESOURCE(resources); }

namespace orvane::ui {
namespace {

QString ProgramFontFamily() {
    static const QString family = [] {
        if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) return QStringLiteral("Tahoma");
        const QString wineTahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
        if (QFile::exists(wineTahoma)) {
            const int id = QFontDatabase::addApplicationFont(wineTahoma);
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty()) {
                QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf"));
                return families.constFirst();
            }
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

class FrameCentring : public QObject {
public:
    FrameCentring(QWidget* window, std::function<QRect()> area)
        : QObject(window), window_(window), area_(std::move(area)) {
        Centre();
        window_->installEventFilter(this);
        // A window manager that has not framed the window by then never will.
        QTimer::singleShot(2000, this, [this] { deleteLater(); });
    }

    bool eventFilter(QObject*, QEvent*) override {
        if (window_->frameGeometry() != window_->geometry()) {
            window_->removeEventFilter(this);
            Centre();
            deleteLater();
        }
        return false;
    }

private:
    void Centre() {
        const QRect area = area_();
        const QRect frame = window_->frameGeometry();
        window_->move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
    }

    QWidget* window_;
    std::function<QRect()> area_;
};

}  // namespace

void CentreFrame(QWidget* window, std::function<QRect()> area) { new FrameCentring(window, std::move(area)); }

QFont ProgramFont(int pixelSize, bool bold) {
    QFont font(ProgramFontFamily());
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InitProgramResources();
    IgnoreFileSizeLimitSignal();
    // Sizes and dates in the file dialogs are written the Russian way, whatever the system's locale.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    // The settings file is the program's only configuration: Qt's file
    // dialog would otherwise keep the user's folders in ~/.config/QtProject.conf
    // and read them back. A path where no file can be made keeps it from both.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    // The toolkit's own texts (file dialogs, standard buttons) in Russian too.
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    setApplicationName(QStringLiteral("Orvane"));
    setFont(ProgramFont());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    ReportErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
    return message;
}

void TApplication::ShowException(const std::exception& error) noexcept {
    try {
        MessageBoxes::Show(QApplication::activeWindow(), QMessageBox::Critical, QStringLiteral("Orvane"),
                           ErrorReportText(QString::fromUtf8(error.what())));
    } catch (...) {
        // Out of memory or the like while showing the box: the message at least reaches the terminal.
        std::fputs("Orvane: ", stderr);
        std::fputs(error.what(), stderr);
        std::fputc('\n', stderr);
    }
}

}  // namespace orvane::ui
