// The pieces a copy is made of: which sound frames are whole, and the
// queue that hands packets between the converter's threads.
#include "convert/av_support.h"
#include "convert/copied_streams.h"
#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The first packet of the first audio stream of `file`, as ffmpeg's demuxer gives it.
std::string FirstSoundFrame(const std::string& file)
{
    return RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -map 0:a:0 -c copy -frames:a 1 -f data - 2>/dev/null");
}

bool Intact(AVCodecID codec, std::string bytes, bool nearJoin)
{
    PacketPtr packet = NewPacket();
    packet->data = reinterpret_cast<uint8_t*>(bytes.data());
    packet->size = static_cast<int>(bytes.size());
    return IntactSoundFrame(codec, *packet, nearJoin);
}

}  // namespace

// A frame is kept whole or not at all: one the cut left short never, one
// pieced together across a join (a byte changed) not near a join.
TEST(CopiedStreamsTest, OnlyWholeSoundFramesAreKept)
{
    const std::string ac3 = FirstSoundFrame(TestDisc("pal-1s") + "/VIDEO_TS/VTS_01_1.VOB");
    const std::string mp2 = RunCommand("ffmpeg -v error -f lavfi -i sine=duration=0.1:sample_rate=48000 -c:a mp2 -b:a 192k "
                                       "-frames:a 1 -f mp2 - 2>/dev/null");
    ASSERT_EQ(ac3.size() % 2, 0u);
    ASSERT_GT(ac3.size(), 100u);
    ASSERT_EQ(mp2.size(), 576u);  // 144 * 192000 / 48000
    std::string pieced = ac3;
    pieced[pieced.size() / 2] ^= 0x55;
    const struct {
        const char* what;
        AVCodecID codec;
        std::string bytes;
        bool nearJoin, intact;
    } cases[] = {
        {"a whole AC-3 frame", AV_CODEC_ID_AC3, ac3, true, true},
        {"AC-3 cut short", AV_CODEC_ID_AC3, ac3.substr(0, ac3.size() - 2), false, false},
        {"AC-3 pieced at a join", AV_CODEC_ID_AC3, pieced, true, false},
        {"AC-3 changed far from a join (not checked)", AV_CODEC_ID_AC3, pieced, false, true},
        {"a whole MPEG audio frame", AV_CODEC_ID_MP2, mp2, true, true},
        {"MPEG audio cut short", AV_CODEC_ID_MP2, mp2.substr(0, 300), true, false},
        {"DTS cut short", AV_CODEC_ID_DTS, std::string("\x7F\xFE\x80\x01\x00\x00\x3F\xF0", 8) + std::string(100, '\0'), true, false},
        {"LPCM, which has no frames", AV_CODEC_ID_PCM_DVD, std::string(7, '\0'), true, true},
    };
    for (const auto& c : cases) EXPECT_EQ(Intact(c.codec, c.bytes, c.nearJoin), c.intact) << c.what;
}

// Items arrive in order and none is lost, whether the threads wait for each
// other or not; closing gives what is left, however few.
TEST(CopiedStreamsTest, TheQueueHandsOverEveryItemInOrder)
{
    BoundedQueue<int> queue(64);
    std::thread producer([&] {
        for (int i = 0; i < 10000; ++i) ASSERT_TRUE(queue.Push(i));
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(queue.Push(10000 + i));  // fewer than wake a waiting reader
        queue.Close();
    });
    int expected = 0;
    while (auto item = queue.Pop()) EXPECT_EQ(*item, expected++);
    producer.join();
    EXPECT_EQ(expected, 10003);
    EXPECT_FALSE(queue.Push(1));
}
