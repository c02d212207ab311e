// The core path's end for the benchmarks' baselines: every frame decoded as a level gauge's and
// counted, its value summed so that the decoding cannot be optimised away.
#pragma once

#include "core/decode/Decoders.h"
#include "core/serial/FrameAssembler.h"

namespace tavin::bench {

struct DecodingSink : FrameSink {
    double sum = 0;
    long frames = 0;
    void frame(std::string_view text) override
    {
        sum += DecodeVrtRq(text).value;
        ++frames;
    }
};

}  // namespace tavin::bench
