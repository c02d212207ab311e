// Cuts the gauge's byte stream into frames. One small state machine per gauge kind; the kind is
// read afresh for every chunk, so a change of kind mid-frame interprets the next byte anew.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavin {

// Receives each complete frame: its text between the start and end characters (for the binary
// kind 5, the decoded number text). The view is valid only during the call.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void frame(std::string_view text) = 0;
};

class FrameAssembler {
public:
    // Longest text frame kept; a longer run without an end character starts the buffer afresh.
    static constexpr int MaxFrameText = 4096;

    // Feeds one chunk of received bytes (all that waited at one receive event).
    void RecvAssemble(const std::uint8_t* data, std::size_t size, int term, FrameSink& sink);
    // Abandons a half-received frame (the response timer and every send do this).
    void reset() { l_intRecvMode = 0; }

    // Assembly state: 0 waits for a frame; 1 inside a text frame; for kind 5 the bytes still
    // expected (data plus checksum).
    std::int16_t l_intRecvMode = 0;
    // Sequence number the kind 1 framing abandons frames on; nothing changes it.
    std::int16_t l_intSeqNo = 0;

private:
    void textByte(std::uint8_t b, FrameSink& sink);
    // Returns false when the rest of the chunk is to be discarded.
    bool colonByte(std::uint8_t b, FrameSink& sink);
    void binaryByte(std::uint8_t b, FrameSink& sink);

    char RecvBuf[MaxFrameText + 16];
    int recvLen = 0;
    std::uint8_t RecvSum = 0;
    std::uint8_t RecvData[17] = {};
    std::int16_t RecvCharCnt = 0;
    std::uint8_t RecvHexHi = 0;
    std::int16_t RecvDataCnt = 0;
};

// The value of two characters read as a hexadecimal number; a character that is no hexadecimal
// digit ends the number early ("4G" is 4, "G4" is 0).
int HexPairValue(std::uint8_t hi, std::uint8_t lo);

}  // namespace tavin
