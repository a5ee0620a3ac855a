#include "firmware/bird_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "display/output.h"

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kBlockHeaderSize = 5;
constexpr size_t kCountSize = 4;
constexpr size_t kChecksumSize = 4;
constexpr size_t kAddressSize = 4;
// The payload may be at most this many times its compressed size.
constexpr size_t kDecompressionRoom = 8;

constexpr size_t kInfoFieldSize = 16;
constexpr size_t kInfoFieldCount = 4;
constexpr size_t kInfoVersionField = 1;
constexpr size_t kInfoSerialField = 2;
constexpr size_t kInfoModelField = 3;
constexpr size_t kSerialTextLength = 8;
constexpr size_t kSerialOffsetsSize = 8;
constexpr size_t kDescriptorSize = 16;

uint32_t readBigEndian(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

uint32_t readLittleEndian(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
           (uint32_t{bytes[3]} << 24);
}

// The text of an information field up to its first space or NUL.
std::string fieldText(std::span<const uint8_t> field) {
    auto end = std::find_if(field.begin(), field.end(), [](uint8_t c) { return c == ' ' || c == 0; });
    return std::string(field.begin(), end);
}

int hexDigitValue(uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Whether `size` bytes at absolute address `address` lie inside an image loaded at `base`.
bool inside(uint32_t base, size_t imageLength, uint32_t address, size_t size) {
    return address >= base && uint64_t{address} + size <= uint64_t{base} + imageLength;
}

}  // namespace

bool BirdFile::loadFromBuffer(const std::string& filename, std::span<const uint8_t> fileBytes) {
    // Block entries are offsets into one payload: a second load starts from a clean object.
    *this = BirdFile();
    filename_ = filename;
    if (fileBytes.size() >= kHeaderSize) {
        magic_ = readBigEndian(fileBytes.data());
        formatVersion_ = static_cast<uint16_t>((fileBytes[4] << 8) | fileBytes[5]);
    }
    if (!decompress(fileBytes.size() > kHeaderSize ? fileBytes.subspan(kHeaderSize)
                                                    : std::span<const uint8_t>{})) {
        return false;
    }
    parse();
    readSerialOffsets();
    return true;
}

bool BirdFile::decompress(std::span<const uint8_t> compressed) {
    // A file without payload bytes is reported as zlib reports an empty stream.
    int result = Z_BUF_ERROR;
    if (!compressed.empty()) {
        payload_.resize(compressed.size() * kDecompressionRoom);
        uLongf length = static_cast<uLongf>(payload_.size());
        result = uncompress(payload_.data(), &length, compressed.data(),
                            static_cast<uLong>(compressed.size()));
        payload_.resize(result == Z_OK ? length : 0);
        payload_.shrink_to_fit();
    }
    if (result != Z_OK) {
        debugPrintf(DEBUG_BirdFile, "BIRDFILE: Error (%d) decompressing bird file.\n", result);
        return false;
    }
    return true;
}

bool BirdFile::parse() {
    const size_t length = payload_.size();
    const uint32_t declared = length >= kCountSize ? readBigEndian(payload_.data()) : 0;
    debugPrintf(DEBUG_BirdFile, "BIRDFILE:\t\t File reports %d blocks\n", static_cast<int>(declared));
    debugPrintf(DEBUG_BirdFile, "BIRDFILE: Bird file objects:\n");
    debugPrintf(DEBUG_BirdFile, "BIRDFILE: \t\tType Flags Length\n");

    // Remaining is the count of bytes after the offset, so a value above 4 leaves room for the
    // next block header.
    int64_t remaining = static_cast<int64_t>(length) - static_cast<int64_t>(kCountSize);
    size_t offset = kCountSize;
    while (remaining > static_cast<int64_t>(kChecksumSize) && offset < length) {
        const uint8_t typeByte = payload_[offset];
        const uint32_t bodyLength = readBigEndian(&payload_[offset + 1]);
        const BlockEntry block{static_cast<uint8_t>(typeByte & 0x1F),
                               static_cast<uint8_t>(typeByte >> 5), bodyLength, 0,
                               offset + kBlockHeaderSize};
        // A block that does not fit is not counted, so the size mismatch reports the bytes
        // left unparsed.
        if (uint64_t{block.bodyOffset} + bodyLength > length) {
            break;
        }
        remaining -= static_cast<int64_t>(kBlockHeaderSize) + bodyLength;
        debugPrintf(DEBUG_BirdFile, "BIRDFILE:\t\t %02X   %02X   %d\n", block.type, block.flags,
                    static_cast<int>(bodyLength));
        blocks_.push_back(block);
        BlockEntry& added = blocks_.back();
        const uint8_t* body = &payload_[added.bodyOffset];
        if ((added.type == BIRD_BLOCK_LOADER || added.type == BIRD_BLOCK_FIRMWARE) &&
            bodyLength >= kAddressSize) {
            added.loadAddress = readBigEndian(body);
        }
        if (added.type == BIRD_BLOCK_INFORMATION) {
            for (size_t field = 0; field < kInfoFieldCount; ++field) {
                if ((field + 1) * kInfoFieldSize <= bodyLength) {
                    debugPrintf(DEBUG_BirdFile, "BIRDFILE:\t\t \t[%16.16s]\n",
                                reinterpret_cast<const char*>(body + field * kInfoFieldSize));
                }
            }
        }
        offset = added.bodyOffset + bodyLength;
    }

    checksum_ = offset + kChecksumSize <= length ? readBigEndian(&payload_[offset]) : 0;
    debugPrintf(DEBUG_BirdFile, "BIRDFILE:\t\t File checksum %08X\n", checksum_);

    bool consistent = true;
    if (remaining != static_cast<int64_t>(kChecksumSize)) {
        debugPrintf(DEBUG_BirdFile,
                    "BIRDFILE: Block parsing mismatch in data size. (%d bytes remaining)\n",
                    static_cast<int>(remaining - static_cast<int64_t>(kChecksumSize)));
        consistent = false;
    }
    if (blocks_.size() != declared) {
        debugPrintf(DEBUG_BirdFile,
                    "BIRDFILE: Block parsing mismatch in number of blocks. (%d != %d)\n",
                    static_cast<int>(blocks_.size()), static_cast<int>(declared));
        consistent = false;
    }
    return consistent;
}

void BirdFile::readSerialOffsets() {
    auto first = std::find_if(blocks_.begin(), blocks_.end(), [](const BlockEntry& block) {
        return block.type == BIRD_BLOCK_SERIAL_OFFSETS;
    });
    if (first == blocks_.end()) {
        return;
    }
    hasSerialOffsets_ = true;
    // A block too short for both addresses carries none; the flag stays so that callers still
    // refuse to treat the image as one without serial-number places.
    if (first->length >= kSerialOffsetsSize) {
        serialNumberAddress_ = readBigEndian(&payload_[first->bodyOffset]);
        descriptorAddress_ = readBigEndian(&payload_[first->bodyOffset + kAddressSize]);
    }
    debugPrintf(DEBUG_BirdFile, "BIRDFILE: Offsets: Serial number: %d, Descriptor: %d\n",
                static_cast<int>(serialNumberAddress_), static_cast<int>(descriptorAddress_));
}

std::vector<BirdBlock> BirdFile::getBlocks(uint8_t type) const {
    std::vector<BirdBlock> found;
    for (const BlockEntry& block : blocks_) {
        if (block.type == type) {
            found.push_back({block.type, block.flags, block.length, block.loadAddress,
                             payload_.data() + block.bodyOffset});
        }
    }
    return found;
}

std::span<const uint8_t> BirdFile::informationFields() const {
    auto first = std::find_if(blocks_.begin(), blocks_.end(), [](const BlockEntry& block) {
        return block.type == BIRD_BLOCK_INFORMATION;
    });
    if (first == blocks_.end() || first->length < kInfoFieldCount * kInfoFieldSize) {
        return {};
    }
    return {payload_.data() + first->bodyOffset, kInfoFieldCount * kInfoFieldSize};
}

std::string BirdFile::getVersion() const {
    auto fields = informationFields();
    if (fields.empty()) {
        return {};
    }
    return fieldText(fields.subspan(kInfoVersionField * kInfoFieldSize, kInfoFieldSize));
}

bool BirdFile::matchesModel(const std::string& modelName) const {
    auto fields = informationFields();
    if (fields.empty()) {
        return false;
    }
    auto field = fields.subspan(kInfoModelField * kInfoFieldSize, kInfoFieldSize);
    std::string model(field.begin(), std::find(field.begin(), field.end(), uint8_t{0}));
    model.erase(model.find_last_not_of(' ') + 1);
    if (!model.starts_with(modelName)) {
        return false;
    }
    debugPrintf(DEBUG_BirdFile, "Model matches model number ([%s] == [%s])\n", model.c_str(),
                modelName.c_str());
    return true;
}

bool BirdFile::matchesSerialNumber(uint32_t serialNumber) const {
    auto fields = informationFields();
    if (fields.empty()) {
        return false;
    }
    uint32_t value = 0;
    for (uint8_t c : fields.subspan(kInfoSerialField * kInfoFieldSize, kSerialTextLength)) {
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            break;
        }
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return value == serialNumber;
}

std::span<uint8_t> BirdFile::image(const BlockEntry& block) {
    if (block.length < kAddressSize) {
        return {};
    }
    return {payload_.data() + block.bodyOffset + kAddressSize, block.length - kAddressSize};
}

bool BirdFile::setSerialNumber(uint32_t serialNumber) {
    char text[kSerialTextLength + 1];
    std::snprintf(text, sizeof text, "%08X", serialNumber);
    bool placed = false;
    for (const BlockEntry& block : blocks_) {
        if (block.type != BIRD_BLOCK_FIRMWARE) {
            continue;
        }
        std::span<uint8_t> bytes = image(block);
        if (serialNumberAddress_ != 0) {
            placed = true;
            if (inside(block.loadAddress, bytes.size(), serialNumberAddress_, kAddressSize)) {
                uint8_t* at = bytes.data() + (serialNumberAddress_ - block.loadAddress);
                debugPrintf(DEBUG_BirdFile, "BIRDFILE: updating serial number from %08X ==> %08X\n",
                            readLittleEndian(at), serialNumber);
                for (size_t i = 0; i < kAddressSize; ++i) {
                    at[i] = static_cast<uint8_t>(serialNumber >> (8 * i));
                }
            }
        }
        if (descriptorAddress_ != 0 &&
            inside(block.loadAddress, bytes.size(), descriptorAddress_, kDescriptorSize)) {
            // UTF-16LE text: only the low byte of each code unit changes.
            uint8_t* at = bytes.data() + (descriptorAddress_ - block.loadAddress);
            for (size_t i = 0; i < kSerialTextLength; ++i) {
                at[2 * i] = static_cast<uint8_t>(text[i]);
            }
            placed = true;
        }
    }
    return placed;
}

bool BirdFile::applyKey(const std::array<uint32_t, 4>& key) {
    std::array<uint8_t, 16> stream;
    for (size_t word = 0; word < key.size(); ++word) {
        for (size_t byte = 0; byte < 4; ++byte) {
            stream[4 * word + byte] = static_cast<uint8_t>(key[word] >> (8 * (3 - byte)));
        }
    }
    for (const BlockEntry& block : blocks_) {
        if (block.type != BIRD_BLOCK_FIRMWARE) {
            continue;
        }
        uint8_t previous = 0;
        std::span<uint8_t> bytes = image(block);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(bytes[i] ^ stream[i % stream.size()] ^ previous);
            previous = bytes[i];
        }
    }
    return true;
}
