// lynkor-serve: opens one device and shares it through a device server until SIGTERM.
#include <arpa/inet.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "arguments.h"
#include "lynkor/aLink.h"
#include "option_values.h"

namespace {

const char* const kUsage =
    "usage: lynkor-serve (--usb SERIAL | --tcp SERIAL ADDRESS:PORT | --serial SERIAL PORT BAUD)\n"
    "                    [--network [ADDRESS]]\n"
    "  --usb SERIAL          the USB device with this hexadecimal serial number\n"
    "  --tcp SERIAL A:P      the device at IPv4 address A, TCP port P\n"
    "  --serial SERIAL P B   the device on serial port P at B baud\n"
    "  --network [ADDRESS]   serve on this interface (default: the first one) instead of only\n"
    "                        on 127.0.0.1 for this computer\n"
    "Prints \"port <n>\", \"interface <address>\" and \"ready\", then serves until SIGTERM or\n"
    "SIGINT (exit 0) or until the device is lost (exit 1).\n";

// A device whose link has not been in step for this long is gone.
constexpr auto kDeviceLostAfter = std::chrono::seconds(3);
constexpr long kSignalPollNs = 200'000'000;

struct Options {
    enum class Kind { kNone, kUsb, kTcp, kSerial } kind = Kind::kNone;
    uint32_t serial = 0;
    uint32_t address = 0;
    uint32_t port = 0;
    std::string serialPort;
    uint32_t baud = 0;
    bool network = false;
    uint32_t interfaceAddress = 0;
};

using server_programs::parseAddress;
using sim::readUnsigned;

bool s_parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const int left = argc - i - 1;
        if (option == "--usb" && left >= 1) {
            options.kind = Options::Kind::kUsb;
            if (!readUnsigned(argv[++i], 16, options.serial)) {
                return false;
            }
        } else if (option == "--tcp" && left >= 2) {
            options.kind = Options::Kind::kTcp;
            const std::string endpoint = argv[i + 2];
            const size_t colon = endpoint.rfind(':');
            if (!readUnsigned(argv[i + 1], 16, options.serial) || colon == std::string::npos ||
                !parseAddress(endpoint.substr(0, colon).c_str(), options.address) ||
                !readUnsigned(endpoint.c_str() + colon + 1, 10, options.port)) {
                return false;
            }
            i += 2;
        } else if (option == "--serial" && left >= 3) {
            options.kind = Options::Kind::kSerial;
            options.serialPort = argv[i + 2];
            if (!readUnsigned(argv[i + 1], 16, options.serial) ||
                !readUnsigned(argv[i + 3], 10, options.baud)) {
                return false;
            }
            i += 3;
        } else if (option == "--network") {
            options.network = true;
            if (left >= 1 && argv[i + 1][0] != '-') {
                if (!parseAddress(argv[++i], options.interfaceAddress)) {
                    return false;
                }
            }
        } else {
            return false;
        }
    }
    return options.kind != Options::Kind::kNone;
}

aLinkRef s_openDevice(const Options& options) {
    switch (options.kind) {
        case Options::Kind::kUsb:
            return aLink_CreateUSB(options.serial);
        case Options::Kind::kTcp:
            return aLink_CreateTCPIP(options.serial, options.address, options.port);
        case Options::Kind::kSerial:
            return aLink_CreateSerial(options.serial, options.serialPort.c_str(), options.baud);
        case Options::Kind::kNone:
            break;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!s_parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Blocked before any thread starts, so that only the wait below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    aLinkRef device = s_openDevice(options);
    if (device == 0) {
        std::fputs("lynkor-serve: cannot open the device\n", stderr);
        return 1;
    }
    uint16_t port = 0;
    uint32_t interfaceAddress = options.interfaceAddress;
    aLinkRef client = aLink_CreateServer(device, &port, &interfaceAddress, !options.network);
    if (client == 0) {
        aLink_Destroy(&device);
        std::fputs("lynkor-serve: cannot serve the device\n", stderr);
        return 1;
    }
    char address[INET_ADDRSTRLEN] = {};
    in_addr served{interfaceAddress};
    inet_ntop(AF_INET, &served, address, sizeof address);
    std::printf("port %u\ninterface %s\nready\n", port, address);
    std::fflush(stdout);

    int status = 0;
    auto inStepAt = std::chrono::steady_clock::now();
    const timespec poll{0, kSignalPollNs};
    while (sigtimedwait(&stopSignals, nullptr, &poll) < 0) {
        const auto now = std::chrono::steady_clock::now();
        if (aLink_GetStatus(device) == STATUS_RUNNING) {
            inStepAt = now;
        } else if (now - inStepAt > kDeviceLostAfter) {
            std::fputs("lynkor-serve: device lost\n", stderr);
            status = 1;
            break;
        }
    }
    // The client link holds the device link and its server: both go with it.
    aLink_Destroy(&client);
    return status;
}
