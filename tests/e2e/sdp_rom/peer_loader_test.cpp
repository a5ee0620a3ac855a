// The simulated ROM's serial line checked against a peer tool that speaks the same boot-ROM
// protocol: it loads an image, reads it back to verify it, and jumps.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/bird_file_builder.h"
#include "support/process.h"
#include "support/sdp_rom_sim.h"
#include "support/temp_dir.h"

namespace {

using testing_support::SdpRomSim;
using namespace std::chrono_literals;

constexpr const char* kPeer = "/usr/bin/imx_uart";

TEST(PeerLoader, LoadsVerifiesAndJumpsThroughTheSimulatedSerialLine) {
    if (access(kPeer, X_OK) != 0) {
        GTEST_SKIP() << kPeer << " is not installed (scripts/deps.sh installs it)";
    }
    testing_support::TempDir work;
    const std::vector<uint8_t> image = testing_support::BirdFileBuilder::noiseImage(3000, 11);
    testing_support::BirdFileBuilder::writeBytes(work.file("image.bin"), image);
    // The peer's configuration: a name, the transfer settings, then the jobs.
    testing_support::writeFile(work.file("rom.conf"),
                               "simulated_rom\n"
                               "hid,1024,0x20000000,1G,0x00907000,0x31000\n" +
                                   work.file("image.bin") + ":load 0x20000000\n" +
                                   work.file("image.bin") + ":jump_direct 0x20000400\n");
    SdpRomSim rom({"--pty"});

    // -n: no RTS/CTS on a pseudo-terminal; -N: no association phase; -v: read back and compare.
    testing_support::ProcessOptions options;
    options.timeout = 30s;
    const testing_support::ProcessResult peer = testing_support::runProcess(
        {kPeer, "-v", "-n", "-N", rom.ptyPath(), work.file("rom.conf")}, options);
    ASSERT_FALSE(peer.timedOut) << peer.standardOutput << peer.standardError;
    EXPECT_EQ(peer.exitStatus, 0) << peer.standardOutput << peer.standardError;
    EXPECT_NE(peer.standardOutput.find("Verify success"), std::string::npos) << peer.standardOutput;

    EXPECT_EQ(rom.memory(0x20000000, image.size()), image);
    const std::vector<std::string> events = rom.history();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[1], "write_file 20000000 3000");
    EXPECT_EQ(events[2], "write_complete 20000000 3000");
    EXPECT_EQ(events.back(), "jump 20000400");
    EXPECT_EQ(rom.waitForJump(2s), "20000400");
}

}  // namespace
