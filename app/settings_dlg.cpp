#include "app/settings_dlg.h"

#include "app/ripper_app.h"
#include "settings/codecs_ini.h"
#include "ui/movie_vocabulary.h"
#include "ui/movie_window_filter.h"
#include "ui/shockwave_flash.h"

#include <QTimerEvent>

#include <algorithm>
#include <cctype>

namespace {

constexpr int kInitDelayMs = 50;

// The table's entry at the movie's index; an index outside it takes the first.
template <std::size_t N>
std::string Chosen(const TextTable<N>& table, const std::string& index)
{
    const char* entry = TableEntry(table, ParseNumber(index));
    return entry ? entry : table[0];
}

// The codec at the movie's index in the container's list, in lower case.
template <std::size_t N>
std::string ChosenCodec(const std::vector<std::string>& codecs, const std::string& index, const TextTable<N>& builtIn)
{
    std::string codec = CodecAt(codecs, ParseNumber(index), builtIn[0]);
    std::transform(codec.begin(), codec.end(), codec.begin(), [](unsigned char c) { return std::tolower(c); });
    return codec;
}

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
    flash->SetVariable(settings_var::kOverwriting, ReadProfileText(profile, profile_key::kDontAskOverwrite));
    flash->SetVariable(settings_var::kShutdown, ReadProfileText(profile, profile_key::kShutdown));
    flash->SetVariable(settings_var::kOpenFolder, ReadProfileText(profile, profile_key::kOpenFolder));
    flash->SetVariable(settings_var::kLockDvd, ReadProfileText(profile, profile_key::kLockDvd));
    flash->SetVariable(settings_var::kEjectDvd, ReadProfileText(profile, profile_key::kEjectDvd));
    flash->SetVariable(settings_var::kRipSelection, ReadProfileText(profile, profile_key::kRipSelection));
    flash->SetVariable(settings_var::kSubtitleForced, ReadProfileText(profile, profile_key::kSubtitleForced));
    flash->SetVariable(settings_var::kSubtitleModeList, JoinTable(kSubtitleModeTable));
    flash->SetVariable(settings_var::kSubtitleLanguageList, JoinTable(kSubtitleLanguageTable));
    flash->SetVariable(settings_var::kSubtitleMode, ReadProfileText(profile, profile_key::kSubtitleMode));
    flash->SetVariable(settings_var::kSubtitleLanguage, ReadProfileText(profile, profile_key::kSubtitleLanguage));

    flash->SetVariable(settings_var::kVideoMethodList, JoinTable(kContainerTable));
    flash->SetVariable(settings_var::kVideoBitrateList, JoinTable(kVideoBitrateTable));
    flash->SetVariable(settings_var::kVideoScaleList, JoinTable(kScaleTable));
    flash->SetVariable(settings_var::kAudioBitrateList, JoinTable(kAudioBitrateTable));
    flash->SetVariable(settings_var::kAudioChannelList, JoinTable(kChannelTable));
    flash->SetVariable(settings_var::kAudioRateList, JoinTable(kSampleRateTable));

    flash->SetVariable(settings_var::kVideoMethod, ReadProfileText(profile, profile_key::kVideoMethod));
    SendCodecLists(ParseNumber(Variable(settings_var::kVideoMethod)));

    flash->SetVariable(settings_var::kAudioCodec, ReadProfileText(profile, profile_key::kAudioCodec));
    flash->SetVariable(settings_var::kAudioBitrate, ReadProfileText(profile, profile_key::kAudioBitrate));
    flash->SetVariable(settings_var::kAudioChannel, ReadProfileText(profile, profile_key::kAudioChannel));
    flash->SetVariable(settings_var::kAudioRate, ReadProfileText(profile, profile_key::kAudioRate));
    flash->SetVariable(settings_var::kVideoCodec, ReadProfileText(profile, profile_key::kVideoCodec));
    flash->SetVariable(settings_var::kVideoBitrate, ReadProfileText(profile, profile_key::kVideoBitrate));
    flash->SetVariable(settings_var::kVideoScale, ReadProfileText(profile, profile_key::kVideoScale));

