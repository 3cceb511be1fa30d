// The converter's option text: every form the chain builder writes is read
// back as it was meant, anything else is refused with its reason.
#include "convert/language_codes.h"
#include "convert/stream_output.h"
#include "rip/transcode_chain.h"

#include <gtest/gtest.h>

TEST(StreamOutputTest, ReadsEveryFormTheChainBuilderWrites)
{
    RipSettings settings;
    settings.mux = "mp4";
    settings.videoCodec = "h264";
    settings.audioCodec = "mp4a";
    settings.videoScale = "0.75";
    settings.audioRate = 22500;
    const std::string path = "/home/u/Converted Videos/A \"quoted\", {braced} \\ name.mp4";
    for (const bool preview : {false, true})
        for (const std::string rate : {"", "30000/1001"}) {
            SCOPED_TRACE(std::string(preview ? "preview " : "") + rate);
            std::string error;
            const StreamChoices streams = preview ? StreamChoices{"fr", {"en", "2", "all"}, "de", true} : StreamChoices{};
            const auto output = ParseStreamOutput(BuildTranscodeChain(settings, path, preview, rate, streams), error);
            ASSERT_TRUE(output) << error;
            EXPECT_EQ(output->videoEncoder, "libx264");
            EXPECT_EQ(output->audioEncoder, "aac");
            EXPECT_EQ(output->muxer, "mp4");
            EXPECT_EQ(output->videoBitrate, 1024);
            EXPECT_EQ(output->scale, 0.75);
            EXPECT_EQ(output->audioBitrate, 128);
            EXPECT_EQ(output->channels, 2);
            EXPECT_EQ(output->sampleRate, 22500);
            EXPECT_TRUE(output->deinterlace);
            EXPECT_EQ(output->frameRateNum, rate.empty() ? 0 : 30000);
            EXPECT_EQ(output->frameRateDen, rate.empty() ? 0 : 1001);
            EXPECT_EQ(output->destination, path);
            EXPECT_EQ(output->display, preview);
            EXPECT_EQ(output->streams, streams);
        }
}

// A stream whose codec the chain leaves out is copied, in each form the
// builder writes for the settings' "copy" and with the preview too.
TEST(StreamOutputTest, AStreamWithoutACodecIsCopied)
{
    const struct {
        std::string video, audio;
        bool preview;
    } cases[] = {{"copy", "copy", false}, {"copy", "mp4a", false}, {"h264", "copy", false}, {"copy", "copy", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.video + " " + c.audio + (c.preview ? " preview" : ""));
        RipSettings settings;
        settings.mux = "mkv";
        settings.videoCodec = c.video;
        settings.audioCodec = c.audio;
        const StreamChoices streams{"fr", {"all"}, "", false};
        std::string error;
        const auto output = ParseStreamOutput(BuildTranscodeChain(settings, "/o.mkv", c.preview, "25", streams), error);
        ASSERT_TRUE(output) << error;
        EXPECT_EQ(output->CopiesVideo(), c.video == "copy");
        EXPECT_EQ(output->CopiesAudio(), c.audio == "copy");
        EXPECT_EQ(output->streams, streams);
        EXPECT_EQ(output->display, c.preview);
        EXPECT_EQ(output->muxer, "matroska");
    }
    // As a person writes them: no transcode part at all, or one of stream choices only.
    std::string error;
    const std::string file = ":standard{access=file,mux=mkv,dst=\"/o.mkv\"}";
    for (const std::string& chain : {":sout=#" + file.substr(1), ":sout=#transcode{audio=fr,subtitles=all}" + file}) {
        const auto output = ParseStreamOutput(chain, error);
        ASSERT_TRUE(output) << chain << ": " << error;
        EXPECT_TRUE(output->CopiesVideo() && output->CopiesAudio()) << chain;
    }
}

