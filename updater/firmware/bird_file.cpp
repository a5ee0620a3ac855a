#include "firmware/bird_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "display/output.h"
#include "firmware/file_handle.h"

namespace {

constexpr size_t kHeaderSize = 6;
constexpr char kMagic[] = "bird";
// Firmware for these devices is a few megabytes; anything far larger is not a bird file, and
// refusing it keeps the decompression room within reason.
constexpr uint32_t kMaxFileSize = 64u << 20;
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
    auto end =
        std::find_if(field.begin(), field.end(), [](uint8_t c) { return c == ' ' || c == 0; });
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

BirdFile::BirdFile(const std::string& filename) {
    if (filename.empty()) {
        throw std::invalid_argument("BirdFile needs a file name");
    }
    if (!load(filename)) {
        throw std::runtime_error("Failed to load bird data");
    }
}

bool BirdFile::isBirdFile(const std::string& path) {
    FileHandle file = openFile(path, aFILE_MODE_READ);
    if (!file) {
        debugPrintf(DEBUG_BirdFile, "BIRDFILE: Error - cannot open bird file: '%s'\n",
                    path.c_str());
        return false;
    }
    uint8_t header[kHeaderSize];
    size_t count = 0;
    return aFile_Read(file.get(), header, sizeof header, &count) == aErrNone &&
           count == kHeaderSize && std::memcmp(header, kMagic, 4) == 0 && header[4] != 0 &&
           header[5] != 0;
}

bool BirdFile::load(const std::string& filename) {
    const char* path = filename.c_str();
    debugPrintf(DEBUG_BirdFile, "BIRDFILE: Loading File [%s]\n", path);
    if (!aFile_Exists(path)) {
        debugPrintf(DEBUG_BirdFile, "BIRDFILE: BIRD file not found [%s]\n", path);
        return false;
    }
    FileHandle file = openFile(filename, aFILE_MODE_READ);
    if (!file) {
        debugPrintf(DEBUG_BirdFile, "BIRDFILE: Error - cannot open bird file: '%s'\n", path);
        return false;
    }
    uint32_t size = 0;
    aErr err = aFile_GetSize(file.get(), &size);
    if (err == aErrNone && size > kMaxFileSize) {
        err = aErrSize;
    }
    if (err != aErrNone) {
        debugPrintf(DEBUG_BirdFile, "BIRDFILE: Error (%d) getting bird file size from %s\n", err,
                    path);
        return false;
    }
    std::vector<uint8_t> bytes(size);
    size_t count = 0;
    if (size > 0) {
        err = aFile_Read(file.get(), bytes.data(), bytes.size(), &count);
        if (err != aErrNone) {
            debugPrintf(DEBUG_BirdFile, "BIRDFILE: Error (%d) reading %s\n", err, path);
            return false;
        }
    }
    if (count < bytes.size()) {
        debugPrintf(DEBUG_BirdFile, "BIRDFILE: Error reading %s read %zu bytes of %zu byte file\n",
                    path, count, bytes.size());
        return false;
    }
    return loadFromBuffer(filename, bytes);
}

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
        // Scratch room left uninitialised: only the pages zlib writes are ever touched.
        uLongf length = static_cast<uLongf>(compressed.size() * kDecompressionRoom);
        auto room = std::make_unique_for_overwrite<uint8_t[]>(length);
        result = uncompress(room.get(), &length, compressed.data(),
                            static_cast<uLong>(compressed.size()));
        if (result == Z_OK) {
            payload_.assign(room.get(), room.get() + length);
        }
    }
    if (result != Z_OK) {
        debugPrintf(DEBUG_BirdFile, "BIRDFILE: Error (%d) decompressing bird file.\n", result);
        return false;
    }
    return true;
}

void BirdFile::parse() {
    const size_t length = payload_.size();
    const uint32_t declared = length >= kCountSize ? readBigEndian(payload_.data()) : 0;
    debugPrintf(DEBUG_BirdFile, "BIRDFILE:\t\t File reports %d blocks\n",
                static_cast<int>(declared));
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

    // Mismatches are reported, not fatal: the blocks that did parse stay usable.
    if (remaining != static_cast<int64_t>(kChecksumSize)) {
        debugPrintf(DEBUG_BirdFile,
                    "BIRDFILE: Block parsing mismatch in data size. (%d bytes remaining)\n",
                    static_cast<int>(remaining - static_cast<int64_t>(kChecksumSize)));
    }
    if (blocks_.size() != declared) {
        debugPrintf(DEBUG_BirdFile,
                    "BIRDFILE: Block parsing mismatch in number of blocks. (%d != %d)\n",
                    static_cast<int>(blocks_.size()), static_cast<int>(declared));
    }
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
