// The main window: the input list, the output list, the options and the
// buttons around them.
//
//   app/main.cpp ── TfmMain (this) ──┬── TransformListText (engine/unCommon)
//                                    ├── memInput, memOutput: TMemo (ui/Memo)
//                                    ├── list files (platform/ListText, FileIo)
//                                    ├── TFormStorage fstMain (ui/Placemnt)
//                                    └── TfmAbout (ui/unAbout), shown modally
//
// A 100 ms timer keeps the Transform button and the list captions current.
// Everything runs on the user-interface thread.
#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "Dialogs.h"
#include "Placemnt.h"

class QButtonGroup;
class QDialog;
class QKeyEvent;
class QLabel;

namespace Ui {
class TfmMain;
}

namespace orvane::ui {

class DelimiterValidator;
class TMemo;

// The most text either list box takes, in characters.
inline constexpr qsizetype kMemoCapacity = qsizetype(256) * 1024 * 1024;

class TfmMain : public QWidget {
    Q_OBJECT

public:
    // settingsFile: where the options are kept; by default the file
    // DefaultSettingsFile() names for this executable.
    explicit TfmMain(QString settingsFile = DefaultSettingsFile(), QWidget* parent = nullptr);
    ~TfmMain() override;

    // The About window the About button shows; the window does not own it.
    void SetAboutWindow(QDialog* about) { about_ = about; }

    // The delimiter between address and mask. The program may set a text of
    // any length; typing stops at three characters.
    QString Delimiter() const;
    void SetDelimiter(const QString& text);

    // The selected radio item, -1 when none; set values are clamped to -1..2.
    int TransformType() const;
    void SetTransformType(int index);

    TFileDialog& OpenDialog() { return dlgOpen; }
    TFileDialog& SaveDialog() { return dlgSave; }

    static QString DefaultSettingsFile();
    // For a program installed in installedFolder (the install prefix's
    // binary folder), $XDG_CONFIG_HOME/orvane/orvane.ini (~/.config/orvane/);
    // for any other copy, "orvane.ini" beside it when that file exists or
    // the folder is the user's to write (a portable copy, a build folder),
    // and otherwise the same file under ~/.config.
    static QString SettingsFileFor(const QString& programFolder, const QString& installedFolder);

    // Loads a list file into the input box exactly as the open button does.
    void LoadInputFile(const QString& fileName);


    // The window's event handlers.
    void FormShow();
    void FormCloseQuery(bool& canClose);
    void TimerTimer();
    void edtDelimiterChange();
    // True when the key was Ctrl+A in any combination: the box has its answer.
    bool memInputKeyDown(TMemo* memo, const QKeyEvent* key);
    void sbtFormatClick();
    void btnTransformClick();
    void sbtOpenClick();
    void sbtSaveClick();
    void btnAboutClick();
    void fstMainStoredValues0Restore(TStoredValue& Sender, QVariant& Value);
    void fstMainStoredValues0Save(TStoredValue& Sender, QVariant& Value);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The constructor's parts: the controls as the layout leaves them to
    // code, the handlers, and the values the settings file keeps.
    void SetUpControls();
    void ConnectHandlers();
    void SetUpStoredValues();
    void LoadInputList();
    void SaveOutputList();

    // The window's components keep their own names (the controls through ui,
    // as the layout names them); the window's own state ends in "_".
    std::unique_ptr<Ui::TfmMain> ui;
    QButtonGroup* transformTypeButtons_;
    DelimiterValidator* delimiterValidator_;
    QTimer Timer;
    TFileDialog dlgOpen{TFileDialog::Kind::Open, QStringLiteral("Открыть файл")};
    TFileDialog dlgSave{TFileDialog::Kind::Save, QStringLiteral("Сохранить как")};
    TFormStorage fstMain;
    QString settingsFile_;
    bool sessionEnding_ = false;
    int closeRequests_ = 0;
    QDialog* about_ = nullptr;
    bool shownBefore_ = false;
    QString inputCaption_, outputCaption_;
};

// Rich text that underlines the letter after "&", for labels whose marked
// letter binds no shortcut.
QString UnderlinedMnemonic(const QString& caption);

}  // namespace orvane::ui
