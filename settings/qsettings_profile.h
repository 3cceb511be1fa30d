#pragma once
// The user's profile: an INI file kept by QSettings,
// ~/.config/<organisation>/<application>.ini.
#include "settings/profile.h"

#include <QSettings>

class QSettingsProfile : public IProfile {
public:
    QSettingsProfile(const QString& organisation, const QString& application);
    std::string GetProfileString(const std::string& key, const std::string& fallback) const override;
    void WriteProfileString(const std::string& key, const std::string& value) override;
    QString FileName() const { return settings.fileName(); }

private:
    mutable QSettings settings;
};
