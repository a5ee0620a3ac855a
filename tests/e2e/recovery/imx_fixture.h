#pragma once

// Runs the real updater against a simulated i.MX boot ROM (an HID device on the test's emulated
// USB bus, or a pseudo-terminal) that starts a simulated liveloader on that bus after its jump,
// and against the update-server program, which serves the liveloader and the firmware.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "e2e/recovery/recovery_fixture.h"
#include "support/device_sim.h"
#include "support/sdp_rom_sim.h"
#include "support/temp_dir.h"

namespace recovery_e2e {

using testing_support::DeviceSim;
using testing_support::SdpRomSim;

inline const std::string kPlaceholder = "DEADDEAD";
// The chip identifier the liveloader reports, as a fingerprint shows it.
inline const std::string kChipIdentifier = "0BADC0DE,12345678,9ABCDEF0,0F1E2D3C";
inline const std::string kChipFingerprint = "0BADC0DE 12345678 9ABCDEF0 0F1E2D3C";
inline const std::string kChipFingerprintLine = "[ " + kChipFingerprint + " ]\n";
inline const std::string kChipFixRequest =
    "/cgi/u?brief=true&fp=0BADC0DE%2012345678%209ABCDEF0%200F1E2D3C&op=fix&";

// The liveloader: two loader blocks, one of them longer than one data report, then the start.
inline constexpr uint32_t kLoaderAddress = 0x20000000;
inline constexpr uint32_t kLoaderTailAddress = 0x20008000;
inline constexpr uint32_t kLoaderStart = 0x20000404;
inline const std::vector<uint8_t> kLoaderImage = BirdFileBuilder::noiseImage(2500, 31);
inline const std::vector<uint8_t> kLoaderTail = BirdFileBuilder::noiseImage(300, 32);

// What the ROM hears for the liveloader when a report goes at most 1024 bytes.
inline const std::vector<std::string> kLoaderHistory = {
    "error_status", "write_file 20000000 2500",     "data 1024",    "data 1024",
    "data 452",     "write_complete 20000000 2500", "error_status", "write_file 20008000 300",
    "data 300",     "write_complete 20008000 300",  "jump 20000404"};

inline BirdFileBuilder liveloaderBird() {
    BirdFileBuilder builder;
    builder.information("Norvane", "1.0.0", kPlaceholder, "LIVELOADER")
        .loader(kLoaderAddress, kLoaderImage)
        .loader(kLoaderTailAddress, kLoaderTail)
        .startAddress(kLoaderStart);
    return builder;
}

class ImxRecoveryTest : public RecoveryTest {
protected:
    void SetUp() override { environment = {"LYNKOR_USB_EMULATION=" + usbBus.path()}; }

    // The update server's liveloader for the placeholder serial number: build 7.
    void serveLiveloader() {
        writeDevice(kPlaceholder, "latest=7\ntag=loader\nbuild=7;1.0.0\n");
        const std::vector<uint8_t> bytes = liveloaderBird().fileBytes();
        testing_support::writeFile(serverRoot.file(kPlaceholder + "/7.bird"),
                                   std::string(bytes.begin(), bytes.end()));
    }

    // The ROM with these options besides its port ("--hid" on the test's bus unless `pty`).
    // After its jump it starts a liveloader that shows `liveloaderSerial` and reports
    // kChipIdentifier; with an empty serial nothing comes up.
    void startRom(const std::vector<std::string>& options = {}, bool pty = false,
                  const std::string& liveloaderSerial = kPlaceholder) {
        std::vector<std::string> args =
            pty ? std::vector<std::string>{"--pty"}
                : std::vector<std::string>{"--hid", "--usb-dir", usbBus.path()};
        args.insert(args.end(), options.begin(), options.end());
        if (!liveloaderSerial.empty()) {
            args.insert(args.end(),
                        {"--after-jump", "exec '" + testing_support::programPath("lynkor-sim") +
                                             "' --heartbeat-ms 0 --usb-dir '" + usbBus.path() +
                                             "' --device " + liveloaderSerial +
                                             " --usb --loader --identifier " + kChipIdentifier +
                                             " > '" + liveloaderOutput() + "'"});
        }
        rom.reset();
        rom = std::make_unique<SdpRomSim>(args);
    }

    // The liveloader the ROM started after its jump.
    DeviceSim& liveloader() {
        if (!loader) {
            loader = std::make_unique<DeviceSim>(
                DeviceSim::Started{liveloaderOutput(), std::chrono::seconds(10)});
        }
        return *loader;
    }

    std::string liveloaderOutput() const { return files.file("liveloader.out"); }

    testing_support::TempDir usbBus;
    testing_support::TempDir files;
    std::unique_ptr<SdpRomSim> rom;
    std::unique_ptr<DeviceSim> loader;
};

}  // namespace recovery_e2e
