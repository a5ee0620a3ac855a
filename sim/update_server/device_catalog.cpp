#include "device_catalog.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

bool isPlainName(const std::string& text) {
    return !text.empty() && text.find('/') == std::string::npos && text != "." && text != "..";
}

std::optional<DeviceRecord> readRecord(const std::filesystem::path& directory) {
    std::ifstream in(directory / "device.conf");
    if (!in) {
        return std::nullopt;
    }
    DeviceRecord record;
    record.serial = directory.filename().string();
    std::string line;
    while (std::getline(in, line)) {
        auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (key == "latest") {
            record.latest = value;
        } else if (key == "tag") {
            record.tag = value;
        } else if (key == "token") {
            record.token = value;
        } else if (key == "fingerprint") {
            record.fingerprint = value;
        } else if (key == "build") {
            auto semicolon = value.find(';');
            record.builds.emplace_back(
                value.substr(0, semicolon),
                semicolon == std::string::npos ? "" : value.substr(semicolon + 1));
        }
    }
    return record;
}

}  // namespace

std::optional<DeviceRecord> DeviceCatalog::find(const std::string& serial) const {
    if (!isPlainName(serial)) {
        return std::nullopt;
    }
    return readRecord(std::filesystem::path(root_) / serial);
}

std::optional<DeviceRecord> DeviceCatalog::findByFingerprint(const std::string& fingerprint) const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
        auto record = readRecord(entry.path());
        if (record && !record->fingerprint.empty() && record->fingerprint == fingerprint) {
            return record;
        }
    }
    return std::nullopt;
}

std::optional<std::string> DeviceCatalog::birdFile(const std::string& serial,
                                                   const std::string& build) const {
    if (!isPlainName(serial) || !isPlainName(build)) {
        return std::nullopt;
    }
    std::ifstream in(std::filesystem::path(root_) / serial / (build + ".bird"), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
