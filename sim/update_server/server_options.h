#pragma once

#include <optional>
#include <set>
#include <string>

// Faults a test can ask for; they apply to the requests named with --fault-op (all when none).
struct ReplyFaults {
    std::set<std::string> ops;
    int status = 200;
    std::optional<std::string> firstLine;  // replaces "ok"
    bool crlf = false;                     // lines end with "\r\n"
    int slowMilliseconds = 0;              // pause before each chunk of the body
    size_t chunkBytes = 64;
    bool stall = false;                   // accept the request, never answer
    std::string base64;                   // "truncate" or "invalid": spoil the bird file text
    std::optional<std::string> bodyFile;  // send this file's bytes as the whole body

    bool appliesTo(const std::string& op) const { return ops.empty() || ops.count(op) != 0; }
};

struct ServerOptions {
    std::string root;
    std::string certificate;  // with key: serve HTTPS
    std::string key;
    bool logRequests = false;  // print each request target on standard output
    ReplyFaults faults;
    // --make-demo DIR SERIAL: write a demo device into DIR, print its serial, and exit.
    std::optional<std::string> demoSerial;
};

extern const char* const kServerUsage;

// Nothing when the arguments are not understood.
std::optional<ServerOptions> parseServerOptions(int argc, char** argv);
