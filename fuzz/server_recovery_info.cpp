// Recovery-information replies: serial number and build.
#include <cstdint>
#include <string_view>

#include "update_server/server_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto lines = splitReplyLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (replyIsOk(lines)) {
        readRecoveryInfoReply(lines);
    }
    return 0;
}
