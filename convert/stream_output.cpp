#include "convert/stream_output.h"

#include <cctype>
#include <charconv>
#include <memory>
#include <set>
#include <vector>

namespace {

struct Name {
    const char* chain;
    const char* library;
};

// The chain's four-character codec names and its mux names, as libavcodec's
// encoders and libavformat's muxers call them.
constexpr Name kVideoEncoders[] = {{"mp1v", "mpeg1video"}, {"mp2v", "mpeg2video"}, {"h264", "libx264"},
                                   {"div3", "msmpeg4"},    {"wmv1", "wmv1"},       {"wmv2", "wmv2"},
                                   {"theo", "libtheora"},  {"mp4v", "mpeg4"}};
constexpr Name kAudioEncoders[] = {{"mpga", "mp2"},        {"mp2a", "mp2"},       {"mp3", "libmp3lame"},
                                   {"mp4a", "aac"},        {"a52", "ac3"},        {"s16l", "pcm_s16le"},
                                   {"vorb", "libvorbis"},  {"wma2", "wmav2"},     {"spx", "libspeex"}};
constexpr Name kMuxers[] = {{"ts", "mpegts"}, {"ps", "vob"},  {"mpeg1", "mpeg"}, {"asf", "asf"},
                            {"mp4", "mp4"},   {"mov", "mov"}, {"avi", "avi"},    {"ogg", "ogg"},
                            {"mkv", "matroska"}};

template <std::size_t N>
const char* LibraryName(const Name (&table)[N], const std::string& chainName)
{
    std::string lower;
    for (char c : chainName) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Name& name : table)
        if (lower == name.chain) return name.library;
    return nullptr;
}

// The option as a tree: modules ("transcode{…}") of items ("vb=1024",
// "deinterlace", "dst=std{…}", "dst=\"…\"").
struct Module;
struct Item {
    std::string key, value;
    bool hasValue = false;
    std::unique_ptr<Module> module;  // a value that is itself a module
};
struct Module {
    std::string name;
    std::vector<Item> items;
};

class Reader {
public:
    Reader(const std::string& text, std::string& error) : text(text), error(error) {}

    bool AtEnd() const { return at == text.size(); }
    bool Take(char c)
    {
        if (at < text.size() && text[at] == c) return ++at, true;
        return false;
    }
    bool Fail(const std::string& why)
    {
        if (error.empty()) error = why;
        return false;
    }

    // A module; only the outermost one may lack its closing brace at the very end.
    bool ReadModule(Module& module, bool outermost)
    {
        module.name = Word();
        if (module.name.empty() || !Take('{')) return Fail("expected a module such as transcode{…} at character " + Where());
        if (Take('}')) return true;
        do {
            Item& item = module.items.emplace_back();
            if (!ReadItem(item)) return false;
        } while (Take(','));
        if (Take('}')) return true;
        if (AtEnd() && outermost) return true;
        return Fail("expected , or } at character " + Where());
    }

private:
    std::string Where() const { return std::to_string(at + 1); }

    std::string Word()
    {
        const std::size_t start = at;
        while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_' || text[at] == '-'))
            ++at;
        return text.substr(start, at - start);
    }

    bool ReadItem(Item& item)
    {
        item.key = Word();
        if (item.key.empty()) return Fail("expected an option name at character " + Where());
        if (!Take('=')) return true;
        item.hasValue = true;
        if (Take('"')) return ReadQuoted(item.value);
        const std::size_t start = at;
        while (at < text.size() && text[at] != ',' && text[at] != '}' && text[at] != '{' && text[at] != '"') ++at;
        item.value = text.substr(start, at - start);
        if (at < text.size() && text[at] == '{') {
            at = start;
            item.module = std::make_unique<Module>();
            return ReadModule(*item.module, false);
        }
        return true;
    }

    bool ReadQuoted(std::string& value)
    {
        while (at < text.size() && text[at] != '"') {
            if (text[at] == '\\' && at + 1 < text.size()) ++at;
            value += text[at++];
        }
        if (!Take('"')) return Fail("a quoted value has no closing quote");
        return true;
    }

    const std::string& text;
    std::string& error;
    std::size_t at = 0;
};

bool ParseWhole(const std::string& text, int low, int high, int& into)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), into);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && into >= low && into <= high;
}

// Read as the chain writes it, "0.5", whatever the user's locale.
bool ParseScale(const std::string& text, double& into)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), into);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && into > 0 && into <= 8;
}

// "25", "30000/1001".
bool ParseFrameRate(const std::string& text, int& num, int& den)
{
    const auto slash = text.find('/');
    den = 1;
    if (slash != std::string::npos && !ParseWhole(text.substr(slash + 1), 1, 1000000, den)) return false;
    return ParseWhole(text.substr(0, slash), 1, 1000000, num);
}

