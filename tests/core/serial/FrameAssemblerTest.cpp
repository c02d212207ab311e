#include "core/serial/FrameAssembler.h"
#include "GaugeFrames.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tavin;

namespace {

struct Frames : FrameSink {
    std::vector<std::string> got;
    void frame(std::string_view text) override { got.emplace_back(text); }
};

struct Feeder {
    FrameAssembler a;
    Frames sink;
    int term = 0;
    Feeder& operator<<(const std::string& chunk)
    {
        a.RecvAssemble(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size(), term, sink);
        return *this;
    }
    const std::vector<std::string>& got() const { return sink.got; }
};

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list)
        s += char(b);
    return s;
}

// A stream of several frames of one kind, with noise between them where the kind allows it.
std::string stream(int kind)
{
    std::string s = kind == 5 ? "" : "xy\r\n";
    const double values[] = {1.234, -12.34, 123.4, 0.05, -0.007};
    for (double v : values) {
        sim::FrameSpec wire;
        wire.kind = kind;
        wire.value = v;
        s += sim::EncodeFrame(wire);
        if (kind != 5)
            s += "?\n";
    }
    return s;
}

}  // namespace

TEST(FrameAssembler, EveryChunkBoundaryGivesTheSameFrames)
{
    for (int kind = 0; kind <= 5; ++kind) {
        const std::string s = stream(kind);
        Feeder whole;
        whole.term = kind;
        whole << s;
        ASSERT_EQ(whole.got().size(), 5u) << "kind " << kind;
        for (std::size_t cut = 0; cut <= s.size(); ++cut) {
            for (std::size_t cut2 = cut; cut2 <= s.size(); cut2 += 7) {
                Feeder f;
                f.term = kind;
                f << s.substr(0, cut) << s.substr(cut, cut2 - cut) << s.substr(cut2);
                ASSERT_EQ(f.got(), whole.got()) << "kind " << kind << " cut at " << cut << "," << cut2;
            }
        }
        Feeder byteByByte;
        byteByByte.term = kind;
        for (char c : s)
            byteByByte << std::string(1, c);
        EXPECT_EQ(byteByByte.got(), whole.got()) << "kind " << kind;
    }
}

TEST(FrameAssembler, StxEtxFramesSkipStrayCharactersAndSpanChunks)
{
    Feeder f;
    f << "ab\x02"
         "FIRST\x03\x02SEC"
      << "OND\x03";
    EXPECT_EQ(f.got(), (std::vector<std::string>{"FIRST", "SECOND"}));
}

TEST(FrameAssembler, AnOverlongTextFrameStartsAfreshAtTheBound)
{
    for (int kind : {0, 2, 3, 4}) {
        Feeder f;
        f.term = kind;
        f << "\x02" + std::string(4097, 'a') + "tail\x03";
        ASSERT_EQ(f.got().size(), 1u);
        EXPECT_EQ(f.got()[0], "tail") << "kind " << kind;
    }
    Feeder f;
    f << "\x02" + std::string(4096, 'a') + "\x03";
    EXPECT_EQ(f.got()[0].size(), 4096u);  // exactly at the bound is kept
}

TEST(FrameAssembler, KindOneReadsTheHexPairsAndAddsTheirSum)
{
    Feeder f;
    f.term = 1;
    // Eight characters whose codes sum to 0x10A: seven '!' (0x21) and one 0x23.
    std::string frame = ":000001" + std::string(22, '0');
    for (int i = 0; i < 7; ++i)
        frame += "21";
    frame += "23Z";
    f << frame + "\x02";
    ASSERT_EQ(f.got().size(), 1u);
    EXPECT_EQ(f.got()[0], "!!!!!!!#0A");
    EXPECT_EQ(f.a.l_intRecvMode, 0);
}

TEST(FrameAssembler, KindOneAbandonsSequenceZeroAndTheRestOfItsChunk)
{
    Feeder f;
    f.term = 1;
    sim::FrameSpec wire;
    wire.kind = 1;
    wire.value = 1.5;
    std::string good = sim::EncodeFrame(wire);
    std::string seqZero = good;
    seqZero[5] = '0';
    seqZero[6] = '0';
    f << seqZero + good;  // the good frame shares the abandoned frame's chunk
    EXPECT_TRUE(f.got().empty());
    f << good;
    EXPECT_EQ(f.got().size(), 1u);
}

