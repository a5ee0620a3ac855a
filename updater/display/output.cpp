#include "display/output.h"

#include <atomic>
#include <cstdarg>

#include "display/updater_display_interface.h"

namespace {

constexpr size_t kMessageBufferSize = 2048;

std::atomic<uint32_t> g_debugMask{0};
std::atomic<FILE*> g_debugOutput{stderr};

}  // namespace

void debugPrintf(uint32_t mask, const char* format, ...) {
    if (mask != 0 && (mask & g_debugMask.load()) == 0) {
        return;
    }
    char buffer[kMessageBufferSize];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    FILE* out = g_debugOutput.load();
    if (out != nullptr) {
        fputs(buffer, out);
    }
}

void addDebugMask(uint32_t bits) {
    g_debugMask.fetch_or(bits);
}

uint32_t debugMask() {
    return g_debugMask.load();
}

void setDebugOutput(FILE* stream) {
    g_debugOutput.store(stream);
}

void displayPrintf(UpdaterDisplayInterface* display, int level, const char* format, ...) {
    char buffer[kMessageBufferSize];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (display == nullptr) {
        return;
    }
    if (level == DISPLAY_ERROR) {
        display->showError(buffer);
    } else {
        display->showInfo(buffer);
    }
}
