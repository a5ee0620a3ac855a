#pragma once

// Builds bird firmware files from blocks, for tests and simulators. Header-only and needing
// only zlib, so a simulator can use it without linking the application.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class BirdFileBuilder {
public:
    enum BlockType : uint8_t {
        kLoader = 0,
        kFirmware = 1,
        kSerialOffsets = 2,
        kInformation = 4,
        kStartAddress = 5,
    };

    // Any block, its body taken as is.
    BirdFileBuilder& block(uint8_t type, uint8_t flags, std::vector<uint8_t> body) {
        std::vector<uint8_t> bytes;
        bytes.push_back(static_cast<uint8_t>((flags << 5) | (type & 0x1F)));
        appendBigEndian(bytes, static_cast<uint32_t>(body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
        blocks_.push_back(std::move(bytes));
        return *this;
    }

    BirdFileBuilder& loader(uint32_t loadAddress, const std::vector<uint8_t>& image,
                            uint8_t flags = 0) {
        return block(kLoader, flags, addressed(loadAddress, image));
    }

    BirdFileBuilder& firmware(uint32_t loadAddress, const std::vector<uint8_t>& image,
                              uint8_t flags = 0) {
        return block(kFirmware, flags, addressed(loadAddress, image));
    }

    BirdFileBuilder& serialOffsets(uint32_t serialAddress, uint32_t descriptorAddress) {
        std::vector<uint8_t> body;
        appendBigEndian(body, serialAddress);
        appendBigEndian(body, descriptorAddress);
        return block(kSerialOffsets, 0, std::move(body));
    }

    // The four 16-byte text fields, each padded with spaces (longer texts are cut).
    BirdFileBuilder& information(std::string_view first, std::string_view version,
                                 std::string_view serial, std::string_view model) {
        std::vector<uint8_t> body;
        for (std::string_view field : {first, version, serial, model}) {
            std::string padded(field.substr(0, kFieldSize));
            padded.resize(kFieldSize, ' ');
            body.insert(body.end(), padded.begin(), padded.end());
        }
        return block(kInformation, 0, std::move(body));
    }

    BirdFileBuilder& startAddress(uint32_t address) {
        std::vector<uint8_t> body;
        appendBigEndian(body, address);
        return block(kStartAddress, 0, std::move(body));
    }

    // The count written at the payload's start; by default the number of blocks added.
    BirdFileBuilder& declaredCount(uint32_t count) {
        declaredCount_ = count;
        return *this;
    }

    BirdFileBuilder& checksum(uint32_t value) {
        checksum_ = value;
        return *this;
    }

    // Bytes appended after the checksum.
    BirdFileBuilder& trailing(std::vector<uint8_t> bytes) {
        trailing_ = std::move(bytes);
        return *this;
    }

    BirdFileBuilder& version(uint8_t major, uint8_t minor) {
        major_ = major;
        minor_ = minor;
        return *this;
    }

    std::vector<uint8_t> payload() const {
        std::vector<uint8_t> bytes;
        appendBigEndian(bytes, declaredCount_.value_or(static_cast<uint32_t>(blocks_.size())));
        for (const auto& block : blocks_) {
            bytes.insert(bytes.end(), block.begin(), block.end());
        }
        appendBigEndian(bytes, checksum_);
        bytes.insert(bytes.end(), trailing_.begin(), trailing_.end());
        return bytes;
    }

    std::vector<uint8_t> fileBytes() const { return withHeader(compress(payload())); }

    void writeTo(const std::string& path) const { writeBytes(path, fileBytes()); }

    // One zlib stream (header, deflate data, Adler-32), as the file carries it.
    static std::vector<uint8_t> compress(const std::vector<uint8_t>& bytes, int level = 9) {
        uLongf size = compressBound(static_cast<uLong>(bytes.size()));
        std::vector<uint8_t> out(size);
        if (compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), level) !=
            Z_OK) {
            throw std::runtime_error("compress2 failed");
        }
        out.resize(size);
        return out;
    }

    std::vector<uint8_t> withHeader(const std::vector<uint8_t>& compressed) const {
        const uint8_t header[] = {'b', 'i', 'r', 'd', major_, minor_};
        std::vector<uint8_t> bytes(sizeof header + compressed.size());
        std::copy(std::begin(header), std::end(header), bytes.begin());
        std::copy(compressed.begin(), compressed.end(), bytes.begin() + sizeof header);
        return bytes;
    }

    static void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw std::runtime_error("cannot write " + path);
        }
    }

    // An image filled from a pseudo-random sequence: bird files may expand at most eightfold
    // when decompressed, so test images must not compress much better than real firmware does.
    static std::vector<uint8_t> noiseImage(size_t size, uint32_t seed) {
        std::vector<uint8_t> image(size);
        uint32_t state = seed;
        for (auto& byte : image) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(state >> 24);
        }
        return image;
    }

    static void appendBigEndian(std::vector<uint8_t>& bytes, uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<uint8_t>(value >> shift));
        }
    }

private:
    static constexpr size_t kFieldSize = 16;

    static std::vector<uint8_t> addressed(uint32_t loadAddress, const std::vector<uint8_t>& image) {
        std::vector<uint8_t> body(4 + image.size());
        for (size_t i = 0; i < 4; ++i) {
            body[i] = static_cast<uint8_t>(loadAddress >> (24 - 8 * i));
        }
        std::copy(image.begin(), image.end(), body.begin() + 4);
        return body;
    }

    std::vector<std::vector<uint8_t>> blocks_;
    std::optional<uint32_t> declaredCount_;
    uint32_t checksum_ = 0;
    std::vector<uint8_t> trailing_;
    uint8_t major_ = 1;
    uint8_t minor_ = 1;
};

}  // namespace testing_support
