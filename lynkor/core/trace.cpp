#include "core/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {

std::atomic<bool> s_enabled{false};
std::atomic<uint32_t> s_categories{0};

}  // namespace

extern "C" {

void aTrace_Set(bool enabled, uint32_t categories) {
    s_categories.store(categories);
    s_enabled.store(enabled);
}

bool aTrace_IsOn(uint32_t category) {
    return s_enabled.load() && (s_categories.load() & category) != 0;
}
}

namespace lynkor {

void trace(uint32_t category, const char* format, ...) {
    if (!aTrace_IsOn(category)) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

}  // namespace lynkor
