#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Build number text → version text, ordered by build text; the first entry for a build wins.
using BuildMap = std::map<std::string, std::string>;

// The update server answers in lines separated by line feeds; the first says "ok" on success.
// These readers take the lines after the HTTP layer has accepted the reply; each answers false
// (or nothing) when the reply lacks what it needs, and never reads beyond what it was given.
std::vector<std::string> splitReplyLines(std::string_view body);
bool replyIsOk(const std::vector<std::string>& lines);

struct QueryBuildReply {
    std::optional<std::string> build;
    std::optional<std::string> firmwareTag;
};
QueryBuildReply readQueryBuildReply(const std::vector<std::string>& lines);

BuildMap readBuildListReply(const std::vector<std::string>& lines);

struct RecoveryInfoReply {
    std::optional<uint32_t> serialNumber;
    std::optional<uint32_t> build;
};
RecoveryInfoReply readRecoveryInfoReply(const std::vector<std::string>& lines);

// The token needs three dot-separated parts of two characters or more.
std::optional<std::string> readDeviceTokenReply(const std::vector<std::string>& lines);
