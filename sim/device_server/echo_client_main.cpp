// lynkor-echo-client: sends echo requests through a device server and checks that each answer is
// its own.
#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "arguments.h"
#include "lynkor/aDiscovery.h"
#include "lynkor/aLink.h"
#include "option_values.h"

namespace {

const char* const kUsage =
    "usage: lynkor-echo-client (--port N [--host ADDRESS] | --find SERIAL) [--id N]\n"
    "                          [--count N] [--timeout-ms N]\n"
    "  --port N        the device server's port, on --host (default 127.0.0.1)\n"
    "  --find SERIAL   find the server of the device with this hexadecimal serial number by\n"
    "                  beacon on this computer\n"
    "  --id N          this client's id, 0-255, carried in every request (default 1)\n"
    "  --count N       echo requests to send, one at a time (default 1000)\n"
    "  --timeout-ms N  how long to wait for each answer (default 1000)\n"
    "Prints \"connected\", then at the end \"ok <n> timeout <n> misrouted <n> p50 <us> p90 <us>\n"
    "p99 <us> max <us>\". Exit 0 when every request got its own answer.\n";

constexpr uint8_t kCmdDebug = 23;
constexpr uint8_t kEchoLength = 6;
constexpr uint32_t kQueryWaitMs = 1000;
constexpr int kQueryAttempts = 3;

struct Options {
    uint32_t host = htonl(INADDR_LOOPBACK);
    uint32_t port = 0;
    uint32_t findSerial = 0;
    bool find = false;
    uint32_t id = 1;
    uint32_t count = 1000;
    uint32_t timeoutMs = 1000;
};

using server_programs::parseAddress;
using sim::readUnsigned;

bool s_parse(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        bool good = false;
        if (option == "--port") {
            good = readUnsigned(value, 10, options.port) && options.port <= UINT16_MAX;
        } else if (option == "--host") {
            good = parseAddress(value, options.host);
        } else if (option == "--find") {
            good = readUnsigned(value, 16, options.findSerial);
            options.find = true;
        } else if (option == "--id") {
            good = readUnsigned(value, 10, options.id) && options.id <= UINT8_MAX;
        } else if (option == "--count") {
            good = readUnsigned(value, 10, options.count);
        } else if (option == "--timeout-ms") {
            good = readUnsigned(value, 10, options.timeoutMs);
        }
        if (!good) {
            return false;
        }
    }
    return argc % 2 == 1 && (options.port != 0 || options.find);
}

struct Echo {
    uint8_t module;
};

uint8_t s_isEcho(const aPacket* packet, void* reference) {
    return packet->address == static_cast<const Echo*>(reference)->module &&
           packet->data_size == kEchoLength && packet->data[0] == kCmdDebug;
}

uint32_t s_sequence(const aPacket* packet) {
    return static_cast<uint32_t>(packet->data[2]) << 24 | packet->data[3] << 16 |
           packet->data[4] << 8 | packet->data[5];
}

// Asks the device for its module address; the server may still be busy with requests that
// others left behind, so a few attempts are made.
uint8_t s_moduleAddress(aLinkRef link) {
    for (int attempt = 0; attempt < kQueryAttempts; ++attempt) {
        aPacket* query = aPacket_Create();
        query->address = aLINK_QUERY_ADDRESS;
        query->cur_size = 2;
        aLink_PutPacket(link, query);
        aPacket_Destroy(&query);
        aPacket* answer = aLink_AwaitPacket(link, kQueryWaitMs);
        const uint8_t module = answer != nullptr && answer->data_size == 0 ? answer->address : 0;
        aPacket_Destroy(&answer);
        if (module != 0) {
            return module;
        }
    }
    return 0;
}

long s_percentile(std::vector<long>& sorted, double fraction) {
    if (sorted.empty()) {
        return 0;
    }
    const auto index = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted[index];
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!s_parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options.find) {
        linkSpec* spec = aDiscovery_FindModule(TETHRA_USB, options.findSerial, 0);
        if (spec == nullptr) {
            std::fputs("lynkor-echo-client: no server found\n", stderr);
            return 1;
        }
        options.host = spec->ip_address;
        options.port = spec->ip_port;
        aLinkSpec_Destroy(&spec);
    }
    aLinkRef link = aLink_CreateClient(options.host, options.port, 0);
    Echo echo{link != 0 ? s_moduleAddress(link) : uint8_t{0}};
    if (echo.module == 0) {
        std::fputs("lynkor-echo-client: cannot reach the device\n", stderr);
        aLink_Destroy(&link);
        return 1;
    }
    std::printf("connected\n");
    std::fflush(stdout);

    uint32_t ok = 0, timedOut = 0, misrouted = 0;
    std::vector<long> latencies;
    latencies.reserve(options.count);
    for (uint32_t sequence = 0; sequence < options.count; ++sequence) {
        const uint8_t data[kEchoLength] = {kCmdDebug,
                                           static_cast<uint8_t>(options.id),
                                           static_cast<uint8_t>(sequence >> 24),
                                           static_cast<uint8_t>(sequence >> 16),
                                           static_cast<uint8_t>(sequence >> 8),
                                           static_cast<uint8_t>(sequence)};
        aPacket* request = aPacket_CreateWithData(echo.module, kEchoLength, data);
        const auto start = std::chrono::steady_clock::now();
        aLink_PutPacket(link, request);
        aPacket_Destroy(&request);
        const auto deadline = start + std::chrono::milliseconds(options.timeoutMs);
        bool answered = false;
        while (!answered && std::chrono::steady_clock::now() < deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            aPacket* answer = aLink_AwaitFirst(
                link, s_isEcho, &echo, static_cast<uint32_t>(std::max<long>(left.count(), 1)));
            if (answer == nullptr) {
                continue;
            }
            if (answer->data[1] != options.id) {
                ++misrouted;
            } else if (s_sequence(answer) == sequence) {
                answered = true;
            }
            // Anything else is the late answer to one of ours that timed out.
            aPacket_Destroy(&answer);
        }
        if (answered) {
            ++ok;
            latencies.push_back(
                static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count()));
        } else {
            ++timedOut;
        }
    }
    aLink_Destroy(&link);
    std::sort(latencies.begin(), latencies.end());
    std::printf("ok %u timeout %u misrouted %u p50 %ld p90 %ld p99 %ld max %ld\n", ok, timedOut,
                misrouted, s_percentile(latencies, 0.5), s_percentile(latencies, 0.9),
                s_percentile(latencies, 0.99), latencies.empty() ? 0 : latencies.back());
    return ok == options.count && misrouted == 0 ? 0 : 1;
}
