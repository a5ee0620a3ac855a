// The Base64 decoder: whatever it accepts decodes to exactly length / 4 * 3 less the padding.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update_server/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto bytes = base64Decode(text);
    if (!bytes) {
        return 0;
    }
    size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    if (size % 4 != 0 || bytes->size() != size / 4 * 3 - padding) {
        std::abort();
    }
    return 0;
}
