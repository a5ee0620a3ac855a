// Build-list replies, then the newest-first ordering of what they yield.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update_server/server_replies.h"
#include "update_server/version_order.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto lines = splitReplyLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!replyIsOk(lines)) {
        return 0;
    }
    BuildMap builds = readBuildListReply(lines);
    auto sorted = sortedBuildList(builds);
    if (sorted.size() != builds.size() ||
        !std::is_sorted(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            return sortVersion(a.second, b.second);
        })) {
        std::abort();
    }
    return 0;
}
