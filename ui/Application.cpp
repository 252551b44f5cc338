#include "Application.h"

#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
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

}  // namespace

QFont ProgramFont(int pixelSize, bool bold) {
    QFont font(ProgramFontFamily());
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InitProgramResources();
    IgnoreFileSizeLimitSignal();
    // The toolkit's own texts (file dialogs, standard buttons) in Russian too.
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    setApplicationName(QStringLiteral("Orvane"));
    setFont(ProgramFont());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    }
    return false;
}

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
    return message;
}

void TApplication::ShowException(const QString& message) {
    MessageBoxes::Show(QApplication::activeWindow(), QMessageBox::Critical, QStringLiteral("Orvane"),
                       ErrorReportText(message));
}

}  // namespace orvane::ui
