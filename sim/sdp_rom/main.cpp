// sdp-rom-sim: an i.MX boot ROM in serial download mode, for tests and people without hardware.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"
#include "hand_over.h"
#include "hid_rom_port.h"
#include "rom_control.h"
#include "rom_options.h"
#include "sdp_rom.h"
#include "serial_rom_port.h"

int main(int argc, char** argv) {
    std::string error;
    auto options = sim::parseRomOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "sdp-rom-sim: %s\n%s", error.c_str(), sim::kRomUsage);
        return 2;
    }
    try {
        sim::EventLoop loop;
        sim::SdpRom rom(options->behaviour);
        sim::HandOver handOver(options->afterJump);
        std::unique_ptr<sim::HidRomPort> hid;
        std::unique_ptr<sim::SerialRomPort> serial;
        if (options->hid) {
            hid = std::make_unique<sim::HidRomPort>(loop, rom, options->usbDirectory);
        }
        if (options->pty) {
            serial = std::make_unique<sim::SerialRomPort>(loop, rom);
        }
        rom.setJumpHandler([&](uint32_t address) {
            std::printf("jumped %08X\n", address);
            std::fflush(stdout);
            // Once the jump's answer is out, the processor runs the program: the ROM's HID
            // device leaves the bus and the hand-over begins.
            loop.defer([&, address] {
                if (hid) {
                    hid->leaveBus();
                }
                if (serial) {
                    char greeting[64];
                    std::snprintf(greeting, sizeof greeting, "started at %08X\r\n", address);
                    serial->sendText(greeting);
                }
                if (!handOver.start(address)) {
                    std::fprintf(stderr, "sdp-rom-sim: cannot start the hand-over command\n");
                }
            });
        });
        sim::RomControl control(loop, rom, hid.get(), handOver);
        // Machine-readable first: whoever started us waits for "ready".
        if (hid) {
            std::printf("hid %s\n", hid->path().c_str());
        }
        if (serial) {
            std::printf("pty %s\n", serial->path().c_str());
        }
        std::printf("control %s\nready\n", control.endpoint().c_str());
        std::fflush(stdout);
        loop.run();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "sdp-rom-sim: %s\n", failure.what());
        return 1;
    }
    return 0;
}
