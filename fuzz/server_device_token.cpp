// Feature-token replies: a token is accepted only with three parts of two characters or more.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update_server/server_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto lines = splitReplyLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!replyIsOk(lines)) {
        return 0;
    }
    auto token = readDeviceTokenReply(lines);
    if (token && (token->size() < 8 || token->find_first_of("\r\n") != std::string::npos)) {
        std::abort();
    }
    return 0;
}
