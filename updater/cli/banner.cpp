#include "cli/banner.h"

#include "display/output.h"

void showVersionLine(UpdaterDisplayInterface* display) {
    displayPrintf(display, DISPLAY_INFO, "%s (%s)", kApplicationName, kApplicationVersion);
}

void showNotice(UpdaterDisplayInterface* display) {
    displayPrintf(display, DISPLAY_INFO, "Copyright (c) 2025 Norvane. All rights reserved.");
}
