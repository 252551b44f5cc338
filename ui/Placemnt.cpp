#include "Placemnt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <exception>

#include "Application.h"
#include "IniFile.h"
#include "Variants.h"

namespace orvane::ui {
namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

QString StoredText(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) return QString::fromStdString(BoolToText(value.toBool()));
    if (value.typeId() == QMetaType::Int) return QString::number(value.toInt());
    return value.toString();
}

void TFormStorage::RestoreSettings() {
    saved_ = false;
    const TIniFile ini(QFile::encodeName(IniFileName).toStdString());
    const std::int32_t fileVersion = TextToVersion(ini.ReadString(Utf8(IniSection), "FormVersion", ""));
    if (fileVersion >= Version) {
        for (TStoredValue& item : StoredValues) {
            QVariant value = QString::fromStdString(ini.ReadString(Utf8(IniSection), Utf8(item.Name), Utf8(StoredText(item.Value))));
            ReportErrors([&] {
                if (item.OnRestore) item.OnRestore(item, value);
                item.Value = value;
            });
        }
    }
    restored_ = true;
}

void TFormStorage::SaveSettings() {
    if (Active && !restored_) return;
    TIniFile ini(QFile::encodeName(IniFileName).toStdString());
    ini.WriteString(Utf8(IniSection), "FormVersion", std::to_string(Version));
    for (TStoredValue& item : StoredValues) {
        QVariant value = item.Value;
        if (item.OnSave) item.OnSave(item, value);
        ini.WriteString(Utf8(IniSection), Utf8(item.Name), Utf8(StoredText(value)));
    }
    // The folder of a settings file under ~/.config is made by the first save.
    QDir().mkpath(QFileInfo(IniFileName).absolutePath());
    ini.UpdateFile();
    saved_ = true;
}

}  // namespace orvane::ui
