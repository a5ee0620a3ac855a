#pragma once

#include <string>

#include "lynkor/aDirectory.h"

// Joins path components with the separator always inserted between two of them.
template <typename... Parts>
std::string joinPath(std::string first, const Parts&... parts) {
    ((first += aDIRECTORY_SEPARATOR, first += parts), ...);
    return first;
}
