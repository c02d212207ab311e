// Frames of the six gauge kinds as they travel on the wire, built from a value. Used by the
// simulated gauge, the tests and the benchmarks.
#pragma once

#include <string>

namespace tavin::sim {

struct FrameSpec {
    int kind = 0;  // 0..5
    double value = 0.0;
    char unit = 'k';         // 'M', 'k', 'P' or '-' for none
    int battery = 85;        // tenths of a volt, 0..99 (kinds 0, 2, 3)
    char reference = 'G';    // kinds 0, 2, 3
    bool shortForm = false;  // kinds 0, 2, 3: the six-character frame without unit and battery
    bool badBcc = false;     // corrupt the check characters
};

// The value as the gauge writes it: a sign and five characters ("+1.234", "-12.34", "+01234").
std::string ValueText6(double value);

// The bytes of one frame, start to end character (binary for kind 5).
std::string EncodeFrame(const FrameSpec& wire);

// The text the receiving side decodes the value from, for comparison.
std::string ExpectedValueText(const FrameSpec& wire);

}  // namespace tavin::sim
