// Build-query replies: the build line and the firmware tag.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update_server/build_number.h"
#include "update_server/server_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto lines = splitReplyLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!replyIsOk(lines)) {
        return 0;
    }
    QueryBuildReply reply = readQueryBuildReply(lines);
    if (reply.firmwareTag && reply.firmwareTag->find_first_of("\r\n") != std::string::npos) {
        std::abort();
    }
    if (reply.build) {
        parseBuildNumber(*reply.build);
    }
    return 0;
}
