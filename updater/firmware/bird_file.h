#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Block types of a bird file; others are kept but not interpreted.
enum BirdBlockType : uint8_t {
    BIRD_BLOCK_LOADER = 0,
    BIRD_BLOCK_FIRMWARE = 1,
    BIRD_BLOCK_SERIAL_OFFSETS = 2,
    BIRD_BLOCK_INFORMATION = 4,
    BIRD_BLOCK_START_ADDRESS = 5,
};

// One parsed block. `body` points into the payload of the BirdFile it came from and is valid
// while that object lives and is not assigned to.
struct BirdBlock {
    uint8_t type = 0;
    uint8_t flags = 0;
    uint32_t length = 0;       // body length, load address included for images
    uint32_t loadAddress = 0;  // types 0 and 1 only
    const uint8_t* body = nullptr;
};

// A bird firmware file loaded into memory: header, decompressed payload and its blocks. Copies
// own their payload; the serial-number rewrite and the keyed transform patch only this copy.
class BirdFile {
public:
    BirdFile() = default;
    // Loads and parses the file; throws std::runtime_error("Failed to load bird data").
    explicit BirdFile(const std::string& filename);

    // True when the file opens and starts with a valid six-byte header.
    static bool isBirdFile(const std::string& path);

    bool load(const std::string& filename);
    // Steps after reading the file: header fields, decompression, block parse, serial offsets.
    // `fileBytes` is the whole file, header included.
    bool loadFromBuffer(const std::string& filename, std::span<const uint8_t> fileBytes);

    std::vector<BirdBlock> getBlocks(uint8_t type) const;
    std::string getVersion() const;
    bool matchesModel(const std::string& modelName) const;
    bool matchesSerialNumber(uint32_t serialNumber) const;

    bool setSerialNumber(uint32_t serialNumber);
    // The key is the device's 128-bit identifier as four 32-bit words.
    bool applyKey(const std::array<uint32_t, 4>& key);

    const std::string& filename() const { return filename_; }
    uint32_t magic() const { return magic_; }
    uint16_t formatVersion() const { return formatVersion_; }
    uint32_t checksum() const { return checksum_; }
    uint32_t blockCount() const { return static_cast<uint32_t>(blocks_.size()); }
    bool hasSerialOffsets() const { return hasSerialOffsets_; }
    uint32_t serialNumberAddress() const { return serialNumberAddress_; }
    uint32_t descriptorAddress() const { return descriptorAddress_; }
    size_t payloadLength() const { return payload_.size(); }

private:
    // Blocks are kept as offsets into the payload, so copies and moves stay valid by default.
    struct BlockEntry {
        uint8_t type;
        uint8_t flags;
        uint32_t length;
        uint32_t loadAddress;
        size_t bodyOffset;
    };

    bool decompress(std::span<const uint8_t> compressed);
    void parse();
    void readSerialOffsets();
    // The body of the first information block, or empty when there is none or it is too short
    // to hold the four fields.
    std::span<const uint8_t> informationFields() const;
    std::span<uint8_t> image(const BlockEntry& block);

    std::string filename_;
    uint32_t magic_ = 0;
    uint16_t formatVersion_ = 0;
    uint32_t checksum_ = 0;
    std::vector<BlockEntry> blocks_;
    bool hasSerialOffsets_ = false;
    uint32_t serialNumberAddress_ = 0;
    uint32_t descriptorAddress_ = 0;
    std::vector<uint8_t> payload_;
};
