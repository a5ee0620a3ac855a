// The boot-loader simulator against a programming tool of another origin that speaks the same
// ROM protocol: what the simulator plays must be what a real chip would answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bird_file_builder.h"
#include "support/isp_sim.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::IspSim;

constexpr const char* kPeerTool = "/usr/bin/lpc21isp";
// The peer stores its own checksum of the vector table in the eighth vector.
constexpr size_t kVectorChecksumOffset = 0x1C;
constexpr size_t kVectorChecksumSize = 4;

testing_support::ProcessResult runPeer(std::vector<std::string> arguments, const IspSim& chip) {
    std::vector<std::string> argv{kPeerTool};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.insert(argv.end(), {chip.ptyPath(), "115200", "14746"});
    testing_support::ProcessOptions options;
    options.timeout = std::chrono::seconds(60);
    return testing_support::runProcess(argv, options);
}

class PeerTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::fileExists(kPeerTool)) {
            GTEST_SKIP() << "skipping test, " << kPeerTool << " is not installed";
        }
    }
};

TEST_F(PeerTool, DetectsTheChip) {
    IspSim chip;
    auto result = runPeer({"-detectonly"}, chip);
    EXPECT_EQ(result.exitStatus, 0) << result.standardOutput << result.standardError;
    EXPECT_NE(result.standardOutput.find("(0x26013F37)"), std::string::npos)
        << result.standardOutput;
    EXPECT_EQ(chip.record(),
              (std::vector<std::string>{"sync 115200", "crystal 14746", "command U 23130 => 0",
                                        "command K => 0", "command J => 0"}));
}

TEST_F(PeerTool, WritesAndVerifiesABinaryImage) {
    testing_support::TempDir folder;
    const std::vector<uint8_t> image = testing_support::BirdFileBuilder::noiseImage(20000, 5);
    testing_support::writeFile(folder.file("image.bin"), std::string(image.begin(), image.end()));
    IspSim chip;

    auto result = runPeer({"-bin", "-verify", folder.file("image.bin")}, chip);
    EXPECT_EQ(result.exitStatus, 0) << result.standardOutput << result.standardError;
    EXPECT_NE(result.standardOutput.find("Download Finished and Verified correct"),
              std::string::npos)
        << result.standardOutput;

    const std::vector<std::string> commands = chip.commands();
    int compares = 0;
    for (const std::string& command : commands) {
        EXPECT_TRUE(command.ends_with(" => 0")) << command;
        compares += command.rfind("command M ", 0) == 0 ? 1 : 0;
    }
    EXPECT_GT(compares, 0);
    for (const std::string& line : chip.record()) {
        EXPECT_FALSE(line.ends_with(" RESEND")) << line;
    }

    std::vector<uint8_t> flash = chip.flash();
    ASSERT_GE(flash.size(), image.size());
    flash.resize(image.size());
    std::vector<uint8_t> expected = image;
    std::copy_n(flash.begin() + kVectorChecksumOffset, kVectorChecksumSize,
                expected.begin() + kVectorChecksumOffset);
    EXPECT_EQ(flash, expected);
}

}  // namespace
