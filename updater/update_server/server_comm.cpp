#include "update_server/server_comm.h"

#include <curl/curl.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>

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
    if (code != CURLE_OK) {
        throw std::runtime_error(curl_easy_strerror(code));
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.statusCode);
    return result;
}

std::optional<std::vector<std::string>> ServerCommClass::request(
    const char* name, const OptionalUrl& baseUrl, const RequestParameters& parameters) {
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
            return std::nullopt;
        }
        auto lines = splitReplyLines(result.body);
        if (!replyIsOk(lines)) {
            debugPrintf(DEBUG_ServerComm, "ServerCommClass: %s failed [%s]\n", name,
                        result.url.c_str());
            return std::nullopt;
        }
        return lines;
    } catch (const std::exception& error) {
        debugPrintf(DEBUG_ServerComm, "%s ==> [%s]\n", name, error.what());
        return std::nullopt;
    }
}

bool ServerCommClass::ping(const OptionalUrl& baseUrl) {
    return request(kPingName, baseUrl, {{"op", "hi"}, {"rv", "2"}}).has_value();
}

bool ServerCommClass::QueryBuild(uint32_t serialNumber, std::string& build,
                                 std::string& firmwareTag, const OptionalUrl& baseUrl) {
    auto lines = request("QueryBuild", baseUrl, {{"op", "qu"}, {"sn", serialText(serialNumber)}});
    if (!lines) {
        return false;
    }
    QueryBuildReply reply = readQueryBuildReply(*lines);
    if (reply.build) {
        build = *reply.build;
    }
    if (reply.firmwareTag) {
        firmwareTag = *reply.firmwareTag;
    }
    return true;
}

bool ServerCommClass::GetBuildList(uint32_t serialNumber, BuildMap& builds,
                                   const OptionalUrl& baseUrl) {
    builds.clear();
    auto lines =
        request("GetBuildList", baseUrl, {{"op", "builds"}, {"sn", serialText(serialNumber)}});
    if (!lines) {
        return false;
    }
    builds = readBuildListReply(*lines);
    return true;
}

bool ServerCommClass::GetBuild(uint32_t serialNumber, const std::string& firmwareTag,
                               const std::string& build, std::string& base64Text,
                               const OptionalUrl& baseUrl, bool noCal) {
    auto lines = request("GetBuild", baseUrl,
                         {{"op", "bird"},
                          {"sn", serialText(serialNumber)},
                          {"fw", firmwareTag},
                          {"bld", build},
                          {"no_cal", noCal ? "true" : "false"}});
    if (!lines) {
        return false;
    }
    if (lines->size() > 1) {
        base64Text = (*lines)[1];
    }
    return true;
}

bool ServerCommClass::GetRecoveryInfo(const uint32_t fingerprint[4], uint32_t& serialNumber,
                                      uint32_t& build, const OptionalUrl& baseUrl) {
    auto lines = request("GetRecoveryInfo", baseUrl,
                         {{"op", "fix"}, {"fp", fingerprintText(fingerprint)}, {"brief", "true"}});
    if (!lines) {
        return false;
    }
    RecoveryInfoReply reply = readRecoveryInfoReply(*lines);
    if (reply.serialNumber) {
        serialNumber = *reply.serialNumber;
    }
    if (reply.build) {
        build = *reply.build;
    }
    return true;
}

bool ServerCommClass::GetDeviceJWT(uint32_t serialNumber, std::string& token,
                                   const OptionalUrl& baseUrl) {
    auto lines = request("GetDeviceJWT", baseUrl,
                         {{"op", "ent_jwt"}, {"sn", serialText(serialNumber)}, {"json", "false"}});
    if (!lines) {
        return false;
    }
    auto reply = readDeviceTokenReply(*lines);
    if (!reply) {
        return false;
    }
    token = *reply;
    return true;
}

bool ServerCommClass::validateBuild(uint32_t serialNumber, uint32_t build,
                                    const OptionalUrl& baseUrl) {
    BuildMap builds;
    if (!GetBuildList(serialNumber, builds, baseUrl)) {
        return false;
    }
    for (const auto& [buildText, version] : builds) {
        auto number = parseBuildNumber(buildText);
        if (!number) {
            debugPrintf(DEBUG_Updater, "Error: Could not convert %s to int.\n", buildText.c_str());
        }
        if (number.value_or(0) == build) {
            return true;
        }
    }
    return false;
}