TEST(FrameAssembler, KindFiveChecksumsAndFormatsTheNumber)
{
    Feeder f;
    f.term = 5;
    f << bytes({0x83, 0x02, 0x0C, 0x22, 0x30});
    f << bytes({0x83, 0x41, 0x01, 0x05, 0x47});
    f << bytes({0x83, 0x00, 0x00, 0x07, 0x07});
    f << bytes({0x83, 0x03, 0x01, 0x02, 0x06});
    EXPECT_EQ(f.got(), (std::vector<std::string>{"12.34", "-0.105", "0007", "010.2"}));

    Feeder bad;
    bad.term = 5;
    bad << bytes({0x83, 0x02, 0x0C, 0x22, 0x31, 0x83, 0x02, 0x0C, 0x22, 0x30});
    EXPECT_EQ(bad.got(), (std::vector<std::string>{"12.34"}));
}

TEST(FrameAssembler, KindFiveTakesHighBytesInsideAFrameAsData)
{
    Feeder f;
    f.term = 5;
    // 0x85 inside the frame is data: 0x02, 0x85, 0x22 sum to 0x29 within 7 bits.
    f << bytes({0x83, 0x02, 0x85, 0x22, (0x02 + 0x85 + 0x22) & 0x7F});
    ASSERT_EQ(f.got().size(), 1u);
    EXPECT_EQ(f.got()[0], "133.34");
}

TEST(FrameAssembler, KindFiveFramesWithoutAFullValueDeliverNothing)
{
    Feeder f;
    f.term = 5;
    f << bytes({0x83, 0x02, 0x0C, 0x22, 0x30});  // leaves 12.34 in the data bytes
    f << bytes({0x80, 0x00});                    // header, no data, checksum 0
    f << bytes({0x82, 0x02, 0x0C, 0x0E});        // two data bytes, right checksum
    EXPECT_EQ(f.got(), (std::vector<std::string>{"12.34"}));
    // Long frames keep 16 data bytes and decode from the first three.
    std::string longFrame = bytes({0x80 + 20, 0x01, 0x00, 0x05});
    int sum = 0x06;
    for (int i = 3; i < 20; ++i) {
        longFrame += char(0x01);
        if (i < 16)
            sum += 1;
    }
    f << longFrame + char(sum & 0x7F);
    EXPECT_EQ(f.got().back(), "0.005");
}

TEST(FrameAssembler, KindSixIgnoresEverythingAndResetAbandonsAFrame)
{
    Feeder f;
    f.term = 6;
    f << "\x02+1.234\x03" << bytes({0x83, 0x02, 0x0C, 0x22, 0x30});
    EXPECT_TRUE(f.got().empty());

    Feeder g;
    g << "\x02half";
    g.a.reset();
    g << "more\x03\x02whole\x03";
    EXPECT_EQ(g.got(), (std::vector<std::string>{"whole"}));
}

TEST(FrameAssembler, AStateLeftFromKindFiveBlocksTextFramesUntilReset)
{
    Feeder f;
    f.term = 5;
    f << bytes({0x85, 0x01});
    f.term = 0;
    f << "\x02+1.234\x03";
    EXPECT_TRUE(f.got().empty());
    f.a.reset();
    f << "\x02+1.234\x03";
    EXPECT_EQ(f.got().size(), 1u);
}

TEST(FrameAssembler, AKindChangeMidFrameGoesOnUnderTheNewKind)
{
    // A text frame half received under kind 0 is finished by a kind 1 frame's pairs; the text
    // already gathered stays in front, and the buffer stays within its bound.
    Feeder f;
    f << "\x02" + std::string(4096, 'a');
    f.term = 1;
    f << "0000" + std::string(40, '4') + "1";
    ASSERT_EQ(f.got().size(), 1u);
    EXPECT_LE(f.got()[0].size(), std::size_t(FrameAssembler::MaxFrameText) + 2);
    EXPECT_EQ(f.a.l_intRecvMode, 0);
}

TEST(HexPairValue, ANonHexCharacterEndsTheNumber)
{
    EXPECT_EQ(HexPairValue('0', 'A'), 10);
    EXPECT_EQ(HexPairValue('f', 'f'), 255);
    EXPECT_EQ(HexPairValue('4', 'G'), 4);
    EXPECT_EQ(HexPairValue('G', '4'), 0);
}
