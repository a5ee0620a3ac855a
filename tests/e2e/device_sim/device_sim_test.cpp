// The device simulator's own behaviour, checked with plain sockets and a plain pty so that the
// library's tests can trust it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/device_sim.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::DeviceSim;
using Bytes = std::vector<uint8_t>;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int connectTo(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

void sendBytes(int fd, const Bytes& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Reads until `count` bytes have come or the wait ends; returns what came.
Bytes receiveBytes(int fd, size_t count, int waitMs = 2000) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (bytes.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        uint8_t buffer[256];
        ssize_t n = read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

TEST(DeviceSimTcp, AnswersQueriesAndEchoFromItsModuleAddressAndIgnoresRouteSwitches) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4", "--model", "17",
                   "--device", "00000002", "--address", "0x0A"});
    Fd host(connectTo(sim.tcpPort("40F5849A")));
    Fd other(connectTo(sim.tcpPort("00000002")));

    sendBytes(host.get(), {0xAD, 0x00, 0xAF, 0x01, 0x01, 0x04, 0x03, 23, 0x55, 0x66});
    EXPECT_EQ(receiveBytes(host.get(), 7), (Bytes{0x04, 0x00, 0x04, 0x03, 23, 0x55, 0x66}));
    sendBytes(other.get(), {0xAD, 0x00});
    EXPECT_EQ(receiveBytes(other.get(), 2), (Bytes{0x0A, 0x00}));

    // Unknown commands and packets for other module addresses get no answer.
    sendBytes(host.get(), {0x04, 0x01, 0x09, 0x06, 0x01, 23, 0xAF, 0x01, 0x00});
    EXPECT_TRUE(receiveBytes(host.get(), 1, 200).empty());

    auto stats = sim.stats("40F5849A");
    EXPECT_EQ(stats["queries"], 1);
    EXPECT_EQ(stats["route_on"], 1);
    EXPECT_EQ(stats["route_off"], 1);
    EXPECT_EQ(stats["unhandled"], 1);
    EXPECT_EQ(stats["foreign"], 1);
    EXPECT_EQ(sim.history("40F5849A").back(), "AF0100");
}

TEST(DeviceSimTcp, GarbageFromTheHostDoesNotWedgeTheDevice) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "1234ABCD", "--address", "2"});
    Fd host(connectTo(sim.tcpPort("1234ABCD")));
    // Zero bytes cannot start a packet and a length above 28 drops the packet under way.
    sendBytes(host.get(), {0x00, 0x00, 0x02, 0x1D, 0xAD, 0x00});
    EXPECT_EQ(receiveBytes(host.get(), 2), (Bytes{0x02, 0x00}));
}

TEST(DeviceSimTcp, SendsHeartbeatsAndCountsTheirAnswers) {
    DeviceSim sim({"--heartbeat-ms", "50", "--device", "1234ABCD", "--address", "4"});
    Fd host(connectTo(sim.tcpPort("1234ABCD")));
    EXPECT_EQ(receiveBytes(host.get(), 4), (Bytes{0x04, 0x02, 0x00, 0x00}));
    sendBytes(host.get(), {0x04, 0x02, 0x00, 0x02});
    EXPECT_EQ(sim.control("heartbeat 1234ABCD 1").back(), "ok");
    // Periodic heartbeats may come first; the requested "down" one must follow.
    Bytes seen = receiveBytes(host.get(), 64, 300);
    bool sawDown = false;
    for (size_t i = 0; i + 3 < seen.size(); i += 4) {
        sawDown = sawDown || Bytes(seen.begin() + i, seen.begin() + i + 4) == Bytes{4, 2, 0, 1};
    }
    EXPECT_TRUE(sawDown);
    auto stats = sim.stats("1234ABCD");
    EXPECT_GE(stats["heartbeat_answers"], 1);
    EXPECT_EQ(stats["last_heartbeat_answer"], 2);
    EXPECT_GE(stats["heartbeats_sent"], 2);
}

TEST(DeviceSimTcp, ControlMakesTheDeviceSilentSendRawBytesOrHangUp) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "1234ABCD", "--address", "4"});
    Fd host(connectTo(sim.tcpPort("1234ABCD")));
    EXPECT_EQ(sim.control("mute 1234ABCD on").back(), "ok");
    sendBytes(host.get(), {0xAD, 0x00});
    EXPECT_TRUE(receiveBytes(host.get(), 1, 200).empty());
    EXPECT_EQ(sim.control("mute 1234ABCD off").back(), "ok");
    EXPECT_EQ(sim.control("raw 1234ABCD 05 FF").back(), "ok");
    EXPECT_EQ(sim.control("packet 1234ABCD 17 01").back(), "ok");
    EXPECT_EQ(receiveBytes(host.get(), 6), (Bytes{0x05, 0xFF, 0x04, 0x02, 0x17, 0x01}));
    EXPECT_EQ(sim.control("hangup 1234ABCD").back(), "ok");
    uint8_t byte;
    EXPECT_EQ(read(host.get(), &byte, 1), 0);

    EXPECT_EQ(sim.control("mute 99999999 on").back(), "error no device 99999999");
    EXPECT_EQ(sim.control("packet 1234ABCD 0G").back().rfind("error", 0), 0u);
    EXPECT_EQ(sim.control("frobnicate 1234ABCD").back(), "error unknown command frobnicate");
}

