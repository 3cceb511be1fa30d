#pragma once
// The user's profile: an INI file kept by QSettings,
// ~/.config/<organisation>/<application>.ini.
#include "settings/profile.h"

#include <QSettings>

#include <memory>

class QSettingsProfile : public IProfile {
public:
    QSettingsProfile(const QString& organisation, const QString& application);
    std::string GetProfileString(const std::string& key, const std::string& fallback) const override;
    void WriteProfileString(const std::string& key, const std::string& value) override;
    QString FileName() const { return fileName; }
    // Why the file is not used (it is no regular file: reading a FIFO would
    // wait for ever), or empty. Without it the defaults apply and nothing is kept.
    std::string Problem() const { return problem; }

private:
    QString fileName;
    std::string problem;
    std::unique_ptr<QSettings> settings;
};
