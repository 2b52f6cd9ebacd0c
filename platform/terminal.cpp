#include "terminal.h"

#include <cstdlib>

namespace platform {

int terminalColumns()
{
    if (const int columns = windowColumns(); columns > 0)
        return columns;
    if (const char* columns = std::getenv("COLUMNS")) {
        char* end = nullptr;
        const long value = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && value > 0 && value <= 10000)
            return static_cast<int>(value);
    }
    return 80;
}

}  // namespace platform
