// The floating-point environment the sample arithmetic is defined in.
#pragma once

namespace platform {

// Puts the calling thread in the default floating-point environment: round
// to nearest, every exception masked and no flag set, no flushing of
// subnormals. (MinGW-w64's fesetenv(FE_DFL_ENV) resets the x87 unit but
// leaves the SSE unit's rounding and masks as they were.)
void useDefaultFloatingPoint();

}  // namespace platform
