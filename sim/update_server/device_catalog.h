#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the server knows, read from disk on every request so a test can change it between runs:
//
//   <root>/<SERIAL>/device.conf     key=value lines, SERIAL as "%08X"
//       latest=<build>              the build a build query names
//       tag=<text>                  the firmware tag a build query returns; downloads must send it
//       build=<build>;<version>     one line per build of the build list, in listing order
//       token=<text>                the feature token
//       fingerprint=<w0> <w1> <w2> <w3>   the chip fingerprint as four "%08X" words
//   <root>/<SERIAL>/<build>.bird    the bird file a download of that build serves (listed or not)
struct DeviceRecord {
    std::string serial;
    std::string latest;
    std::string tag;
    std::vector<std::pair<std::string, std::string>> builds;
    std::string token;
    std::string fingerprint;
};

class DeviceCatalog {
public:
    explicit DeviceCatalog(std::string root) : root_(std::move(root)) {}

    // The record of a serial number as the request wrote it; nothing when unknown.
    std::optional<DeviceRecord> find(const std::string& serial) const;
    std::optional<DeviceRecord> findByFingerprint(const std::string& fingerprint) const;
    // The bytes of a stored bird file; nothing when there is none.
    std::optional<std::string> birdFile(const std::string& serial, const std::string& build) const;

private:
    std::string root_;
};
