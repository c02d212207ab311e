#include "core/trend/MovingAverage.h"

#include "core/platform/NumText.h"

#include <cmath>

namespace tavin {

void MovingAverage::AveReset(double typedLength)
{
    AveRing.fill(0.0f);
    AveSumHist.fill(0.0f);
    AvePos = 0;
    AveCount = 0;
    AveSum = 0.0f;
    const double n = RoundHalfEven(typedLength);
    AveNum = std::int16_t(n >= 1 && n <= MaxLength ? n : DefaultLength);
}

std::optional<std::int16_t> MovingAverage::LengthFromInput(float x)
{
    const double n = RoundHalfEven(double(x));
    if (!(n >= 1 && n <= MaxLength))
        return std::nullopt;
    return std::int16_t(n);
}

void MovingAverage::AveAdd(float v)
{
    const float old = AveRing[std::size_t(AvePos)];
    AveRing[std::size_t(AvePos)] = v;
    AveSum = v + AveSum;
    if (AveCount == AveNum)
        AveSum = AveSum - old;
    if (AveCount < AveNum)
        ++AveCount;
    AveSumHist[std::size_t(AvePos)] = AveSum;
    if (++AvePos >= AveNum)
        AvePos = 0;
}

float MovingAverage::AveGet() const
{
    if (AveCount == 0)
        return 0.0f;
    int slot = AvePos - 1;
    if (slot < 0)
        slot = AveNum - 1;
    return AveSumHist[std::size_t(slot)] / float(AveCount);
}

}  // namespace tavin
