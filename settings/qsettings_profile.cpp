#include "settings/qsettings_profile.h"

#include <QFileInfo>
#include <QStandardPaths>

QSettingsProfile::QSettingsProfile(const QString& organisation, const QString& application)
    // Where QSettings keeps a user's INI file; named here because QSettings
    // opens the file as soon as it is made, and a FIFO there would block it.
    : fileName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + organisation + "/" +
               application + ".ini")
{
    const QFileInfo file(fileName);
    if (file.exists() && !file.isFile()) {
        problem = "the settings file " + fileName.toStdString() + " is not a regular file: the default settings apply "
                  "and nothing is saved";
        return;
    }
    settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

std::string QSettingsProfile::GetProfileString(const std::string& key, const std::string& fallback) const
{
    const QVariant value = settings ? settings->value(QString::fromStdString(key)) : QVariant();
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void QSettingsProfile::WriteProfileString(const std::string& key, const std::string& value)
{
    if (!settings) return;
    settings->setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings->sync();
}
