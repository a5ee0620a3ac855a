#include "commands/build_list.h"

#include "display/output.h"
#include "update_server/version_order.h"

namespace {

constexpr const char* kBuildListRow = "%-15.15s\t%-15.15s";

}  // namespace

void printBuildList(UpdaterDisplayInterface* display, const BuildMap& builds,
                    uint32_t serialNumber) {
    if (builds.empty()) {
        displayPrintf(display, DISPLAY_INFO, "No builds found for device [%08X]", serialNumber);
        return;
    }
    displayPrintf(display, DISPLAY_INFO, "Build List for device [%08X]:\n", serialNumber);
    displayPrintf(display, DISPLAY_INFO, kBuildListRow, "Build", "Version");
    for (const auto& [build, version] : sortedBuildList(builds)) {
        displayPrintf(display, DISPLAY_INFO, kBuildListRow, build.c_str(), version.c_str());
    }
}
