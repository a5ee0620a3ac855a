#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

namespace testing_support {

// A running lynkor-isp-sim: a chip's serial boot loader on a pseudo-terminal. It keeps its
// record, its capture of what the host sent and its memory dumps in a folder of its own.
class IspSim {
public:
    // The four words the simulated chip answers to N unless --identification says otherwise.
    static constexpr uint32_t kIdentification[4] = {0x1A2B3C4D, 0x00112233, 0x8899AABB, 0xCAFEF00D};

    // Arguments after the program name, e.g. {"--pace", "--resend", "2"}.
    explicit IspSim(const std::vector<std::string>& args = {});
    ~IspSim();
    IspSim(const IspSim&) = delete;
    IspSim& operator=(const IspSim&) = delete;

    const std::string& ptyPath() const { return ptyPath_; }
    // Stops the simulator, which then writes its dumps; later calls do nothing.
    void stop();

    // One line per synchronisation ("sync <rate>", "crystal <kHz>"), command ("command <line>
    // => <code>"), checksum ("checksum <sum> OK|RESEND") and stretch of characters at a rate
    // other than the synchronised one ("noise <rate>").
    std::vector<std::string> record() const;
    // Only the "command ..." lines of the record.
    std::vector<std::string> commands() const;
    // Every byte the host sent.
    std::string captured() const;
    // The whole flash and RAM; these stop the simulator first.
    std::vector<uint8_t> flash();
    std::vector<uint8_t> ram();

private:
    TempDir folder_;
    std::unique_ptr<ChildProcess> process_;
    std::string ptyPath_;
    bool stopped_ = false;
};

}  // namespace testing_support
