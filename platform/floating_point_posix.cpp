#include "floating_point.h"

#include <cfenv>

namespace platform {

void useDefaultFloatingPoint()
{
    std::fesetenv(FE_DFL_ENV);
}

}  // namespace platform
