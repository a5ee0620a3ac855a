// lynkor-isp-sim: a chip's serial boot loader for the recovery tests, the benchmarks and people
// without hardware. Serves one chip on a pseudo-terminal until SIGTERM, then writes the dumps.
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "boot_rom.h"
#include "chip_memory.h"
#include "paced_line.h"
#include "rom_options.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File s_openOutput(const std::string& path) {
    if (path.empty()) {
        return nullptr;
    }
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(isp_sim::kRomUsage, stdout);
        return 0;
    }
    std::string error;
    auto options = isp_sim::parseRomOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "lynkor-isp-sim: %s\n%s", error.c_str(), isp_sim::kRomUsage);
        return 2;
    }
    try {
        File record = s_openOutput(options->recordPath);
        File capture = s_openOutput(options->capturePath);
        isp_sim::BootRom rom(*options, [&record](const std::string& line) {
            if (record) {
                std::fprintf(record.get(), "%s\n", line.c_str());
                std::fflush(record.get());
            }
        });
        isp_sim::PacedLine line(rom, options->paced, capture.get());
        // Machine-readable first: whoever started us waits for "ready".
        std::printf("pty %s\nready\n", line.path().c_str());
        std::fflush(stdout);
        line.run();
        if (!options->flashDumpPath.empty() &&
            !isp_sim::writeDump(options->flashDumpPath, rom.memory().flash())) {
            throw std::runtime_error("cannot write " + options->flashDumpPath);
        }
        if (!options->ramDumpPath.empty() &&
            !isp_sim::writeDump(options->ramDumpPath, rom.memory().ram())) {
            throw std::runtime_error("cannot write " + options->ramDumpPath);
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "lynkor-isp-sim: %s\n", failure.what());
        return 1;
    }
    return 0;
}
