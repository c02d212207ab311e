// The port's reading without the engine: when a read pauses for the pace, how its frames' arrival
// is spread over the pause, and the console's bounded tap.
#include "engine/PortReader.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavin;
using namespace std::chrono_literals;
using Clock = ReadPace::Clock;

namespace {

TEST(ReadPace, AFastGaugeIsReadOnceAPaceAndItsWaitingFramesSpreadOverThePause)
{
    const auto pace = 20ms;
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    const struct {
        const char* what;
        Clock::duration listening, readAt;  // after t0
        std::size_t frames;
        bool pacing;
        Clock::duration spread;
        bool pause;
    } reads[] = {
        {"the first read", 0ms, 0ms, 1, true, 0ms, false},
        {"more than a frame a pace", 0ms, 5ms, 3, true, 0ms, true},
        {"waiting when it came back", 25ms, 25ms + 200us, 4, true, 20200us, true},
        {"waking it after listening", 50ms, 51ms, 1, true, 0ms, false},
        {"a gauge slower than the pace", 51ms, 75ms, 1, true, 0ms, false},
        {"stopping: no pause", 75ms, 77ms, 5, false, 0ms, false},
    };
    ReadPace p;
    for (const auto& r : reads) {
        p.setPacing(r.pacing);
        p.listening(t0 + r.listening);
        EXPECT_EQ(p.spread(t0 + r.readAt, pace), r.spread) << r.what;
        EXPECT_EQ(p.pauseAfter(t0 + r.readAt, r.frames, pace), r.pause) << r.what;
    }
}

struct Collected : PortReader::Frames {
    void frame(std::string_view text, Clock::time_point arrived) override
    {
        texts.emplace_back(text);
        times.push_back(arrived);
    }
    std::vector<std::string> texts;
    std::vector<Clock::time_point> times;
};

class Reader : public ::testing::Test {
protected:
    test::TestEnv t;
    std::unique_ptr<AppState> st = t.state();
    PortReader reader{t.dir.path(), nullptr, st->log};
};

TEST_F(Reader, FramesOfOneReadArriveEvenlyOverItsSpreadTheLastAtTheRead)
{
    Collected c;
    reader.receive("\x02+1.000M0\x03\x02+2.000M0\x03\x02+3.0", 0, c, 30ms);
    reader.receive("00M0\x03", 0, c);  // a frame's rest, in a read of its own
    ASSERT_EQ(c.texts, (std::vector<std::string>{"+1.000M0", "+2.000M0", "+3.000M0"}));
    EXPECT_EQ(c.times[1] - c.times[0], 15ms);
}

TEST_F(Reader, TheTapKeepsTheNewestBytesWhileOn)
{
    reader.tapReceived("off", 3);
    EXPECT_TRUE(reader.takeTap().empty());
    reader.setTap(true);
    for (char c : {'a', 'b', 'c'})
        reader.tapReceived(QByteArray(30 * 1024, c).constData(), 30 * 1024);
    const std::vector<TapEntry> tap = reader.takeTap();
    ASSERT_EQ(tap.size(), 2u);
    EXPECT_EQ(tap[0].bytes.front(), 'b');
    EXPECT_EQ(tap[1].bytes.front(), 'c');
    EXPECT_TRUE(reader.takeTap().empty());
}

}  // namespace
