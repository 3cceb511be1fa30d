// The main movie's panel of disc facts.
#include "app/ripper_dlg.h"
#include "dvd/regions.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <cstdio>

void CRipperDlg::UpdateDvdInfoPanel()
{
    if (const TitleSet* titleSet = source.GetCurrentTitleSet()) {
        movie->SetVariable(main_var::kCoding, titleSet->videoCoding);
        movie->SetVariable(main_var::kTvSystem, titleSet->tvSystem);
        movie->SetVariable(main_var::kAspect, titleSet->aspectRatio);
        movie->SetVariable(main_var::kPanScan, titleSet->panScan);
        movie->SetVariable(main_var::kResolution, titleSet->resolution);
        movie->SetVariable(main_var::kLetterbox, titleSet->letterbox);
        movie->SetVariable(main_var::kFilmMode, titleSet->filmMode);
        std::string languages;
        for (const SubpictureStream& stream : titleSet->subpictureStreams)
            languages += (languages.empty() ? "" : ", ") + (stream.language.empty() ? "#" + std::to_string(stream.index) : stream.language);
        movie->SetVariable(main_var::kSubtitles, languages.empty() ? "none" : languages);
    }
    if (const DiscInfo* disc = source.GetDiscInfo()) {
        char volume[32];
        std::snprintf(volume, sizeof volume, "%u/%u", disc->volumeNumber, disc->volumeCount);
        movie->SetVariable(main_var::kVolume, volume);
        movie->SetVariable(main_var::kRegion, FormatRegions(disc->regionMask));
    }
}

void CRipperDlg::ClearDvdInfoPanel()
{
    for (const char* variable : {main_var::kCoding, main_var::kTvSystem, main_var::kAspect, main_var::kPanScan,
                                 main_var::kResolution, main_var::kLetterbox, main_var::kFilmMode, main_var::kVolume,
                                 main_var::kRegion, main_var::kSubtitles, main_var::kDiscLabel})
        movie->SetVariable(variable, "");
}
