// Serial bytes are untrusted: any byte stream, cut into any chunks, under any gauge kind (also
// changed between chunks) must neither crash nor produce frames beyond their bounds.
#include "core/serial/FrameAssembler.h"

#include <cstdlib>

namespace {

struct CheckingSink : tavin::FrameSink {
    int term = 0;
    bool switching = false;  // a frame begun under another kind may end under this one
    void frame(std::string_view text) override
    {
        if (text.size() > std::size_t(tavin::FrameAssembler::MaxFrameText))
            std::abort();
        if (term == 1 && !switching && text.size() != 10)
            std::abort();
        if (term == 5 && (text.size() < 4 || text.size() > 7))
            std::abort();
        volatile char sink = 0;
        for (char c : text)
            sink = char(sink ^ c);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int firstTerm = data[0] % 7;
    const bool switchKinds = data[0] & 0x80;
    const std::size_t chunk = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    tavin::FrameAssembler a;
    CheckingSink sink;
    sink.switching = switchKinds;
    int index = 0;
    for (std::size_t at = 0; at < size; at += chunk, ++index) {
        sink.term = switchKinds ? (firstTerm + index) % 7 : firstTerm;
        a.RecvAssemble(data + at, std::min(chunk, size - at), sink.term, sink);
        if (index % 17 == 16)
            a.reset();
    }
    return 0;
}
