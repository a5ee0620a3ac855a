#include "update_server/server_replies.h"

#include <cstdlib>

#include "display/output.h"

namespace {

constexpr size_t kMinimumEntryLength = 3;
constexpr size_t kMinimumTokenPartLength = 2;

std::string_view upTo(std::string_view text, std::string_view delimiters) {
    return text.substr(0, text.find_first_of(delimiters));
}

// strtoul's reading: leading white space, optional sign, digits of the base; garbage reads as 0.
uint32_t readUnsigned(const std::string& text, int base) {
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, base));
}

std::vector<std::string_view> splitAtAny(std::string_view text, std::string_view delimiters) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(delimiters, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > start) {
            parts.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::vector<std::string> splitReplyLines(std::string_view body) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < body.size()) {
        size_t end = body.find('\n', start);
        if (end == std::string_view::npos) {
            end = body.size();
        }
        lines.emplace_back(body.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool replyIsOk(const std::vector<std::string>& lines) {
    return !lines.empty() && lines[0].starts_with("ok");
}

QueryBuildReply readQueryBuildReply(const std::vector<std::string>& lines) {
    QueryBuildReply reply;
    if (lines.size() > 1) {
        reply.build = lines[1];
    }
    if (lines.size() > 2) {
        reply.firmwareTag = std::string(upTo(lines[2], "\r\n"));
    }
    return reply;
}

BuildMap readBuildListReply(const std::vector<std::string>& lines) {
    BuildMap builds;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < kMinimumEntryLength) {
            continue;
        }
        debugPrintf(DEBUG_ServerComm, "%s processing entry: [%s]\n", "GetBuildList", line.c_str());
        auto parts = splitAtAny(line, ";\r\n");
        if (parts.empty()) {
            continue;
        }
        std::string build(parts[0]);
        std::string version(parts.size() > 1 ? parts[1] : std::string_view());
        debugPrintf(DEBUG_ServerComm, "%s [%.10s][%.10s]\n", "GetBuildList", build.c_str(),
                    version.c_str());
        builds.emplace(std::move(build), std::move(version));
    }
    return builds;
}

RecoveryInfoReply readRecoveryInfoReply(const std::vector<std::string>& lines) {
    RecoveryInfoReply reply;
    const std::string none;
    const std::string& serialLine = lines.size() > 1 ? lines[1] : none;
    const std::string& buildLine = lines.size() > 2 ? lines[2] : none;
    if (lines.size() > 1) {
        reply.serialNumber = readUnsigned(serialLine, 16);
    }
    if (lines.size() > 2) {
        reply.build = readUnsigned(buildLine, 0);
    }
    debugPrintf(DEBUG_ServerComm, "%s [%.20s][%.20s][%.20s]\n", "GetRecoveryInfo",
                lines.empty() ? "" : lines[0].c_str(), serialLine.c_str(), buildLine.c_str());
    return reply;
}

std::optional<std::string> readDeviceTokenReply(const std::vector<std::string>& lines) {
    if (lines.size() < 2 || lines[1].size() < kMinimumEntryLength) {
        return std::nullopt;
    }
    const std::string& line = lines[1];
    debugPrintf(DEBUG_ServerComm, "%s processing entry: [%s]\n", "GetDeviceJWT", line.c_str());
    std::string_view rest = upTo(line, "\r\n");
    std::vector<std::string_view> parts;
    for (int i = 0; i < 2; ++i) {
        size_t dot = rest.find('.');
        if (dot == std::string_view::npos) {
            return std::nullopt;
        }
        parts.push_back(rest.substr(0, dot));
        rest.remove_prefix(dot + 1);
    }
    parts.push_back(rest);
    for (auto part : parts) {
        if (part.size() < kMinimumTokenPartLength) {
            return std::nullopt;
        }
    }
    return std::string(parts[0]) + "." + std::string(parts[1]) + "." + std::string(parts[2]);
}
