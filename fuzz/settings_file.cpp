// Settings-file loading and saving: whatever a file holds, what loads must save and load back
// unchanged, and a second save must write the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "firmware/attributes_file.h"

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every save flushes to storage: work in memory-backed /dev/shm where there is one.
class WorkDirectory {
public:
    WorkDirectory() {
        std::string pattern = std::filesystem::is_directory("/dev/shm")
                                  ? "/dev/shm/fuzz-settings-XXXXXX"
                                  : "/tmp/fuzz-settings-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~WorkDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const WorkDirectory directory;
    const std::string input = directory.file("input");
    const std::string output = directory.file("output");
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    AttributesFile first;
    if (first.load(input) != aErrNone || first.save(output) != aErrNone) {
        __builtin_trap();
    }
    const std::string written = readAll(output);
    AttributesFile second;
    if (second.load(output) != aErrNone || second.values() != first.values()) {
        __builtin_trap();
    }
    if (second.save() != aErrNone || readAll(output) != written) {
        __builtin_trap();
    }
    return 0;
}
