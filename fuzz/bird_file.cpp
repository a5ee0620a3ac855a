// Bird-file loading: header, zlib payload, block walk, queries and both in-memory patches.
// An input whose first byte is odd is taken as a payload and compressed here, so the block
// walk sees well-formed zlib streams; an even first byte passes the rest as the whole file.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "display/output.h"
#include "firmware/bird_file.h"

namespace {

std::vector<uint8_t> asFile(const uint8_t* payload, size_t size) {
    std::vector<uint8_t> file{'b', 'i', 'r', 'd', 1, 1};
    uLongf length = compressBound(static_cast<uLong>(size));
    file.resize(file.size() + length);
    compress2(file.data() + 6, &length, payload, static_cast<uLong>(size), 6);
    file.resize(6 + length);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* sink = [] {
        // The log formats read field bytes too, so they run, into nowhere.
        addDebugMask(DEBUG_BirdFile);
        FILE* null = std::fopen("/dev/null", "w");
        setDebugOutput(null);
        return null;
    }();
    (void)sink;
    if (size == 0) {
        return 0;
    }
    const std::vector<uint8_t> file = (data[0] & 1) != 0
                                          ? asFile(data + 1, size - 1)
                                          : std::vector<uint8_t>(data + 1, data + size);

    BirdFile bird;
    if (!bird.loadFromBuffer("fuzz.bird", file)) {
        return 0;
    }
    volatile uint8_t sum = 0;
    for (uint8_t type = 0; type < 32; ++type) {
        for (const BirdBlock& block : bird.getBlocks(type)) {
            for (uint32_t i = 0; i < block.length; ++i) {
                sum = sum + block.body[i];
            }
        }
    }
    bird.getVersion();
    bird.matchesModel("ABC12X");
    bird.matchesSerialNumber(0x40F5849A);
    BirdFile copy = bird;
    copy.setSerialNumber(0x40F5849A);
    copy.applyKey({0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10});
    return 0;
}
