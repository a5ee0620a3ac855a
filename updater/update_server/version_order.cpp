#include "update_server/version_order.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "display/output.h"

namespace {

using VersionKey = std::array<uint8_t, 3>;

// A part reads like an integer with optional sign and leading white space; anything after the
// digits is ignored.
std::optional<int> readVersionPart(std::string_view part) {
    size_t start = 0;
    while (start < part.size() && std::isspace(static_cast<unsigned char>(part[start]))) {
        ++start;
    }
    if (start < part.size() && part[start] == '+') {
        ++start;
    }
    int value = 0;
    auto [end, error] = std::from_chars(part.data() + start, part.data() + part.size(), value);
    if (error != std::errc()) {
        return std::nullopt;
    }
    return value;
}

std::optional<VersionKey> readVersion(std::string_view text) {
    VersionKey key{};
    size_t index = 0;
    size_t start = 0;
    while (true) {
        size_t dot = text.find('.', start);
        std::string_view part =
            text.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (index == key.size()) {
            return std::nullopt;
        }
        auto value = readVersionPart(part);
        if (!value) {
            return std::nullopt;
        }
        key[index++] = static_cast<uint8_t>(*value);
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    if (index != key.size()) {
        return std::nullopt;
    }
    return key;
}

}  // namespace

bool sortVersion(const std::string& first, const std::string& second) {
    auto firstKey = readVersion(first);
    auto secondKey = readVersion(second);
    if (firstKey && secondKey) {
        return *firstKey > *secondKey;
    }
    if (firstKey || secondKey) {
        debugPrintf(DEBUG_ServerComm, "%s: Exception converting version: %s\n", "_sortVersion",
                    (firstKey ? second : first).c_str());
    }
    return firstKey.has_value() && !secondKey.has_value();
}

std::vector<std::pair<std::string, std::string>> sortedBuildList(const BuildMap& builds) {
    std::vector<std::pair<std::string, std::string>> list(builds.begin(), builds.end());
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return sortVersion(a.second, b.second); });
    return list;
}
