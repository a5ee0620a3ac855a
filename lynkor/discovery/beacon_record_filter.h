// The records device servers announce by beacon: one 128-byte linkSpec per frame.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "lynkor/aLinkSpec.h"

namespace lynkor::discovery {

// Decides, for the frames heard during one enumeration, which records to report: each distinct
// record once, and in local mode only records of this computer or of the host that sent them.
class BeaconRecordFilter {
public:
    explicit BeaconRecordFilter(bool localFiltering) : localFiltering_(localFiltering) {}

    // The record a frame from `sender` (a dotted IPv4 text) announces, when it is one to report;
    // nothing for a frame of another size, a record already reported, or one filtered out.
    std::optional<linkSpec> admit(const char* sender, std::span<const uint8_t> frame);

private:
    const bool localFiltering_;
    std::vector<linkSpec> seen_;
};

}  // namespace lynkor::discovery
