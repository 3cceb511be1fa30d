#include "settings/qsettings_profile.h"

QSettingsProfile::QSettingsProfile(const QString& organisation, const QString& application)
    : settings(QSettings::IniFormat, QSettings::UserScope, organisation, application)
{
}

std::string QSettingsProfile::GetProfileString(const std::string& key, const std::string& fallback) const
{
    const QVariant value = settings.value(QString::fromStdString(key));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void QSettingsProfile::WriteProfileString(const std::string& key, const std::string& value)
{
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings.sync();
}
