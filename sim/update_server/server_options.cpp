#include "server_options.h"

#include <string_view>

#include "option_values.h"

const char* const kServerUsage =
    "usage: update_server --root DIR [--log-requests] [--cert FILE --key FILE]\n"
    "                     [--fault-op OP]... [--status CODE] [--first-line TEXT] [--crlf]\n"
    "                     [--slow-ms N] [--chunk-bytes N] [--stall]\n"
    "                     [--base64 truncate|invalid] [--body-file FILE]\n"
    "       update_server --make-demo DIR SERIAL\n"
    "Listens on 127.0.0.1 at a free port and prints the port as its first line.\n";

namespace {

// The largest count or time the options take.
constexpr uint32_t kLargestNumber = 1000000;

}  // namespace

std::optional<ServerOptions> parseServerOptions(int argc, char** argv) {
    ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            return std::string(argv[++i]);
        };
        auto number = [&]() -> std::optional<int> {
            const std::optional<std::string> text = value();
            const std::optional<uint32_t> parsed =
                text ? sim::parseUnsigned(*text, 10, kLargestNumber) : std::nullopt;
            return parsed ? std::optional<int>(static_cast<int>(*parsed)) : std::nullopt;
        };
        std::optional<std::string> text;
        std::optional<int> count;
        if (option == "--root" && (text = value())) {
            options.root = *text;
        } else if (option == "--cert" && (text = value())) {
            options.certificate = *text;
        } else if (option == "--key" && (text = value())) {
            options.key = *text;
        } else if (option == "--log-requests") {
            options.logRequests = true;
        } else if (option == "--fault-op" && (text = value())) {
            options.faults.ops.insert(*text);
        } else if (option == "--status" && (count = number())) {
            options.faults.status = *count;
        } else if (option == "--first-line" && (text = value())) {
            options.faults.firstLine = *text;
        } else if (option == "--crlf") {
            options.faults.crlf = true;
        } else if (option == "--slow-ms" && (count = number())) {
            options.faults.slowMilliseconds = *count;
        } else if (option == "--chunk-bytes" && (count = number()) && *count > 0) {
            options.faults.chunkBytes = static_cast<size_t>(*count);
        } else if (option == "--stall") {
            options.faults.stall = true;
        } else if (option == "--base64" && (text = value()) &&
                   (*text == "truncate" || *text == "invalid")) {
            options.faults.base64 = *text;
        } else if (option == "--body-file" && (text = value())) {
            options.faults.bodyFile = *text;
        } else if (option == "--make-demo" && (text = value())) {
            options.root = *text;
            options.demoSerial = value();
            if (!options.demoSerial) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    if (options.root.empty() || options.certificate.empty() != options.key.empty()) {
        return std::nullopt;
    }
    return options;
}
