#include "convert/language_codes.h"

#include <cctype>
#include <string_view>

namespace {

// Every ISO 639-1 code with its bibliographic ISO 639-2 code, five letters each.
constexpr std::string_view kBibliographic =
    "aaaar ababk aeave afafr akaka amamh anarg arara asasm avava ayaym azaze babak bebel bgbul bhbih bibis bmbam "
    "bnben botib brbre bsbos cacat ceche chcha cocos crcre cscze cuchu cvchv cywel dadan deger dvdiv dzdzo eeewe "
    "elgre eneng eoepo esspa etest eubaq faper ffful fifin fjfij fofao frfre fyfry gagle gdgla glglg gngrn guguj "
    "gvglv hahau heheb hihin hohmo hrhrv hthat huhun hyarm hzher iaina idind ieile igibo iiiii ikipk ioido isice "
    "itita iuiku jajpn jvjav kageo kgkon kikik kjkua kkkaz klkal kmkhm knkan kokor krkau kskas kukur kvkom kwcor "
    "kykir lalat lbltz lglug lilim lnlin lolao ltlit lulub lvlav mgmlg mhmah mimao mkmac mlmal mnmon mrmar msmay "
    "mtmlt mybur nanau nbnob ndnde nenep ngndo nldut nnnno nonor nrnbl nvnav nynya ococi ojoji omorm orori ososs "
    "papan pipli plpol pspus ptpor quque rmroh rnrun rorum rurus rwkin sasan scsrd sdsnd sesme sgsag sisin skslo "
    "slslv smsmo snsna sosom sqalb srsrp ssssw stsot susun svswe swswa tatam tetel tgtgk ththa titir tktuk tltgl "
    "tntsn toton trtur tstso tttat twtwi tytah uguig ukukr ururd uzuzb veven vivie vovol wawln wowol xhxho yiyid "
    "yoyor zazha zhchi zuzul";

// The bibliographic codes whose terminological code differs, six letters each.
constexpr std::string_view kTerminological =
    "tibbod czeces welcym gerdeu greell baqeus perfas frefra armhye iceisl geokat maomri macmkd maymsa burmya dutnld rumron sloslk albsqi chizho";

}  // namespace

std::string Iso639Bibliographic(const std::string& twoLetters)
{
    if (twoLetters.size() != 2) return {};
    std::string wanted;
    for (char c : twoLetters) wanted += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t at = 0; at + 5 <= kBibliographic.size(); at += 6)
        if (kBibliographic.substr(at, 2) == wanted) return std::string(kBibliographic.substr(at + 2, 3));
    return {};
}

std::string Iso639Terminological(const std::string& bibliographic)
{
    for (std::size_t at = 0; at + 6 <= kTerminological.size(); at += 7)
        if (kTerminological.substr(at, 3) == bibliographic) return std::string(kTerminological.substr(at + 3, 3));
    return bibliographic;
}