    flash->SetVariable(settings_var::kAudioReady, "1");
    flash->SetVariable(settings_var::kVideoReady, "1");
}

void CSettingsDlg::OnContainerChanged()
{
    SendCodecLists(ParseNumber(Variable(settings_var::kVideoMethod)));
    flash->SetVariable(settings_var::kVideoCodec, "0");
    flash->SetVariable(settings_var::kAudioCodec, "0");
    flash->SetVariable(settings_var::kAudioReady, "1");
    flash->SetVariable(settings_var::kVideoReady, "1");
}

void CSettingsDlg::OnConfirm()
{
    settings.audioBitrate = ParseNumber(Chosen(kAudioBitrateTable, Variable(settings_var::kAudioBitrate)));
    settings.audioChannels = ParseNumber(Chosen(kChannelTable, Variable(settings_var::kAudioChannel)));
    settings.audioRate = ParseNumber(Chosen(kSampleRateTable, Variable(settings_var::kAudioRate)));
    settings.audioCodec = ChosenCodec(audioCodecs, Variable(settings_var::kAudioCodec), kAudioCodecTable);
    settings.videoBitrate = ParseNumber(Chosen(kVideoBitrateTable, Variable(settings_var::kVideoBitrate)));
    settings.videoMethod = ContainerOrDefault(ParseNumber(Variable(settings_var::kVideoMethod)));
    settings.videoScale = Chosen(kScaleTable, Variable(settings_var::kVideoScale));
    settings.videoCodec = ChosenCodec(videoCodecs, Variable(settings_var::kVideoCodec), kVideoCodecTable);
    settings.dontAskOverwrite = IsFlagOn(Variable(settings_var::kOverwriting));
    settings.ejectDvdWhenDone = IsFlagOn(Variable(settings_var::kEjectDvd));
    settings.lockDvdWhileRipping = IsFlagOn(Variable(settings_var::kLockDvd));
    settings.openFolderWhenDone = IsFlagOn(Variable(settings_var::kOpenFolder));
    settings.shutdownWhenComplete = IsFlagOn(Variable(settings_var::kShutdown));
    settings.ripSelection = IsFlagOn(Variable(settings_var::kRipSelection));
    settings.subtitleMode = SubtitleModeOf(Variable(settings_var::kSubtitleMode));
    settings.subtitleLanguage = Chosen(kSubtitleLanguageTable, Variable(settings_var::kSubtitleLanguage));
    settings.subtitleForced = IsFlagOn(Variable(settings_var::kSubtitleForced));
    SaveSettings();
    accept();
}

void CSettingsDlg::SaveSettings()
{
    SettingsSelections selections;
    selections.dontAskOverwrite = Variable(settings_var::kOverwriting);
    selections.shutdownWhenComplete = Variable(settings_var::kShutdown);
    selections.openFolderWhenDone = Variable(settings_var::kOpenFolder);
    selections.lockDvdWhileRipping = Variable(settings_var::kLockDvd);
    selections.ejectDvdWhenDone = Variable(settings_var::kEjectDvd);
    selections.ripSelection = Variable(settings_var::kRipSelection);
    selections.subtitleMode = Variable(settings_var::kSubtitleMode);
    selections.subtitleLanguage = Variable(settings_var::kSubtitleLanguage);
    selections.subtitleForced = Variable(settings_var::kSubtitleForced);
    selections.audioCodec = Variable(settings_var::kAudioCodec);
    selections.audioBitrate = Variable(settings_var::kAudioBitrate);
    selections.audioChannel = Variable(settings_var::kAudioChannel);
    selections.audioRate = Variable(settings_var::kAudioRate);
    selections.videoCodec = Variable(settings_var::kVideoCodec);
    selections.videoBitrate = Variable(settings_var::kVideoBitrate);
    selections.videoScale = Variable(settings_var::kVideoScale);
    selections.videoMethod = Variable(settings_var::kVideoMethod);
    ::SaveSettings(app.Profile(), selections);
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
