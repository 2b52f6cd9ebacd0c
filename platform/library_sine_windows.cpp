#include "library_sine.h"

namespace platform {

// pi/2 as the sum of four parts of at most 26 significant bits each (what is
// left is below 1.1e-32), so that every product with a quadrant count below
// 2^26 is exact.
constexpr double kHalfPi1 = 0x1.921fb5p+0;
constexpr double kHalfPi2 = 0x1.110b46p-26;
constexpr double kHalfPi3 = 0x1.1a6263p-54;
constexpr double kHalfPi4 = 0x1.8a2e03p-81;
constexpr double kTwoOverPi = 0.63661977236758134308;
constexpr double kLargestReduced = 0x1p+26;

double reducedSine(double x)
{
    if (!std::isfinite(x) || std::fabs(x) >= kLargestReduced)
        return std::sin(x);
    const double k = std::nearbyint(x * kTwoOverPi);
    // x - k pi/2 as sum + lo: the first difference is exact (its terms are
    // within a factor of two), the second is made exact by a two-sum, and
    // the last two parts only touch the low word.
    const double first = x - k * kHalfPi1;
    const double second = -(k * kHalfPi2);
    const double sum = first + second;
    const double secondPart = sum - first;
    const double error = (first - (sum - secondPart)) + (second - secondPart);
    const double lo = error - k * kHalfPi3 - k * kHalfPi4;
    // The quarter-turn sine or cosine in the x87 unit's 64-bit precision,
    // which needs no reduction of its own there, rounded once to double.
    const long double r = static_cast<long double>(sum) + static_cast<long double>(lo);
    switch (static_cast<long long>(k) & 3) {
    case 0: return static_cast<double>(sinl(r));
    case 1: return static_cast<double>(cosl(r));
    case 2: return static_cast<double>(-sinl(r));
    default: return static_cast<double>(-cosl(r));
    }
}

}  // namespace platform
