#pragma once

// Runs the real updater against simulated devices (emulated USB, TCP) and the update-server
// program. The whole test program lives in a private network namespace, so that the updater
// finds TCP devices by its multicast query as it would on a real network.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "e2e/server/update_server_fixture.h"
#include "support/bird_file_builder.h"
#include "support/device_sim.h"
#include "support/private_network.h"
#include "support/temp_dir.h"

namespace update_e2e {

using testing_support::BirdFileBuilder;
using testing_support::DeviceSim;
using Bytes = std::vector<uint8_t>;
using Log = std::vector<std::string>;

inline const std::string kSerial = server_e2e::kSerial;
inline constexpr uint32_t kSerialNumber = 0x40F5849A;
// Model 17 is a "Lintel".
inline const std::string kModel = "17";
inline const std::string kModelName = "Lintel";
inline constexpr uint32_t kLoaderAddress = 0x20000400;
inline constexpr uint32_t kFirmwareAddress = 0x00010000;

inline Bytes noise(size_t length, uint32_t seed) {
    return BirdFileBuilder::noiseImage(length, seed);
}

// The image as the device must hold it once the updater wrote the serial number (little-endian)
// at `offset`.
inline Bytes withSerial(Bytes image, size_t offset, uint32_t serial = kSerialNumber) {
    for (size_t i = 0; i < 4; ++i) {
        image[offset + i] = static_cast<uint8_t>(serial >> (8 * i));
    }
    return image;
}

inline Log join(Log first, const Log& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The requests a firmware chunk of `length` bytes makes in packet mode.
inline Log packetChunk(size_t length) {
    Log log;
    for (size_t at = 0; at < length; at += 26) {
        log.push_back("data " + std::to_string(std::min<size_t>(26, length - at)));
    }
    log.push_back("sum");
    return log;
}

inline size_t count(const std::string& text, const std::string& part) {
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

class UpdateTest : public server_e2e::UpdateServerTest {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        environment = {"LYNKOR_USB_EMULATION=" + usbBus.path()};
    }

    // The simulator with these devices ("--device", kSerial, "--usb", ...), on the test's bus.
    void startDevices(const std::vector<std::string>& devices) {
        std::vector<std::string> args{"--heartbeat-ms", "0", "--answer-queries", "--usb-dir",
                                      usbBus.path()};
        args.insert(args.end(), devices.begin(), devices.end());
        sim = std::make_unique<DeviceSim>(args);
    }

    // The server's device: it names `build` as the one to run, and serves that bird file.
    void serveBuild(const std::string& build, const Bytes& bird) {
        writeDevice(kSerial, "latest=" + build + "\ntag=prod\nbuild=" + build + ";1.2.3\n");
        testing_support::writeFile(serverRoot.file(kSerial + "/" + build + ".bird"),
                                   std::string(bird.begin(), bird.end()));
    }

    std::string writeBirdFile(const Bytes& bird) {
        const std::string path = files.file("firmware.bird");
        testing_support::writeFile(path, std::string(bird.begin(), bird.end()));
        return path;
    }

    // A file of one firmware block at kFirmwareAddress for this test's device.
    std::string writeFirmwareFile(const Bytes& image) {
        return writeBirdFile(BirdFileBuilder()
                                 .information("Norvane", "1.2.3", kSerial, kModelName)
                                 .firmware(kFirmwareAddress, image)
                                 .fileBytes());
    }

    std::string settings(const std::string& serial = kSerial) {
        return testing_support::readFile(deviceDirectory(serial) + "/.settings");
    }

    // Polls until the device is back from a restart; false after a few seconds.
    bool waitUntilUp(const std::string& serial = kSerial) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (sim->restart(serial)["state"] != "up") {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    Bytes flash(uint32_t address, const std::string& serial = kSerial) {
        return sim->image(serial, "flash")[address].bytes.bytes;
    }

    testing_support::TempDir usbBus;
    testing_support::TempDir files;
    std::unique_ptr<DeviceSim> sim;
};

}  // namespace update_e2e
