#pragma once

// Runs the real updater against the boot-loader simulator on a pseudo-terminal and, for
// recovery, the update-server program; each test with its own chip, server root and home.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "e2e/server/update_server_fixture.h"
#include "support/bird_file_builder.h"
#include "support/isp_sim.h"

namespace recovery_e2e {

using testing_support::BirdFileBuilder;
using testing_support::IspSim;

inline const std::string kFingerprintLine = "[ 1A2B3C4D 00112233 8899AABB CAFEF00D ]\n";
inline constexpr uint32_t kStagingAddress = 0x10001000;
inline constexpr size_t kFlashSize = 0x80000;

// One firmware image and where it goes.
struct Image {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

// A recovery bird file: the information block, the images, then the 4-byte end marker.
inline BirdFileBuilder recoveryBird(const std::vector<Image>& images) {
    BirdFileBuilder builder;
    builder.information("Norvane", "1.2.3", server_e2e::kSerial, "Relay4");
    for (const Image& image : images) {
        builder.firmware(image.address, image.bytes);
    }
    builder.firmware(0, {0x5A, 0xA5, 0x5A, 0xA5});
    return builder;
}

// The image as the chip must hold it: scrambled with the chip's own identifier, each byte
// XORed with the key byte of its place and with the byte stored before it.
inline std::vector<uint8_t> keyed(const std::vector<uint8_t>& image,
                                  const uint32_t (&key)[4] = IspSim::kIdentification) {
    std::array<uint8_t, 16> stream{};
    for (size_t i = 0; i < stream.size(); ++i) {
        stream[i] = static_cast<uint8_t>(key[i / 4] >> (24 - 8 * (i % 4)));
    }
    std::vector<uint8_t> out(image.size());
    uint8_t previous = 0;
    for (size_t i = 0; i < image.size(); ++i) {
        out[i] = static_cast<uint8_t>(image[i] ^ stream[i % 16] ^ previous);
        previous = out[i];
    }
    return out;
}

// The flash after the images were written into an erased chip; everything else stays erased.
inline std::vector<uint8_t> flashHolding(const std::vector<Image>& images) {
    std::vector<uint8_t> flash(kFlashSize, 0xFF);
    for (const Image& image : images) {
        std::copy(image.bytes.begin(), image.bytes.end(), flash.begin() + image.address);
    }
    return flash;
}

// The commands the flash procedure sends for the images, in order, each with its code 0: unlock,
// erase all, echo off, then per chunk of at most 4096 bytes a write of the rounded count, a
// prepare of every sector the copy touches and the copy; echo back on and a start at 0 at the
// end.
inline std::vector<std::string> flashCommands(const std::vector<Image>& images) {
    auto sector = [](uint32_t address) {
        return address < 0x10000 ? address / 0x1000 : 16 + (address - 0x10000) / 0x8000;
    };
    std::vector<std::string> commands = {"command U 23130 => 0", "command P 0 29 => 0",
                                         "command E 0 29 => 0", "command A 0 => 0"};
    for (const Image& image : images) {
        for (size_t offset = 0; offset < image.bytes.size(); offset += 4096) {
            const size_t length = std::min<size_t>(4096, image.bytes.size() - offset);
            uint32_t count = 256;
            while (count < length) {
                count = count == 1024 ? 4096 : count * 2;
            }
            const uint32_t address = image.address + static_cast<uint32_t>(offset);
            commands.push_back("command W " + std::to_string(kStagingAddress) + " " +
                               std::to_string(count) + " => 0");
            commands.push_back("command P " + std::to_string(sector(address)) + " " +
                               std::to_string(sector(address + count - 1)) + " => 0");
            commands.push_back("command C " + std::to_string(address) + " " +
                               std::to_string(kStagingAddress) + " " + std::to_string(count) +
                               " => 0");
        }
    }
    commands.push_back("command A 1 => 0");
    commands.push_back("command G 0 T => 0");
    return commands;
}

class RecoveryTest : public server_e2e::UpdateServerTest {
protected:
    // The device the server knows by the simulated chip's fingerprint, with builds 1234 (the
    // latest) and 1200.
    void writeRecoverableDevice(const std::vector<Image>& latest, const std::vector<Image>& older) {
        writeDevice(server_e2e::kSerial,
                    "latest=1234\ntag=prod\nbuild=1234;1.2.3\nbuild=1200;1.1.0\n"
                    "fingerprint=1A2B3C4D 00112233 8899AABB CAFEF00D\n");
        writeServedBird("1234", recoveryBird(latest));
        writeServedBird("1200", recoveryBird(older));
    }

    void writeServedBird(const std::string& build, const BirdFileBuilder& builder) {
        const std::vector<uint8_t> bytes = builder.fileBytes();
        testing_support::writeFile(serverRoot.file(server_e2e::kSerial + "/" + build + ".bird"),
                                   std::string(bytes.begin(), bytes.end()));
    }

    std::string writeLocalBird(const std::string& name, const BirdFileBuilder& builder) {
        const std::string path = home.file(name);
        builder.writeTo(path);
        return path;
    }
};

}  // namespace recovery_e2e
