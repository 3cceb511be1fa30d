#pragma once
// The converter's one option, in VLC's stream-output syntax as the chain
// builder writes it, read into what the conversion needs:
//
//   :sout=#transcode{vcodec=…,vb=…,scale=…,acodec=…,ab=…,channels=…,samplerate=…[,deinterlace][,fps=…]
//                    [,audio=N|LANG][,subtitles=CHOICE+CHOICE…][,burn=N|LANG][,forced]}
//       :standard{access=file,mux=…,dst="…"}          (or std{…})
//       :duplicate{dst=display,dst=std{access=file,mux=…,dst="…"}[}]
//
// A stream choice is a number from 1, a language code or, for subtitles,
// "all" (see rip/stream_routes.h). Inside the quotes of dst a backslash
// escapes the next character. Anything
// else (another key, another access, a codec or mux without an encoder or
// muxer here) is refused with its reason.
#include "read/stream_routes.h"

#include <optional>
#include <string>

struct StreamOutput {
    // libavcodec's encoders and libavformat's muxer for the chain's names;
    // an encoder left empty: that stream is copied.
    std::string videoEncoder, audioEncoder, muxer;
    std::string mux;  // the chain's own name of the container ("mov")
    int videoBitrate = 0, audioBitrate = 0;  // kbit/s
    double scale = 1;
    int channels = 0, sampleRate = 0;
    bool deinterlace = false;
    int frameRateNum = 0, frameRateDen = 0;  // 0/0: the disc's own
    std::string destination;                 // the output file
    bool display = false;                    // the pictures also go to the preview
    StreamChoices streams;                   // the audio and subtitles kept or burned

    bool CopiesVideo() const { return videoEncoder.empty(); }
    bool CopiesAudio() const { return audioEncoder.empty(); }
};

// The option read, or nothing with `error` saying what is wrong with it.
std::optional<StreamOutput> ParseStreamOutput(const std::string& option, std::string& error);