TEST(StreamOutputTest, RefusesWhatItCannotCarryOutWithItsReason)
{
    const std::string transcode = "transcode{vcodec=mp1v,vb=1024,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000}";
    const std::string file = "standard{access=file,mux=ts,dst=\"/o.mpg\"}";
    std::string error;
    // Balanced braces, std{} and no deinterlacing are read too.
    ASSERT_TRUE(ParseStreamOutput(":sout=#" + transcode + ":duplicate{dst=display,dst=std{access=file,mux=ps,dst=\"/o\"}}", error))
        << error;
    const std::pair<std::string, std::string> refused[] = {
        {"#" + transcode + ":" + file, "must start with :sout=#"},
        {":sout=#display{}:" + file, "must begin with transcode"},
        {":sout=#" + transcode, "nothing to write the file"},
        {":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000,aenc=avcodec}:" + file,
         "does not know the transcode option aenc"},
        {":sout=#transcode{vcodec=xyz9,vb=1024,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000}:" + file,
         "no encoder for the video codec xyz9"},
        {":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,acodec=flac,ab=128,channels=2,samplerate=48000}:" + file,
         "no encoder for the audio codec flac"},
        {":sout=#transcode{vcodec=mp1v,vb=-5,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000}:" + file,
         "vb cannot be -5"},
        {":sout=#transcode{vcodec=mp1v,vb=1024,scale=0,acodec=mpga,ab=128,channels=2,samplerate=48000}:" + file,
         "scale cannot be 0"},
        {":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,acodec=mpga,ab=128,channels=2}:" + file, "has no samplerate"},
        {":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000,subtitles=en+xyz}:" + file,
         "subtitles cannot be en+xyz"},
        {":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,acodec=mpga,ab=128,channels=2,samplerate=48000,burn=all}:" + file,
         "burn cannot be all"},
        {":sout=#" + transcode + ":standard{access=file,mux=flv,dst=\"/o.flv\"}", "no muxer for the container flv"},
        {":sout=#" + transcode + ":standard{access=http,mux=ts,dst=\"/o\"}", "needs access=file"},
        {":sout=#" + transcode + ":standard{access=file,mux=ts}", "needs dst"},
        {":sout=#" + transcode + ":standard{access=file,mux=ts,dst=\"/o}", "no closing quote"},
        {":sout=#" + transcode + ":display{}", "writes files only"},
        {":sout=#" + transcode + ":duplicate{dst=display}", "no file to write"},
        {":sout=#" + transcode + ":" + file + ":x{}", "goes on after its file output"},
        {":sout=#transcode{vcodec=mp1v:" + file, "expected a module"},
        // What only a conversion does, asked of a copied stream.
        {":sout=#transcode{acodec=mpga,ab=128,channels=2,samplerate=48000,vb=1024}:" + file,
         "the transcode option vb needs a converted video (vcodec=…): without it the video is copied as the disc holds it"},
        {":sout=#transcode{burn=en}:" + file, "the transcode option burn needs a converted video"},
        {":sout=#transcode{deinterlace}:" + file, "the transcode option deinterlace needs a converted video"},
        {":sout=#transcode{vcodec=mp1v,vb=1024,scale=1,samplerate=48000}:" + file, "the transcode option samplerate needs a converted sound"},
    };
    for (const auto& [option, reason] : refused) {
        EXPECT_FALSE(ParseStreamOutput(option, error)) << option;
        EXPECT_NE(error.find(reason), std::string::npos) << option << "\n -> " << error;
    }
}

TEST(StreamOutputTest, LanguagesAsContainersStoreThem)
{
    const std::tuple<std::string, std::string, std::string> codes[] = {
        {"en", "eng", "eng"}, {"FR", "fre", "fra"}, {"de", "ger", "deu"}, {"zh", "chi", "zho"}, {"xx", "", ""}, {"", "", ""}};
    for (const auto& [disc, bibliographic, terminological] : codes) {
        EXPECT_EQ(Iso639Bibliographic(disc), bibliographic) << disc;
        EXPECT_EQ(Iso639Terminological(bibliographic), terminological) << disc;
    }
}
