#include "update_server/server_comm.h"

#include <curl/curl.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "display/output.h"
#include "update_server/build_number.h"
#include "update_server/default_server.h"

namespace {

constexpr int kLoggedDataBytes = 100;
constexpr long kVerifyHostName = 2;
constexpr long kHttpOk = 200;
constexpr const char* kPingName = "ping";

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

// libcurl's global set-up is not safe to race with the first transfer of a worker thread.
void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t rcv_data(char* data, size_t size, size_t count, void* userData) {
    auto* result = static_cast<HttpResult*>(userData);
    const size_t length = size * count;
    debugPrintf(DEBUG_ServerComm, "rcv_data called (..., %d, %d, %08X) [%*.*s]\n",
                static_cast<int>(size), static_cast<int>(count),
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(result)), kLoggedDataBytes,
                static_cast<int>(std::min<size_t>(length, kLoggedDataBytes)), data);
    // A reply beyond any the server sends is refused rather than grown without bound; returning
    // less than was offered makes libcurl fail the transfer.
    if (result->body.size() + length > kMaxReplyBytes) {
        debugPrintf(DEBUG_ServerComm, "rcv_data returns %d\n", 0);
        return 0;
    }
    result->body.append(data, length);
    debugPrintf(DEBUG_ServerComm, "rcv_data returns %d\n", static_cast<int>(length));
    return length;
}

std::string serialText(uint32_t serialNumber) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", serialNumber);
    return text;
}

const std::string& urlOrDefault(const ServerCommClass::OptionalUrl& baseUrl) {
    static const std::string defaultUrl = kDefaultServerBaseUrl;
    return baseUrl ? *baseUrl : defaultUrl;
}

}  // namespace

std::string buildRequestUrl(const std::string& baseUrl, const RequestParameters& parameters) {
    std::string url = baseUrl;
    if (!parameters.empty()) {
        url += "?";
    }
    for (const auto& [name, value] : parameters) {
        url += name + "=" + value + "&";
    }
    return url;
}

std::string fingerprintText(const uint32_t fingerprint[4]) {
    char text[64];
    std::snprintf(text, sizeof text, "%08X%%20%08X%%20%08X%%20%08X", fingerprint[0], fingerprint[1],
                  fingerprint[2], fingerprint[3]);
    return text;
}

HttpResult ServerCommClass::httpGet(const std::string& baseUrl,
                                    const RequestParameters& parameters) {
    initialiseCurlOnce();
    CurlHandle curl(curl_easy_init());
    if (!curl) {
        throw std::runtime_error("Could not create curl instance");
    }
    HttpResult result;
    result.url = buildRequestUrl(baseUrl, parameters);

    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, rcv_data);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &result);
    curl_easy_setopt(handle, CURLOPT_URL, result.url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // Firmware reaches devices through this transfer: the server must prove who it is.
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, kVerifyHostName);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYSTATUS, 0L);
    // A server that accepts the connection and then goes quiet must not hang the tool.
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(kConnectTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(kStallTime.count()));
    // Transfers run on worker threads; time-outs must not rely on signals.
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);

    debugPrintf(DEBUG_ServerComm, "GET(%s)\n", result.url.c_str());
    CURLcode code = curl_easy_perform(handle);
    // rcv_data refuses nothing but an oversized reply, which the transfer library can only
    // call a failed write.
    if (code == CURLE_WRITE_ERROR) {
        throw std::runtime_error("The server's reply is larger than " +
                                 std::to_string(kMaxReplyBytes) + " bytes");
    }
    if (code != CURLE_OK) {
        throw std::runtime_error(curl_easy_strerror(code));
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.statusCode);
    return result;
}

RequestResult ServerCommClass::request(const char* name, const OptionalUrl& baseUrl,
                                       const RequestParameters& parameters,
                                       std::vector<std::string>& lines) {
    try {
        HttpResult result = httpGet(urlOrDefault(baseUrl), parameters);
        if (result.statusCode != kHttpOk) {
            if (std::string_view(name) == kPingName) {
                debugPrintf(DEBUG_ServerComm, "PING ==> [%d] [%s]\n",
                            static_cast<int>(result.statusCode), result.body.c_str());
            } else {
                debugPrintf(DEBUG_ServerComm, "%s ==> [%d] [%s]\n", name,
                            static_cast<int>(result.statusCode), result.body.c_str());
            }
            return RequestResult::failure("The server answered with HTTP status " +
                                          std::to_string(result.statusCode));
        }
        auto replyLines = splitReplyLines(result.body);
        if (!replyIsOk(replyLines)) {
            debugPrintf(DEBUG_ServerComm, "ServerCommClass: %s failed [%s]\n", name,
                        result.url.c_str());
            return RequestResult::failure("The server's reply does not begin with \"ok\"");
        }
        lines = std::move(replyLines);
        return RequestResult::success();
    } catch (const std::exception& error) {
        debugPrintf(DEBUG_ServerComm, "%s ==> [%s]\n", name, error.what());
        return RequestResult::failure(error.what());
    }
}

