#pragma once

// Writing trace lines from inside the library.
#include <cstdint>

#include "lynkor/aTrace.h"

namespace lynkor {

// Prints the formatted line to standard output when the category is traced.
void trace(uint32_t category, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace lynkor
