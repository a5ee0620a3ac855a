// The command line is the tool's only untrusted text before any device or server answers:
// arguments are cut from the input at NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/option_parser.h"
#include "display/output.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // -X in the input widens the debug mask; keep diagnostics out of the fuzzer's output.
    setDebugOutput(nullptr);
    std::vector<std::string> arguments{"updater"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\0') {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    arguments.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    UpdaterSettings settings;
    parseCommandLine(static_cast<int>(argv.size()), argv.data(), settings, nullptr);
    return 0;
}
