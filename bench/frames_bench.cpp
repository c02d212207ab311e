// Frames per second through the core receive path (assembly, dispatch to the decoder of the
// kind, decoding, readout format) for a long recorded stream of each gauge kind, against a
// baseline that only finds the frame ends in the same bytes. Counts allocations per frame (new and
// malloc).
#include "AllocCount.h"
#include "GaugeFrames.h"
#include "core/decode/Decoders.h"
#include "core/serial/FrameAssembler.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

namespace {

constexpr int FramesPerStream = 100000;

// A recorded stream: a sine wave with a unit, battery and reference, as the gauge sends it.
const std::string& recorded(int kind)
{
    static std::string streams[6];
    std::string& s = streams[kind];
    if (s.empty()) {
        tavin::sim::FrameSpec wire;
        wire.kind = kind;
        for (int i = 0; i < FramesPerStream; ++i) {
            wire.value = 50.0 * std::sin(i / 100.0);
            s += tavin::sim::EncodeFrame(wire);
        }
    }
    return s;
}

// What the window does with each frame, less the labels: decode and choose the readout format.
struct DecodingSink : tavin::FrameSink {
    int term = 0;
    long frames = 0;
    double sum = 0;
    std::string_view format;
    void frame(std::string_view text) override
    {
        const tavin::Decoded d = tavin::DecodeFrame(term, text);
        if (d.outcome == tavin::Decoded::Outcome::Value) {
            tavin::SetDispFormat(std::int32_t(frames), format, d.text());
            sum += d.value;
        }
        ++frames;
    }
};

// Feeds the stream in chunks of 64 bytes, as a busy serial port delivers it.
void BM_ReceivePath(benchmark::State& state)
{
    const int kind = int(state.range(0));
    const std::string& s = recorded(kind);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
    long frames = 0, allocs = 0;
    for (auto _ : state) {
        tavin::FrameAssembler a;
        DecodingSink sink;
        sink.term = kind;
        const long long before = tavin::bench::Allocations();
        for (std::size_t at = 0; at < s.size(); at += 64)
            a.RecvAssemble(bytes + at, std::min<std::size_t>(64, s.size() - at), kind, sink);
        allocs += long(tavin::bench::Allocations() - before);
        frames += sink.frames;
        benchmark::DoNotOptimize(sink.sum);
    }
    if (frames != long(state.iterations()) * FramesPerStream)
        state.SkipWithError("frames lost");
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["allocs/frame"] = double(allocs) / double(frames);
}

// Baseline: only find the end of each frame in the same bytes.
void BM_FindFrameEnds(benchmark::State& state)
{
    const int kind = int(state.range(0));
    const std::string& s = recorded(kind);
    const char end = kind == 1 ? '\n' : '\x03';
    long frames = 0;
    for (auto _ : state) {
        long found = 0;
        if (kind == 5) {
            for (unsigned char c : s)
                found += (c & 0x80) != 0 && c == 0x83;
        } else {
            for (const char* p = s.data();
                 (p = static_cast<const char*>(std::memchr(p, end, std::size_t(s.data() + s.size() - p))));
                 ++p)
                ++found;
        }
        benchmark::DoNotOptimize(found);
        frames += found;
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_FindFrameEnds)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceivePath)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
