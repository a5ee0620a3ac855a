#include "hid_rom_port.h"

#include <algorithm>

namespace sim {
namespace {

constexpr uint8_t kCommandReport = 1;
constexpr uint8_t kDataReport = 2;
constexpr uint8_t kHabModeReport = 3;
constexpr uint8_t kStatusReport = 4;
// Report 4 with its ID and 64 bytes.
constexpr uint16_t kLargestInputReport = 65;

UsbDeviceProperties s_properties() {
    UsbDeviceProperties properties;
    properties.vendorId = HidRomPort::kVendorId;
    properties.productId = HidRomPort::kProductId;
    properties.vendorInterface = false;
    properties.packetSize = kLargestInputReport;
    properties.socketSuffix = ".hid";
    return properties;
}

}  // namespace

HidRomPort::HidRomPort(EventLoop& loop, SdpRom& rom, const std::string& directory)
    : rom_(rom), endpoint_(loop, directory, "sdp_rom", s_properties(), [this](const Bytes& report) {
          onReport(report);
      }) {}

void HidRomPort::onReport(const Bytes& report) {
    if (report.empty()) {
        return;
    }
    const std::span<const uint8_t> body(report.data() + 1, report.size() - 1);
    if (report[0] == kCommandReport) {
        send(rom_.command(body));
    } else if (report[0] == kDataReport) {
        rom_.note("data " + std::to_string(body.size()));
        send(rom_.data(body));
    } else {
        rom_.note("report " + std::to_string(report[0]));
    }
}

void HidRomPort::send(const RomReplies& replies) {
    UsbEndpoint& endpoint = endpoint_.endpoint();
    for (const RomReply& reply : replies) {
        if (reply.kind == RomReply::Kind::HabMode) {
            Bytes report{kHabModeReport};
            report.insert(report.end(), reply.bytes.begin(), reply.bytes.end());
            endpoint.sendIn(report);
            continue;
        }
        if (rom_.behaviour().shortAnswers) {
            // A short answer goes as a short report, not padded to its proper size.
            Bytes report{kStatusReport};
            report.insert(report.end(), reply.bytes.begin(), reply.bytes.end());
            endpoint.sendIn(report);
            continue;
        }
        // Every report 4 has its full 64 bytes, the last one zero-padded.
        for (size_t offset = 0; offset < std::max<size_t>(reply.bytes.size(), 1);
             offset += kStatusPayloadSize) {
            Bytes report(1 + kStatusPayloadSize, 0);
            report[0] = kStatusReport;
            const size_t length = std::min(kStatusPayloadSize, reply.bytes.size() - offset);
            std::copy_n(reply.bytes.begin() + static_cast<ptrdiff_t>(offset), length,
                        report.begin() + 1);
            endpoint.sendIn(report);
        }
    }
}

}  // namespace sim
