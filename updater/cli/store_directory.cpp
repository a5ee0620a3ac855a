#include "cli/store_directory.h"

#include <filesystem>

#include "app/command_failure.h"
#include "display/output.h"
#include "lynkor/aDirectory.h"
#include "lynkor/aError.h"

namespace {

constexpr size_t kHomeDirectoryBufferSize = 2048;
constexpr uint32_t kStoreDirectoryPermissions = 0755;

std::filesystem::path s_storeRoot(const UpdaterSettings& settings) {
    // An empty -i names no directory; falling back to the home directory keeps the store
    // from landing at the file-system root.
    if (!settings.storeRootDirectory.empty()) {
        return settings.storeRootDirectory;
    }
    char home[kHomeDirectoryBufferSize];
    const aErr error = aDirectory_GetHomeDirectory(home, sizeof home);
    if (error != aErrNone) {
        debugPrintf(DEBUG_APP, "Updater: FailedaDirectory_GetHomeDirectory()==> %d\n", error);
        throw CommandFailure(
            "Could not find your home directory: set HOME, or name a store directory with -i");
    }
    return std::filesystem::path(home) / ".norvane";
}

}  // namespace

std::string ensureStoreDirectory(const UpdaterSettings& settings) {
    const std::string store = (s_storeRoot(settings) / "updater").string();
    if (aDirectory_Ensure(store.c_str(), kStoreDirectoryPermissions) != aErrNone) {
        throw CommandFailure("Could not find updater directory at " + store);
    }
    return store;
}
