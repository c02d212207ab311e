#include "core/serial/FrameAssembler.h"

#include "core/platform/NumText.h"

namespace tavin {

namespace {

constexpr std::uint8_t STX = 0x02;
constexpr std::uint8_t ETX = 0x03;

int hexDigit(std::uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

int HexPairValue(std::uint8_t hi, std::uint8_t lo)
{
    const int h = hexDigit(hi);
    if (h < 0)
        return 0;
    const int l = hexDigit(lo);
    return l < 0 ? h : h * 16 + l;
}

void FrameAssembler::RecvAssemble(const std::uint8_t* data, std::size_t size, int term, FrameSink& sink)
{
    if (l_intRecvMode == 0) {
        recvLen = 0;
        RecvSum = 0;
    }
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        switch (term) {
        case 0:
        case 2:
        case 3:
        case 4: textByte(b, sink); break;
        case 1:
            if (!colonByte(b, sink))
                return;
            break;
        case 5: binaryByte(b, sink); break;
        default: return;  // kind 6 ("その他") receives nothing
        }
    }
}

void FrameAssembler::textByte(std::uint8_t b, FrameSink& sink)
{
    if (l_intRecvMode == 0) {
        if (b == STX)
            l_intRecvMode = 1;
        return;
    }
    if (l_intRecvMode != 1)
        return;  // a state left from kind 5 ignores everything until a reset
    if (b == ETX) {
        sink.frame(std::string_view(RecvBuf, std::size_t(recvLen)));
        recvLen = 0;
        l_intRecvMode = 0;
        return;
    }
    RecvBuf[recvLen++] = char(b);
    if (recvLen > MaxFrameText)  // a gauge that never sends ETX must not grow memory
        recvLen = 0;
}

bool FrameAssembler::colonByte(std::uint8_t b, FrameSink& sink)
{
    if (l_intRecvMode == 0) {
        if (b == ':') {
            l_intRecvMode = 1;
            RecvCharCnt = 0;
            recvLen = 0;
        }
        return true;
    }
    const int n = RecvCharCnt;
    if (n < 28) {
        if (n == 4) {
            RecvHexHi = b;
        } else if (n == 5 && HexPairValue(RecvHexHi, b) == l_intSeqNo) {
            l_intRecvMode = 0;
            RecvCharCnt = 0;
            recvLen = 0;
            return false;
        }
    } else if (n % 2 == 0) {
        RecvHexHi = b;
    } else if (recvLen < MaxFrameText) {  // text left by a frame of another kind may precede
        RecvBuf[recvLen++] = char(HexPairValue(RecvHexHi, b));
    }
    if (n == 44) {
        unsigned sum = 0;
        for (int k = 0; k < recvLen; ++k)
            sum += std::uint8_t(RecvBuf[k]);
        static const char digits[] = "0123456789ABCDEF";
        RecvBuf[recvLen++] = digits[(sum >> 4) & 0xF];
        RecvBuf[recvLen++] = digits[sum & 0xF];
        sink.frame(std::string_view(RecvBuf, std::size_t(recvLen)));
        recvLen = 0;
        l_intRecvMode = 0;
        // The rest of the chunk is still read: when frames arrive faster than they are read,
        // the next frame shares this chunk and must not be lost.
        return true;
    }
    if (++RecvCharCnt > 100)
        l_intRecvMode = 0;
    return true;
}

void FrameAssembler::binaryByte(std::uint8_t b, FrameSink& sink)
{
    if (l_intRecvMode == 0) {
        if (b & 0x80) {
            l_intRecvMode = std::int16_t((b & 0x7F) + 1);
            RecvSum = 0;
            RecvDataCnt = 0;
        }
        return;
    }
    if (l_intRecvMode < 0)
        return;
    if (--l_intRecvMode > 0) {
        if (RecvDataCnt < 16) {
            RecvData[RecvDataCnt++] = b;
            RecvSum = std::uint8_t((RecvSum + b) & 0x7F);
        }
        return;
    }
    // The checksum byte. A frame needs flags, hundreds and units; a shorter one would decode
    // whatever the previous frame left in the data bytes, so it delivers nothing.
    if (b == RecvSum && RecvDataCnt >= 3) {
        int v = RecvData[1] * 100 + RecvData[2];
        if (RecvData[0] & 0x40)
            v = -v;
        static constexpr std::string_view patterns[] = {"0000", "0.000", "00.00", "000.0"};
        static constexpr double divisors[] = {1, 1000, 100, 10};
        const int decimals = RecvData[0] & 0x03;
        char text[48];
        char* end = FormatNumber(text, v / divisors[decimals], patterns[decimals]);
        sink.frame(std::string_view(text, std::size_t(end - text)));
    }
    recvLen = 0;
    l_intRecvMode = 0;
}

}  // namespace tavin
