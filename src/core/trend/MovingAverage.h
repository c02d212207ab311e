// The moving average of the last AveNum raw values, kept as a running sum so each sample costs
// the same however long the window is.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tavin {

class MovingAverage {
public:
    static constexpr int MaxLength = 2000;
    static constexpr int DefaultLength = 1000;

    // Clears the accumulator; a length outside 1..2000 (typed as 0, 2001 or text) becomes 1000.
    void AveReset(double typedLength);
    // The length a number entered in the length dialog gives: rounded half to even, and nothing
    // unless that is 1..2000 (0.4 would round to 0, which no average can use).
    static std::optional<std::int16_t> LengthFromInput(float x);
    void AveAdd(float v);
    float AveGet() const;

    std::int16_t AveNum = DefaultLength;

private:
    std::array<float, MaxLength> AveRing{};
    std::array<float, MaxLength> AveSumHist{};
    std::int16_t AvePos = 0;
    std::int16_t AveCount = 0;
    float AveSum = 0.0f;
};

}  // namespace tavin