TEST(DeviceSimPty, SpeaksThePacketizedFramingAndDropsBadFrames) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "1234ABCD", "--address", "4", "--pty"});
    Fd line(open(sim.ptyPath("1234ABCD").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_GE(line.get(), 0);
    termios settings{};
    tcgetattr(line.get(), &settings);
    cfmakeraw(&settings);
    tcsetattr(line.get(), TCSANOW, &settings);

    // AD 00 with a wrong CRC byte: dropped without an answer.
    sendBytes(line.get(), {0x02, 0xAD, 0x02, 0x68, 0x00});
    EXPECT_TRUE(receiveBytes(line.get(), 1, 200).empty());
    // AD 00 framed: COBS of AD 00 67, then the delimiter; the answer is 04 00 framed.
    sendBytes(line.get(), {0x02, 0xAD, 0x02, 0x67, 0x00});
    EXPECT_EQ(receiveBytes(line.get(), 5), (Bytes{0x02, 0x04, 0x02, 0x3B, 0x00}));
    // An echo request 04 03 17 01 02 comes back in one frame.
    sendBytes(line.get(), {0x07, 0x04, 0x03, 0x17, 0x01, 0x02, 0xDF, 0x00});
    EXPECT_EQ(receiveBytes(line.get(), 8), (Bytes{0x07, 0x04, 0x03, 0x17, 0x01, 0x02, 0xDF, 0x00}));
    EXPECT_EQ(sim.stats("1234ABCD")["queries"], 1);
}

TEST(DeviceSimUsb, ServesTheEmulatedBusWithThePlainFramingInBulkTransfers) {
    testing_support::TempDir bus;
    DeviceSim sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device", "1234ABCD",
                   "--address", "4", "--model", "18", "--usb"});
    const std::string path = sim.endpoint("usb", "1234ABCD");
    EXPECT_EQ(path, bus.path() + "/1234ABCD.usb");

    Fd host(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(connect(host.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    sendBytes(host.get(), {'C', 'L', 'A', 'I', 'M'});
    char answer[256] = {};
    ASSERT_GT(recv(host.get(), answer, sizeof answer - 1, 0), 0);
    EXPECT_EQ(std::string(answer).rfind("OK ", 0), 0u);
    EXPECT_NE(std::string(answer).find("pid=0012"), std::string::npos);
    EXPECT_NE(std::string(answer).find("serial=1234ABCD"), std::string::npos);

    sendBytes(host.get(), {0xAD, 0x00, 0x04, 0x02, 23, 0x09});
    EXPECT_EQ(receiveBytes(host.get(), 6), (Bytes{0x04, 0x00, 0x04, 0x02, 23, 0x09}));
    EXPECT_EQ(sim.stats("1234ABCD")["queries"], 1);

    // Without a bus directory there is nowhere to serve USB.
    testing_support::ProcessOptions options;
    options.environment = {"LYNKOR_USB_EMULATION="};
    auto result = testing_support::runProcess(
        {testing_support::programPath("lynkor-sim"), "--device", "1", "--usb"}, options);
    EXPECT_EQ(result.exitStatus, 2);
}

TEST(DeviceSimProgram, ExitsCleanlyOnSigtermAndRefusesBadOptions) {
    auto sim = std::make_unique<DeviceSim>(std::vector<std::string>{"--device", "1"});
    const int port = sim->tcpPort("00000001");
    EXPECT_EQ(sim->process().stop(), 0);
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    EXPECT_NE(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"--device", "XYZ"},
             {"--tcp"},
             {"--device", "1", "--address", "3"},
             {"--device", "1", "--device", "1"},
             {"--device", "1", "--bogus"},
             {"--device", "1", "--behind", "2"},
             {"--device", "1", "--behind", "1"},
             {"--device", "1", "--device", "2", "--address", "2", "--behind", "1"},
             {"--device", "1", "--version", "2.300.1"},
             {"--device", "1", "--version", "2.10"},
             {"--device", "1", "--version", "2.10.4.1"},
             {"--device", "+1"},
             {"--device", "100000000"},
             {"--device", "1", "--model", "-1"},
             {"--device", "1", "--address", " 4"},
             {"--device", "1", "--build", "4294967296"},
             {"--device", "1", "--identifier", "1,2,3,4,5"},
             {"--device", "1", "--identifier", "1,2,,4"},
             {"--device", "1", "--identifier", "1,2,3"},
             {"--device", "1", "--stream-period-ms", "0"},
             {"--device", "1", "--reply-delay-ms", "x"},
             {"--device", "1", "--block-size", "65536"},
             {"--device", "1", "--down-ms", "60001"},
             {"--loader"},
             {"--device", "1", "--usb-busy"}}) {
        std::vector<std::string> argv{testing_support::programPath("lynkor-sim")};
        argv.insert(argv.end(), args.begin(), args.end());
        auto result = testing_support::runProcess(argv);
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_NE(result.standardError.find("usage: lynkor-sim"), std::string::npos);
    }
}

}  // namespace