RequestResult ServerCommClass::ping(const OptionalUrl& baseUrl) {
    std::vector<std::string> lines;
    return request(kPingName, baseUrl, {{"op", "hi"}, {"rv", "2"}}, lines);
}

RequestResult ServerCommClass::QueryBuild(uint32_t serialNumber, std::string& build,
                                          std::string& firmwareTag, const OptionalUrl& baseUrl) {
    std::vector<std::string> lines;
    RequestResult result =
        request("QueryBuild", baseUrl, {{"op", "qu"}, {"sn", serialText(serialNumber)}}, lines);
    if (!result) {
        return result;
    }
    QueryBuildReply reply = readQueryBuildReply(lines);
    if (reply.build) {
        build = *reply.build;
    }
    if (reply.firmwareTag) {
        firmwareTag = *reply.firmwareTag;
    }
    return result;
}

RequestResult ServerCommClass::GetBuildList(uint32_t serialNumber, BuildMap& builds,
                                            const OptionalUrl& baseUrl) {
    builds.clear();
    std::vector<std::string> lines;
    RequestResult result = request("GetBuildList", baseUrl,
                                   {{"op", "builds"}, {"sn", serialText(serialNumber)}}, lines);
    if (result) {
        builds = readBuildListReply(lines);
    }
    return result;
}

RequestResult ServerCommClass::GetBuild(uint32_t serialNumber, const std::string& firmwareTag,
                                        const std::string& build, std::string& base64Text,
                                        const OptionalUrl& baseUrl, bool noCal) {
    std::vector<std::string> lines;
    RequestResult result = request("GetBuild", baseUrl,
                                   {{"op", "bird"},
                                    {"sn", serialText(serialNumber)},
                                    {"fw", firmwareTag},
                                    {"bld", build},
                                    {"no_cal", noCal ? "true" : "false"}},
                                   lines);
    if (result && lines.size() > 1) {
        base64Text = lines[1];
    }
    return result;
}

RequestResult ServerCommClass::GetRecoveryInfo(const uint32_t fingerprint[4],
                                               uint32_t& serialNumber, uint32_t& build,
                                               const OptionalUrl& baseUrl) {
    std::vector<std::string> lines;
    RequestResult result =
        request("GetRecoveryInfo", baseUrl,
                {{"op", "fix"}, {"fp", fingerprintText(fingerprint)}, {"brief", "true"}}, lines);
    if (!result) {
        return result;
    }
    RecoveryInfoReply reply = readRecoveryInfoReply(lines);
    if (reply.serialNumber) {
        serialNumber = *reply.serialNumber;
    }
    if (reply.build) {
        build = *reply.build;
    }
    return result;
}

RequestResult ServerCommClass::GetDeviceJWT(uint32_t serialNumber, std::string& token,
                                            const OptionalUrl& baseUrl) {
    std::vector<std::string> lines;
    RequestResult result =
        request("GetDeviceJWT", baseUrl,
                {{"op", "ent_jwt"}, {"sn", serialText(serialNumber)}, {"json", "false"}}, lines);
    if (!result) {
        return result;
    }
    auto reply = readDeviceTokenReply(lines);
    if (!reply) {
        return RequestResult::failure("The server's reply holds no token");
    }
    token = *reply;
    return result;
}

RequestResult ServerCommClass::validateBuild(uint32_t serialNumber, uint32_t build,
                                             const OptionalUrl& baseUrl) {
    BuildMap builds;
    RequestResult result = GetBuildList(serialNumber, builds, baseUrl);
    if (!result) {
        return result;
    }
    for (const auto& [buildText, version] : builds) {
        auto number = parseBuildNumber(buildText);
        if (!number) {
            debugPrintf(DEBUG_Updater, "Error: Could not convert %s to int.\n", buildText.c_str());
        }
        if (number.value_or(0) == build) {
            return result;
        }
    }
    return RequestResult::failure("The server does not offer build " + std::to_string(build) +
                                  " for this device");
}
