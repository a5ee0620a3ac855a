#include "display/cli_display.h"

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kBarFillText =
    "=====================================================================";
constexpr const char* kBarFill = kBarFillText.data();
constexpr int kBarFillLength = static_cast<int>(kBarFillText.size());
// A labelled bar shares its columns with the label.
constexpr int kLabelledBarColumns = 65;
constexpr int kClearWidth = 88;

constexpr const char* kBusyFrames[] = {".", "..", "...", "....", ".....", "....", "...", ".."};
constexpr uint8_t kBusyFrameCount = 8;

// Shared by every showBusy call of the process, so the animation runs on across displays.
std::atomic<uint8_t> g_busyFrame{0};

bool standardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

void clearLine() {
    std::printf("\r%*s\r", kClearWidth, " ");
}

// Callers pass the share done so far; anything outside 0..1 (or NaN) would make the fill
// precision negative, which printf reads as "no precision" and prints past the bar.
double clampedFraction(double fraction) {
    if (!(fraction > 0.0)) {
        return 0.0;
    }
    return fraction > 1.0 ? 1.0 : fraction;
}

}  // namespace

CLI_Display::CLI_Display() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void CLI_Display::setProgressActive(bool active) {
    if (!active && standardOutputIsTerminal()) {
        clearLine();
    }
}

void CLI_Display::showProgress(double fraction, const char* label) {
    if (!standardOutputIsTerminal()) {
        return;
    }
    fraction = clampedFraction(fraction);
    const int percent = static_cast<int>(fraction * 100);
    if (label == nullptr) {
        const int filled = static_cast<int>(fraction * kBarFillLength);
        // At 1.0 the padding width is -1, which pads one space on the right: the full bar is
        // deliberately two columns wider than the bar in progress.
        std::printf("\r[%.*s>%*s] (%3d%% ) ", filled, kBarFill, kBarFillLength - 1 - filled, "",
                    percent);
        return;
    }
    const int labelLength = static_cast<int>(std::strlen(label));
    if (labelLength >= kLabelledBarColumns) {
        // No room is left for a bar; show the bare arrow rather than negative widths.
        std::printf("\r (%s) [>] (%3d%% ) ", label, percent);
        return;
    }
    const int columns = kLabelledBarColumns - labelLength;
    const int filled = static_cast<int>(columns * fraction);
    std::printf("\r (%s) [%.*s>%*s] (%3d%% ) ", label, filled, kBarFill, columns - 1 - filled, "",
                percent);
}

void CLI_Display::showBusy(bool active, const char* label) {
    if (!standardOutputIsTerminal()) {
        return;
    }
    if (!active) {
        clearLine();
        return;
    }
    uint8_t frame = g_busyFrame.load();
    while (!g_busyFrame.compare_exchange_weak(frame, (frame + 1) % kBusyFrameCount)) {
    }
    const char* text = kBusyFrames[frame % kBusyFrameCount];
    if (label != nullptr) {
        std::printf("\r (%s) %s      \r", label, text);
    } else {
        std::printf("\r %s      \r", text);
    }
}

void CLI_Display::showInfo(const char* text) {
    std::printf("%s\n", text);
}

void CLI_Display::showError(const char* text) {
    std::fprintf(stderr, "%s\n", text);
}
