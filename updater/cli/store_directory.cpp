#include "cli/store_directory.h"

#include <filesystem>

#include "display/output.h"
#include "lynkor/aDirectory.h"
#include "lynkor/aError.h"

namespace {

constexpr size_t kHomeDirectoryBufferSize = 2048;
constexpr uint32_t kStoreDirectoryPermissions = 0755;

std::optional<std::filesystem::path> storeRoot(const UpdaterSettings& settings) {
    // An empty -i names no directory; falling back to the home directory keeps the store
    // from landing at the file-system root.
    if (!settings.storeRootDirectory.empty()) {
        return std::filesystem::path(settings.storeRootDirectory);
    }
    char home[kHomeDirectoryBufferSize];
    const aErr error = aDirectory_GetHomeDirectory(home, sizeof home);
    if (error != aErrNone) {
        debugPrintf(DEBUG_APP, "Updater: FailedaDirectory_GetHomeDirectory()==> %d\n", error);
        return std::nullopt;
    }
    return std::filesystem::path(home) / ".norvane";
}

}  // namespace

std::optional<std::string> ensureStoreDirectory(const UpdaterSettings& settings,
                                                UpdaterDisplayInterface* display) {
    const std::optional<std::filesystem::path> root = storeRoot(settings);
    if (!root) {
        return std::nullopt;
    }
    const std::string store = (*root / "updater").string();
    if (aDirectory_Ensure(store.c_str(), kStoreDirectoryPermissions) != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Could not find updater directory at %s",
                      store.c_str());
        return std::nullopt;
    }
    return store;
}
