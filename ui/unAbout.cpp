#include "unAbout.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "Application.h"
#include "JpegImage.h"
#include "VersionInfo.h"
#include "ui_unAbout.h"

namespace orvane::ui {

TShape::TShape(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(QColor(78, 78, 78), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

QString TfmAbout::DefaultExecutable() { return QCoreApplication::applicationFilePath(); }

TfmAbout::TfmAbout(QWidget* mainWindow, QString executable)
    : QDialog(mainWindow), ui(std::make_unique<Ui::TfmAbout>()), mainWindow_(mainWindow),
      executable_(std::move(executable)) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(355, 257);
    setWindowIcon(QIcon());

    ui->Label1->setFont(ProgramFont(15, true));
    ui->Label1->adjustSize();
    ui->lblLink->setStyleSheet(QStringLiteral("color: rgb(0, 70, 213);"));
    ui->lblLink->adjustSize();
    ui->lblLink->installEventFilter(this);

    QFile logo(QStringLiteral(":/logo.jpg"));
    SetLogo(logo.open(QIODevice::ReadOnly) ? logo.readAll() : QByteArray());

    connect(ui->btOK, &QPushButton::clicked, this, &QDialog::accept);
    FormCreate();
}

TfmAbout::~TfmAbout() = default;

void TfmAbout::SetLogo(const QByteArray& jpeg) {
    const QImage image = DecodeJpeg(jpeg);
    ui->imgLogo->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    if (!image.isNull()) ui->imgLogo->resize(image.size());  // the picture sizes its control
}

void TfmAbout::FormCreate() {
    TVSFixedFileInfo record;  // zeroed: an executable without a record shows 0.0.0, build 0
    ReadFixedFileInfo(QFile::encodeName(executable_).toStdString(), record);
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg(record.dwFileVersionMS >> 16)
                                .arg(record.dwFileVersionMS & 0xFFFF)
                                .arg(record.dwFileVersionLS >> 16);
    const QString build = QString::number(record.dwFileVersionLS & 0xFFFF);

    // The caption is the format: its two "%s" take the version and the build.
    QString caption = ui->lblVer->text();
    for (const QString& value : {version, build}) {
        const qsizetype at = caption.indexOf(QStringLiteral("%s"));
        if (at >= 0) caption.replace(at, 2, value);
    }
    ui->lblVer->setText(caption);
    ui->lblVer->adjustSize();
}

void TfmAbout::showEvent(QShowEvent* event) {
    if (!shownBefore_ && !event->spontaneous()) {
        shownBefore_ = true;
        if (mainWindow_ != nullptr) CentreFrame(this, [main = mainWindow_] { return main->frameGeometry(); });
    }
    QDialog::showEvent(event);
}

void TfmAbout::keyPressEvent(QKeyEvent* event) {
    // Esc closes through OK as Enter does: the window's one answer is OK.
    if (event->key() == Qt::Key_Escape) {
        ui->btOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->lblLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblLinkClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfmAbout::lblLinkClick() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(LinkAddress())));  // nothing to report if it fails
}

}  // namespace orvane::ui
