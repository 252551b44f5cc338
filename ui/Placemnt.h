// The settings store: named values kept in a section of an INI file, moved
// to and from the window's controls by the window's own handlers.
#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace orvane::ui {

class TStoredValue;

// Sender is the stored value; Value is passed in and out.
using TStoredValueEvent = std::function<void(TStoredValue& Sender, QVariant& Value)>;

class TStoredValue {
public:
    TStoredValue(QString name, QVariant value) : Name(std::move(name)), Value(std::move(value)) {}

    QString Name;
    QVariant Value;  // text, Boolean or integer; its layout value is the default
    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;
};

using TStoredValues = std::vector<TStoredValue>;

// The window-placement base; every placement feature is off in this program,
// so it holds only where and how the settings are kept.
class TFormPlacement {
public:
    QString IniFileName;
    QString IniSection = QStringLiteral("Main");
    int Version = 0;
    bool Active = false;

    bool Saved() const { return saved_; }

protected:
    bool restored_ = false;
    bool saved_ = false;
};

class TFormStorage : public TFormPlacement {
public:
    TStoredValues StoredValues;

    // Reads every stored value and hands it to its OnRestore. A value that
    // does not convert is shown by the error report and keeps its control as
    // it was; the other values are still restored.
    void RestoreSettings();

    // Fills every stored value through its OnSave and writes the file whole.
    // Throws EIniFileException when the file cannot be written; the old file
    // is then left as it was.
    void SaveSettings();
};

// The text a stored value is written as: text unchanged, "True"/"False",
// decimal digits.
QString StoredText(const QVariant& value);

}  // namespace orvane::ui