bool ReadTranscode(const Module& module, StreamOutput& out, std::string& error)
{
    std::string video, audio;
    std::set<std::string> given;
    for (const Item& item : module.items) {
        const std::string& key = item.key;
        const std::string& value = item.value;
        given.insert(key);
        if ((key == "deinterlace" || key == "forced") && !item.hasValue) {
            (key == "forced" ? out.streams.forcedOnly : out.deinterlace) = true;
            continue;
        }
        bool good = item.hasValue && !item.module;
        if (key == "vcodec") video = value;
        else if (key == "vb") good = good && ParseWhole(value, 1, 1000000, out.videoBitrate);
        else if (key == "scale") good = good && ParseScale(value, out.scale);
        else if (key == "acodec") audio = value;
        else if (key == "ab") good = good && ParseWhole(value, 1, 100000, out.audioBitrate);
        else if (key == "channels") good = good && ParseWhole(value, 1, 8, out.channels);
        else if (key == "samplerate") good = good && ParseWhole(value, 1000, 384000, out.sampleRate);
        else if (key == "fps") good = good && ParseFrameRate(value, out.frameRateNum, out.frameRateDen);
        else if (key == "audio") good = good && IsStreamChoice(out.streams.audio = value, false);
        else if (key == "burn") good = good && IsStreamChoice(out.streams.burn = value, false);
        else if (key == "subtitles") {
            out.streams.subtitles = SplitChoices(value);
            for (const std::string& choice : out.streams.subtitles) good = good && IsStreamChoice(choice, true);
        }
        else {
            error = "the converter does not know the transcode option " + key;
            return false;
        }
        if (!good) {
            error = "the transcode option " + key + (item.hasValue ? " cannot be " + value : " needs a value");
            return false;
        }
    }
    // A stream converted names all it needs; one copied takes none of what only a conversion does.
    const struct {
        const char* codec;
        std::vector<const char*> needed, converting;
        const char* what;
    } streams[] = {
        {"vcodec", {"vb", "scale"}, {"vb", "scale", "deinterlace", "fps", "burn"}, "video"},
        {"acodec", {"ab", "channels", "samplerate"}, {"ab", "channels", "samplerate"}, "sound"},
    };
    for (const auto& stream : streams) {
        const bool converted = given.count(stream.codec) > 0;
        for (const char* key : converted ? stream.needed : std::vector<const char*>{})
            if (!given.count(key)) {
                error = std::string("the transcode part has no ") + key;
                return false;
            }
        for (const char* key : converted ? std::vector<const char*>{} : stream.converting)
            if (given.count(key)) {
                error = std::string("the transcode option ") + key + " needs a converted " + stream.what + " (" + stream.codec +
                        "=…): without it the " + stream.what + " is copied as the disc holds it";
                return false;
            }
    }
    const char* videoEncoder = video.empty() ? "" : LibraryName(kVideoEncoders, video);
    const char* audioEncoder = audio.empty() ? "" : LibraryName(kAudioEncoders, audio);
    if (!videoEncoder) error = "no encoder for the video codec " + video;
    if (!audioEncoder) error = "no encoder for the audio codec " + audio;
    if (!videoEncoder || !audioEncoder) return false;
    out.videoEncoder = videoEncoder;
    out.audioEncoder = audioEncoder;
    return true;
}

bool ReadFileOutput(const Module& module, StreamOutput& out, std::string& error)
{
    if (module.name != "standard" && module.name != "std") {
        error = "the converter writes files only: not " + module.name + "{…}";
        return false;
    }
    bool file = false, hasDestination = false;
    for (const Item& item : module.items) {
        if (item.module || !item.hasValue) {
            error = "the file output's " + item.key + " needs a plain value";
            return false;
        }
        if (item.key == "access") {
            file = item.value == "file";
        } else if (item.key == "mux") {
            out.mux = item.value;
        } else if (item.key == "dst") {
            out.destination = item.value;
            hasDestination = true;
        } else {
            error = "the converter does not know the file output's option " + item.key;
            return false;
        }
    }
    if (!file) error = "the file output needs access=file";
    else if (!hasDestination || out.destination.empty()) error = "the file output needs dst, the file to write";
    else if (const char* muxer = LibraryName(kMuxers, out.mux)) out.muxer = muxer;
    else error = "no muxer for the container " + (out.mux.empty() ? std::string("(none)") : out.mux);
    return error.empty();
}

// duplicate{dst=display,dst=std{…}}: the file, and the pictures for the preview.
bool ReadDuplicate(const Module& module, StreamOutput& out, std::string& error)
{
    const Module* file = nullptr;
    for (const Item& item : module.items) {
        if (item.key == "dst" && item.value == "display" && !item.module) {
            out.display = true;
        } else if (item.key == "dst" && item.module && !file) {
            file = item.module.get();
        } else {
            error = "duplicate{…} takes dst=display and one dst=std{…}";
            return false;
        }
    }
    if (!file) {
        error = "duplicate{…} has no file to write";
        return false;
    }
    return ReadFileOutput(*file, out, error);
}

}  // namespace

std::optional<StreamOutput> ParseStreamOutput(const std::string& option, std::string& error)
{
    error.clear();
    static const std::string kStart = ":sout=#";
    if (!option.starts_with(kStart)) {
        error = "the converter's option must start with " + kStart;
        return std::nullopt;
    }
    const std::string chain = option.substr(kStart.size());
    Reader reader(chain, error);
    Module first, output;
    if (!reader.ReadModule(first, true)) return std::nullopt;
    // Without transcode{…}, everything is copied.
    const bool transcodes = first.name == "transcode";
    if (!transcodes && first.name != "standard" && first.name != "std" && first.name != "duplicate") {
        error = "the chain must begin with transcode{…} or its file output, not " + first.name;
        return std::nullopt;
    }
    if (transcodes) {
        if (!reader.Take(':')) {
            error = "the chain has nothing to write the file after transcode{…}";
            return std::nullopt;
        }
        if (!reader.ReadModule(output, true)) return std::nullopt;
    } else {
        output = std::move(first);
    }
    if (!reader.AtEnd()) {
        error = "the chain goes on after its file output";
        return std::nullopt;
    }
    StreamOutput out;
    if (transcodes && !ReadTranscode(first, out, error)) return std::nullopt;
    if (!(output.name == "duplicate" ? ReadDuplicate(output, out, error) : ReadFileOutput(output, out, error)))
        return std::nullopt;
    return out;
}
