#pragma once
// Streams a rip copies as the disc holds them: what the file's header says
// of each (taken from the first picture, and from what the disc declares of
// its sound), and the one rewriting a copy needs, DVD LPCM as little-endian
// PCM for a container that takes no LPCM (the same samples, unchanged).
#include "convert/av_support.h"
#include "dvd/ifo_records.h"

#include <memory>
#include <string>
#include <vector>

struct ParametersFree {
    void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
};
using ParametersPtr = std::shared_ptr<AVCodecParameters>;

// A copied video stream as `decoder` read it and `first` (its first
// decoded picture) shows it: size, pixel aspect, and field order, where a
// picture repeated by its flags (soft telecine) is progressive; its
// sequence header, from `firstPacket`, as the stream's extra data.
ParametersPtr CopiedVideoParameters(const AVCodecContext& decoder, const AVFrame* first, const AVPacket& firstPacket);

// A copied audio stream as the disc declares it; `rewritten`: as the PCM
// that PcmRewriter makes of LPCM.
ParametersPtr CopiedAudioParameters(const AudioStream& declared, bool rewritten);

// What an MPEG video packet begins with: its picture's coding type, and
// whether a group of pictures it opens may need the group before it.
enum class PictureType { kUnknown, kIntra, kPredicted, kBidirectional };
struct PictureStart {
    PictureType type = PictureType::kUnknown;
    bool openGroup = false;  // it opens a group of pictures not marked closed
};
PictureStart PictureStartOf(const AVPacket& packet);

// True when the sound the demuxer finds in `stream` is of the coding the
// disc declares for it (the file's header says what the disc declares).
bool HoldsDeclaredSound(const AVStream& stream, const AudioStream& declared);

// False for a copied sound frame the cut of a part left incomplete: shorter
// than its header says (the disc's bytes ended inside it), or, with
// `nearJoin`, an AC-3 frame whose checksum fails (the demuxer pieced it
// together across a join). What this cannot judge (LPCM, a header it does
// not know) counts as intact.
bool IntactSoundFrame(AVCodecID codec, const AVPacket& packet, bool nearJoin);

// True when the container (the chain's mux name) takes DVD LPCM as it is.
bool TakesDvdLpcm(const std::string& mux);

// True when the container takes the disc's sound of `coding` ("AC-3",
// "DTS", "MPEG-1", "MPEG-2", "LPCM") copied, as it is or rewritten.
bool TakesCopiedSound(const std::string& mux, const std::string& coding);

// DVD LPCM rewritten as little-endian PCM of its own bits: the same samples.
class PcmRewriter {
public:
    PcmRewriter(const AVStream& lpcm, int bits);
    // The PCM of `packet` (its times in 90 kHz ticks), in the same ticks.
    std::vector<PacketPtr> Rewrite(const AVPacket& packet);

private:
    CodecPtr decoder, encoder;
};
