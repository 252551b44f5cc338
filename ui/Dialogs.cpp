#include "Dialogs.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>
#include <deque>

namespace orvane::ui {
namespace {

// Test seams only: nothing in the program sets them.
struct Seams {
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<ShownMessage> messages;
    struct FileAnswer {
        bool chosen;
        QString name;
    };
    std::deque<FileAnswer> fileNames;
};

Seams& TestSeams() {
    static Seams seams;
    return seams;
}

}  // namespace

QString RussianByteCount(qint64 bytes) {
    // Qt's Russian "bytes" has one form for every number; Russian has two here: 1, 21 байт; 2-4, 22 байта; 5-20 байт.
    const qint64 ones = bytes % 10, tens = bytes % 100;
    const bool few = ones >= 2 && ones <= 4 && (tens < 12 || tens > 14);
    return QString::number(bytes) + (few ? QStringLiteral(" байта") : QStringLiteral(" байт"));
}

QString RussianFileSize(qint64 bytes) {
    if (bytes < 1024) return RussianByteCount(bytes);
    return QLocale(QLocale::Russian, QLocale::Russia).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

namespace {

// The file list's sizes and dates written the Russian way: the file system
// model writes them in the system's locale, English on most machines.
class RussianFileDetails : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        constexpr int kNameColumn = 0, kTypeColumn = 2, kDateColumn = 3;  // the other is the size
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || files == nullptr || index.column() == kNameColumn)
            return QIdentityProxyModel::data(index, role);
        if (index.column() == kTypeColumn) {
            // The kinds Qt names itself have no Russian translation; mime types have their own.
            const QString type = QIdentityProxyModel::data(index, role).toString();
            if (type == QLatin1String("Folder")) return QStringLiteral("Папка");
            if (type == QLatin1String("File")) return QStringLiteral("Файл");
            if (type == QLatin1String("Alias")) return QStringLiteral("Ссылка");
            return type;
        }
        const QFileInfo info = files->fileInfo(mapToSource(index));
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        if (index.column() == kDateColumn) return russian.toString(info.lastModified(), QLocale::ShortFormat);
        return info.isDir() ? QString() : RussianFileSize(info.size());
    }
};

// Columns wide enough for what they hold, in the dialog's own font.
void SizeColumns(QFileDialog& dialog) {
    auto* view = dialog.findChild<QTreeView*>();
    if (view == nullptr) return;
    const QFontMetrics metrics(view->font());
    const int padding = 4 * metrics.averageCharWidth();
    QHeaderView* header = view->header();
    header->resizeSection(0, 36 * metrics.averageCharWidth());
    header->resizeSection(1, metrics.horizontalAdvance(QStringLiteral("999,9 КБ")) + padding);
    header->resizeSection(2, metrics.horizontalAdvance(QStringLiteral("Исполняемый файл")) + padding);
    header->resizeSection(3, metrics.horizontalAdvance(QStringLiteral("31.12.2026 23:59")) + padding);
}

}  // namespace

QMessageBox::StandardButton MessageBoxes::Show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                               const QString& text, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton) {
    Seams& seams = TestSeams();
    seams.messages.push_back(ShownMessage{title, text, icon});
    if (!seams.answers.empty()) {
        const auto answer = seams.answers.front();
        seams.answers.pop_front();
        return answer;
    }
    QMessageBox box(icon, title, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), buttons, parent);
    box.setWindowModality(Qt::ApplicationModal);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    if (QAbstractButton* yes = box.button(QMessageBox::Yes)) yes->setText(QStringLiteral("Да"));
    if (QAbstractButton* no = box.button(QMessageBox::No)) no->setText(QStringLiteral("Нет"));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBoxes::SetNextAnswer(QMessageBox::StandardButton answer) { TestSeams().answers.push_back(answer); }

std::optional<ShownMessage> MessageBoxes::LastMessage() {
    const auto& messages = TestSeams().messages;
    if (messages.empty()) return std::nullopt;
    return messages.back();
}

std::vector<ShownMessage> MessageBoxes::ShownMessages() { return TestSeams().messages; }

void MessageBoxes::ClearLastMessage() { TestSeams().messages.clear(); }

void ResetTestSeams() { TestSeams() = Seams{}; }

void TFileDialog::SetNextFileName(std::optional<QString> fileName) {
    TestSeams().fileNames.push_back({fileName.has_value(), fileName.value_or(QString())});
}

std::optional<QString> TFileDialog::Execute(QWidget* parent) {
    Seams& seams = TestSeams();
    if (!seams.fileNames.empty()) {
        const Seams::FileAnswer next = seams.fileNames.front();
        seams.fileNames.pop_front();
        if (!next.chosen) return std::nullopt;
        return next.name;
    }
    QFileDialog dialog(parent, title_, initialDir_);
    // The pattern in the last brackets is what filters: "*" also lists names
    // without a dot; the caption the user sees is the one before it.
    dialog.setNameFilter(QStringLiteral("Все файлы (*.*) (*)"));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    if (kind_ == Kind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    }
    dialog.setProxyModel(new RussianFileDetails(&dialog));
    // Wide enough for the name, size, type and date columns to be read whole.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(780, 480)));
    SizeColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void TFileDialog::SetInitialDir(const QString& folder) {
    QString dir = folder;
    if (dir.size() >= 2 && dir.endsWith(u'/')) dir.chop(1);
    initialDir_ = dir;
}

QString FolderOf(const QString& filePath) {
    const qsizetype slash = filePath.lastIndexOf(u'/');
    if (slash < 0) return {};
    return slash == 0 ? QStringLiteral("/") : filePath.left(slash);
}

}  // namespace orvane::ui
