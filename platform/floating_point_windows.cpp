#include "floating_point.h"

#include <cfenv>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace platform {

void useDefaultFloatingPoint()
{
    std::fesetenv(FE_DFL_ENV);  // the x87 unit only, in MinGW-w64
#if defined(__SSE__)
    // MXCSR: every exception masked, no flag, round to nearest, neither
    // flush-to-zero nor denormals-are-zero. (fesetenv leaves it as it was,
    // even given a whole environment.)
    _mm_setcsr(0x1F80);
#else
    std::fesetround(FE_TONEAREST);
#endif
}

}  // namespace platform
