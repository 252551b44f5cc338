// Modal boxes and file dialogs, with seams so tests can answer them.
//
// Tests call SetNextAnswer() / SetNextFileName() before the action that
// opens a box or a dialog; the box is then not shown, the answer is taken,
// and what would have been shown is kept in LastMessage().
#pragma once

#include <QMessageBox>
#include <QString>
#include <optional>
#include <vector>

namespace orvane::ui {

struct ShownMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class MessageBoxes {
public:
    // Application-modal; returns the button pressed.
    static QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                            const QString& text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    static void SetNextAnswer(QMessageBox::StandardButton answer);
    static std::optional<ShownMessage> LastMessage();
    static std::vector<ShownMessage> ShownMessages();  // since the last clear, oldest first
    static void ClearLastMessage();
};

// A count of bytes in Russian with the plural the number takes: "1 байт",
// "404 байта", "6 байт", "14 байт", "1034 байта".
QString RussianByteCount(qint64 bytes);

// A file size as the file dialogs list it: RussianByteCount below a
// kilobyte, "1,5 КБ" from there on.
QString RussianFileSize(qint64 bytes);

// A file-open or file-save dialog with a title, a filter that lists every
// file, and an initial folder that follows the last file chosen.
class TFileDialog {
public:
    enum class Kind { Open, Save };

    TFileDialog(Kind kind, QString title) : kind_(kind), title_(std::move(title)) {}

    // The chosen file's full path, or nothing when the user cancelled.
    std::optional<QString> Execute(QWidget* parent);

    QString InitialDir() const { return initialDir_; }
    // One final "/" is dropped, except from the root folder itself.
    void SetInitialDir(const QString& folder);

    static void SetNextFileName(std::optional<QString> fileName);  // nullopt: the user cancels

private:
    Kind kind_;
    QString title_;
    QString initialDir_;
};

// Forgets every answer and file name a test queued and every message kept:
// each test starts from none.
void ResetTestSeams();

// The folder of a file: its path up to the last "/", without that "/"
// unless it is the root.
QString FolderOf(const QString& filePath);

}  // namespace orvane::ui
