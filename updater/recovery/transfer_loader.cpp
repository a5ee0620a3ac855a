#include "recovery/transfer_loader.h"

#include <span>

#include "display/output.h"
#include "recovery/hid_sdp_loader.h"
#include "recovery/sdp_driver.h"
#include "recovery/serial_sdp_loader.h"

namespace {

constexpr uint32_t kAddressSize = 4;

uint32_t s_bigEndian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

}  // namespace

std::unique_ptr<SDPLoader_Interface> makeSdpLoader(const std::string& portName) {
    if (portName == kImxRomHidPortName) {
        return std::make_unique<HID_SDPLoader>(kImxRomVendorId, kImxRomProductId);
    }
    return std::make_unique<Serial_SDPLoader>(portName);
}

uint32_t loaderStartAddress(const BirdFile& bird) {
    const std::vector<BirdBlock> starts = bird.getBlocks(BIRD_BLOCK_START_ADDRESS);
    if (starts.empty() || starts.front().length < kAddressSize) {
        return kDefaultLoaderStartAddress;
    }
    return s_bigEndian(starts.front().body);
}

aErr transferLoader(const std::string& portName, const BirdFile& bird) {
    debugPrintf(DEBUG_Updater, "Transfer Loader via Serial Interface (iMX):\n");
    const std::vector<BirdBlock> blocks = bird.getBlocks(BIRD_BLOCK_LOADER);
    for (size_t number = 0; number < blocks.size(); ++number) {
        if (blocks[number].length < kAddressSize) {
            debugPrintf(DEBUG_iMXSerial,
                        "Loader block %zu is shorter than its address (%u bytes)\n", number,
                        blocks[number].length);
            return aErrSize;
        }
    }

    const std::unique_ptr<SDPLoader_Interface> loader = makeSdpLoader(portName);
    if (!loader->open()) {
        return aErrNotReady;
    }
    SdpDriver driver(*loader);
    for (size_t number = 0; number < blocks.size(); ++number) {
        const BirdBlock& block = blocks[number];
        const std::span<const uint8_t> image(block.body + kAddressSize,
                                             block.length - kAddressSize);
        debugPrintf(DEBUG_iMXSerial, "Writting Block: %d, size %zu, address: %d\b",
                    static_cast<int>(number), image.size(), static_cast<int>(block.loadAddress));
        if (driver.loadFile(image, block.loadAddress) != LoadFileResult::kSuccess) {
            return aErrConnection;
        }
    }
    return driver.jump(loaderStartAddress(bird)) ? aErrNone : aErrConnection;
}
