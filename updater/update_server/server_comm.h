#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "update_server/request_result.h"
#include "update_server/server_replies.h"

// One HTTP transfer: the URL asked for, the status code and the reply body.
struct HttpResult {
    std::string url;
    long statusCode = 0;
    std::string body;
};

// Request parameters, ordered by name.
using RequestParameters = std::map<std::string, std::string>;

// Base URL, then "?" and "name=value&" for each parameter in name order; values go in as they
// are (the fingerprint carries its own "%20").
std::string buildRequestUrl(const std::string& baseUrl, const RequestParameters& parameters);

// The fingerprint value: four words as "%08X" joined by the three characters "%20".
std::string fingerprintText(const uint32_t fingerprint[4]);

// A stalled transfer is one below this rate for this long; it is aborted and reported.
inline constexpr long kStallBytesPerSecond = 1;
inline constexpr std::chrono::seconds kStallTime{60};
inline constexpr std::chrono::seconds kConnectTimeout{30};
// No reply of the update server comes near this; a larger one is refused, not buffered.
inline constexpr size_t kMaxReplyBytes = 64 * 1024 * 1024;

// The update server's requests. Each request is one GET whose reply's first line says "ok"; every
// request answers a failure with its reason, writes its outputs only on success and never
// throws. Without a base URL the built-in default server is asked.
class ServerCommClass {
public:
    using OptionalUrl = std::optional<std::string>;

    static RequestResult ping(const OptionalUrl& baseUrl = std::nullopt);
    static RequestResult QueryBuild(uint32_t serialNumber, std::string& build,
                                    std::string& firmwareTag,
                                    const OptionalUrl& baseUrl = std::nullopt);
    static RequestResult GetBuildList(uint32_t serialNumber, BuildMap& builds,
                                      const OptionalUrl& baseUrl = std::nullopt);
    static RequestResult GetBuild(uint32_t serialNumber, const std::string& firmwareTag,
                                  const std::string& build, std::string& base64Text,
                                  const OptionalUrl& baseUrl = std::nullopt, bool noCal = false);
    static RequestResult GetRecoveryInfo(const uint32_t fingerprint[4], uint32_t& serialNumber,
                                         uint32_t& build,
                                         const OptionalUrl& baseUrl = std::nullopt);
    static RequestResult GetDeviceJWT(uint32_t serialNumber, std::string& token,
                                      const OptionalUrl& baseUrl = std::nullopt);

    // Succeeds when the server lists a build whose number equals build.
    static RequestResult validateBuild(uint32_t serialNumber, uint32_t build,
                                       const OptionalUrl& baseUrl = std::nullopt);

    // One GET; throws std::runtime_error with the transfer library's text when it fails.
    static HttpResult httpGet(const std::string& baseUrl, const RequestParameters& parameters);

private:
    // The reply lines of a request that got a 200 and an "ok" line; otherwise why not (logged).
    static RequestResult request(const char* name, const OptionalUrl& baseUrl,
                                 const RequestParameters& parameters,
                                 std::vector<std::string>& lines);
};
