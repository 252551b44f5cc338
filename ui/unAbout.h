// The About window: logo, name, version and build from the executable's own
// version record, a description, and a link to the maker's site.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TfmAbout;
}

namespace orvane::ui {

// An outlined rectangle (1-pixel pen, no fill) drawn over what lies beneath.
class TShape : public QWidget {
    Q_OBJECT

public:
    explicit TShape(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TfmAbout : public QDialog {
    Q_OBJECT

public:
    // executable: the file whose version record the caption shows.
    explicit TfmAbout(QWidget* mainWindow, QString executable = DefaultExecutable());
    ~TfmAbout() override;

    static QString DefaultExecutable();
    static const char* LinkAddress() { return "http://www.orvane.example/"; }

    // Decodes a JPEG into the logo; unreadable data leaves no picture.
    void SetLogo(const QByteArray& jpeg);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void lblLinkClick();

    std::unique_ptr<Ui::TfmAbout> ui;
    QWidget* mainWindow_;
    QString executable_;
    bool shownBefore_ = false;
};

}  // namespace orvane::ui
