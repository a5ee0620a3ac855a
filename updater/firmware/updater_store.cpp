#include "firmware/updater_store.h"

#include <cstdio>
#include <stdexcept>

#include "display/output.h"
#include "firmware/join_path.h"
#include "lynkor/aDirectory.h"
#include "lynkor/aFile.h"

namespace {

constexpr uint32_t kDirectoryPermissions = 0755;

std::string serialText(uint32_t serialNumber) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", serialNumber);
    return text;
}

std::string entryName(const std::string& path) {
    const size_t slash = path.find_last_of(aDIRECTORY_SEPARATOR_CHAR);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string entryDirectory(const std::string& path) {
    const size_t slash = path.find_last_of(aDIRECTORY_SEPARATOR_CHAR);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void ensureDirectory(const std::string& path) {
    if (aDirectory_Exists(path.c_str())) {
        debugPrintf(DEBUG_Updater, "UpdaterStore: [%s] already exists.\n", path.c_str());
        return;
    }
    if (aFile_Exists(path.c_str())) {
        throw std::runtime_error("UpdaterStore: " + path + " exists and is a file");
    }
    const aErr err = aDirectory_Ensure(path.c_str(), kDirectoryPermissions);
    if (err != aErrNone) {
        throw std::runtime_error("UpdaterStore: Could not create directory " + path + " error " +
                                 std::to_string(err));
    }
    debugPrintf(DEBUG_Updater, "UpdaterStore: Created directory [%s].\n", path.c_str());
}

struct DeviceSearch {
    std::string serial;
    bool found = false;
    std::string path;
    bool isDirectory = false;
};

// Only the entry's own name counts: a root whose path happens to hold the same eight
// characters, or a longer name that contains them, is not the device.
bool findItem(const aDirectoryEntry* entry, void* reference) {
    auto* search = static_cast<DeviceSearch*>(reference);
    debugPrintf(DEBUG_Updater, "%s([%s], %d, %d) searching for %s\n", "_find_item", entry->path,
                entry->is_directory, static_cast<int>(entry->size), search->serial.c_str());
    if (entryName(entry->path) != search->serial) {
        return true;
    }
    search->found = true;
    search->path = entry->path;
    search->isDirectory = entry->is_directory != 0;
    return false;
}

bool findItems(const aDirectoryEntry* entry, void* reference) {
    auto* items = static_cast<std::vector<StoreItem>*>(reference);
    debugPrintf(DEBUG_Updater, "%s([%s], %d, %d)\n", "_find_items", entry->path,
                entry->is_directory, static_cast<int>(entry->size));
    const std::string path = entry->path;
    const std::string name = entryName(path);
    if (!name.starts_with('.')) {
        items->emplace_back(entryDirectory(path), name, entry->is_directory != 0);
    }
    return true;
}

}  // namespace

UpdaterStore::UpdaterStore(std::string root) : root_(std::move(root)) {
    ensureDirectory(root_);
}

bool UpdaterStore::FindDevice(uint32_t serialNumber, StoreItem* item) const {
    DeviceSearch search;
    search.serial = serialText(serialNumber);
    aDirectory_List(root_.c_str(), findItem, &search);
    if (search.found && item != nullptr) {
        *item = StoreItem(entryDirectory(search.path), entryName(search.path), search.isDirectory);
    }
    debugPrintf(DEBUG_Updater, "UpdaterStore: FindDevice %s %s.\n",
                search.found ? "Found" : "Not Found", search.serial.c_str());
    return search.found;
}

bool UpdaterStore::FindDevice(uint32_t serialNumber, std::vector<StoreItem>& items) const {
    items.clear();
    StoreItem device;
    if (FindDevice(serialNumber, &device)) {
        aDirectory_List(device.path().c_str(), findItems, &items);
    }
    return true;
}

StoreItem UpdaterStore::createDevice(uint32_t serialNumber) const {
    const std::string serial = serialText(serialNumber);
    ensureDirectory(joinPath(root_, serial));
    return StoreItem(root_, serial, true);
}
