// The C library's sine, by which the samples are defined, as glibc gives
// it. MinGW-w64's sin leaves a large argument to the x87 unit's reduction,
// whose 66-bit pi errs by up to a hundred units in the last place at the
// phases a long tone reaches (1.7e7 rad), enough to move samples of a long
// high tone; on Windows the argument is first reduced to within a quarter
// turn exactly enough, where the library's sine and cosine are accurate.
#pragma once

#include <cmath>

namespace platform {

#ifdef _WIN32
double reducedSine(double x);

inline double librarySine(double x)
{
    return std::fabs(x) <= 0.78539816339744828 ? std::sin(x) : reducedSine(x);
}
#else
inline double librarySine(double x)
{
    return std::sin(x);
}
#endif

}  // namespace platform
