#include "app/settings_dlg.h"

#include "app/ripper_app.h"
#include "settings/setting_table.h"
#include "ui/movie_vocabulary.h"
#include "ui/movie_window_filter.h"
#include "ui/shockwave_flash.h"

#include <QTimerEvent>

#include <functional>


namespace {

constexpr int kInitDelayMs = 50;

}  // namespace

CSettingsDlg::CSettingsDlg(CRipperApp& app) : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint), app(app)
{
    settings.SetDefaults();
    flash = new CShockwaveFlash(this);
    flash->setGeometry(0, 0, 359, 466);
    resize(359, 466);
    setWindowTitle("Settings");
    movieFilter = new MovieWindowFilter(this, flash);
    connect(flash, &CShockwaveFlash::FSCommand, this, &CSettingsDlg::OnFSCommand);
}

int CSettingsDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void CSettingsDlg::OnInitDialog()
{
    flash->SetMovie(app.moduleFolder + movie_file::kSettings);
    initTimerId = startTimer(kInitDelayMs);
}

void CSettingsDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == initTimerId) {
        InitMovie();
        killTimer(initTimerId);
        initTimerId = 0;
    }
    QDialog::timerEvent(event);
}

std::string CSettingsDlg::Variable(const char* name) const
{
    return flash->GetVariable(name);
}

void CSettingsDlg::SendCodecLists(int container)
{
    const CodecLists lists = ReadCodecLists(container, app.codecsIniPath);
    flash->SetVariable(settings_var::kVideoCodecList, lists.videoText);
    videoCodecs = lists.videoCodecs;
    flash->SetVariable(settings_var::kAudioCodecList, lists.audioText);
    audioCodecs = lists.audioCodecs;
}

void CSettingsDlg::InitMovie()
{
    const IProfile& profile = app.Profile();
    auto each = [](const std::function<void(const SettingRow&)>& send) {
        for (const SettingRow& row : SettingRows()) send(row);
    };
    auto choice = [&](const SettingRow& row) { flash->SetVariable(row.variable, ReadProfileText(profile, row.key)); };
    auto list = [&](const SettingRow& row) { flash->SetVariable(row.listVariable, JoinTable(row.table)); };
    using Part = SettingRow::Part;
    // How the rip behaves: the switches, then the lists, then their choices.
    each([&](const SettingRow& row) { if (row.part == Part::Behaviour && !row.listVariable) choice(row); });
    each([&](const SettingRow& row) { if (row.part == Part::Behaviour && row.listVariable) list(row); });
    each([&](const SettingRow& row) { if (row.part == Part::Behaviour && row.listVariable) choice(row); });
    // The file: the container's list and the picture's, then the sound's.
    for (const Part part : {Part::Container, Part::Video, Part::Audio})
        each([&](const SettingRow& row) { if (row.part == part && row.listVariable) list(row); });
    // The container chosen and its codecs, then the sound's choices and the picture's.
    flash->SetVariable(settings_var::kVideoMethod, ReadProfileText(profile, profile_key::kVideoMethod));
    SendCodecLists(LeadingNumber(Variable(settings_var::kVideoMethod)));
    for (const Part part : {Part::Audio, Part::Video})
        each([&](const SettingRow& row) { if (row.part == part) choice(row); });
    flash->SetVariable(settings_var::kAudioReady, "1");
    flash->SetVariable(settings_var::kVideoReady, "1");
}

void CSettingsDlg::OnContainerChanged()
{
    SendCodecLists(LeadingNumber(Variable(settings_var::kVideoMethod)));
    flash->SetVariable(settings_var::kVideoCodec, "0");
    flash->SetVariable(settings_var::kAudioCodec, "0");
    flash->SetVariable(settings_var::kAudioReady, "1");
    flash->SetVariable(settings_var::kVideoReady, "1");
}

void CSettingsDlg::OnConfirm()
{
    CodecLists codecs;
    codecs.videoCodecs = videoCodecs;
    codecs.audioCodecs = audioCodecs;
    ChooseSettings(settings, [this](const char* variable) { return Variable(variable); }, codecs);
    SaveSettings();
    accept();
}

void CSettingsDlg::SaveSettings()
{
    ::SaveSettings(app.Profile(), [this](const char* variable) { return Variable(variable); });
}

void CSettingsDlg::OnFSCommand(const QString& command, const QString&)
{
    if (IsCommand(command, settings_cmd::kOk)) {
        OnConfirm();
    } else if (IsCommand(command, settings_cmd::kCancel)) {
        reject();
    } else if (IsCommand(command, settings_cmd::kQuit)) {
        // Closing the window keeps the settings the program has: it is no confirmation.
        reject();
    } else if (IsCommand(command, settings_cmd::kDrag)) {
        app.Services().windowMover->StartMove(this);
    } else if (IsCommand(command, settings_cmd::kContainerChanged)) {
        OnContainerChanged();
    }
}
