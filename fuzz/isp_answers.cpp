// Answers of the serial boot loader: return-code lines and number lines.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "recovery/isp_answers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::optional<uint32_t> number = parseIspNumber(line);
    const std::string_view text = ispLineText(line);
    if (text.size() > line.size() || text.data() != line.data()) {
        std::abort();
    }
    // A line that reads as a number names the same code as its text does.
    const char* name = ispReturnCodeName(text);
    if (number && *number == 0 && std::string_view(name) != "CMD_SUCCESS") {
        std::abort();
    }
    return 0;
}
