#pragma once
// The settings window: the settings movie fills it, the program gives it
// the choices and the current values, and reads them back on OK.
#include "settings/rip_settings.h"

#include <QDialog>

#include <string>
#include <vector>

class CRipperApp;
class CShockwaveFlash;
class MovieWindowFilter;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingsDlg(CRipperApp& app);
    int DoModal();
    void OnInitDialog();
    // Sends the movie its lists and the profile's choices.
    void InitMovie();
    void OnContainerChanged();
    void OnConfirm();
    void SaveSettings();
    void OnFSCommand(const QString& command, const QString& args);

    std::vector<std::string> videoCodecs;
    std::vector<std::string> audioCodecs;
    RipSettings settings;  // filled on OK, kept between openings
    CShockwaveFlash* flash;
    int initTimerId = 0;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    std::string Variable(const char* name) const;
    // Sends the container's codec lists and keeps them for OK.
    void SendCodecLists(int container);

    CRipperApp& app;
    MovieWindowFilter* movieFilter;
};
