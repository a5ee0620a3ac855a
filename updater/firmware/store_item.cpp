#include "firmware/store_item.h"

#include <stdexcept>

#include "firmware/atomic_file.h"
#include "firmware/bird_file.h"
#include "firmware/join_path.h"

namespace {

constexpr char kSettingsFilename[] = ".settings";

}  // namespace

StoreItem::StoreItem(std::string directory, std::string name, bool isDirectory)
    : directory_(std::move(directory)), name_(std::move(name)), isDirectory_(isDirectory) {
    // A plain file has no settings of its own; there is no directory to keep them in.
    if (isDirectory_) {
        settings_.load(joinPath(path(), kSettingsFilename));
    }
}

std::string StoreItem::path() const {
    return joinPath(directory_, name_);
}

void StoreItem::loadBird(const std::string& file, BirdFile& bird) const {
    const std::string birdPath = joinPath(path(), file);
    if (!BirdFile::isBirdFile(birdPath)) {
        throw std::runtime_error("Invalid bird " + birdPath);
    }
    bird = BirdFile(birdPath);
}

aErr StoreItem::writeFile(const std::string& file, std::span<const uint8_t> bytes) const {
    if (bytes.empty()) {
        return aErrNotFound;
    }
    return writeFileAtomically(joinPath(path(), file), bytes);
}
