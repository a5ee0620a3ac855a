// The socket stream against a loopback TCP server run by the test.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "stream_test_support.h"

namespace {

using namespace stream_testing;
using Clock = std::chrono::steady_clock;

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// How a peer ends a connection: in order (FIN), or by a reset as a crashing peer does.
enum class Hangup { Orderly, Reset };

std::string s_name(Hangup hangup) {
    return hangup == Hangup::Orderly ? "Orderly" : "Reset";
}

class LoopbackServer {
public:
    LoopbackServer() { listen(); }
    ~LoopbackServer() {
        dropPeer(Hangup::Orderly);
        stopListening();
    }
    uint16_t port() const { return port_; }

    bool accept(int timeoutMs = 5000) {
        pollfd entry{listener_, POLLIN, 0};
        if (poll(&entry, 1, timeoutMs) != 1) {
            return false;
        }
        peer_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return peer_ >= 0;
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(::send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    std::string receive(size_t count) {
        std::string bytes;
        while (bytes.size() < count) {
            pollfd entry{peer_, POLLIN, 0};
            if (poll(&entry, 1, 5000) != 1) {
                break;
            }
            char chunk[4096];
            ssize_t got = ::recv(peer_, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
            if (got <= 0) {
                break;
            }
            bytes.append(chunk, static_cast<size_t>(got));
        }
        return bytes;
    }
    void dropPeer(Hangup hangup) {
        if (peer_ < 0) {
            return;
        }
        if (hangup == Hangup::Reset) {
            linger abort{1, 0};
            setsockopt(peer_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        }
        close(peer_);
        peer_ = -1;
    }
    void stopListening() {
        if (listener_ >= 0) {
            close(listener_);
            listener_ = -1;
        }
    }
    // Listens on the port it had, or on a free one the first time.
    void listen() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = kLoopback;
        address.sin_port = htons(port_);
        socklen_t size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(listener_, 4) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "no loopback listener";
        }
        port_ = ntohs(address.sin_port);
    }

private:
    int listener_ = -1;
    int peer_ = -1;
    uint16_t port_ = 0;
};

StreamPtr connectTo(const LoopbackServer& server) {
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateSocket(kLoopback, server.port(), &stream), aErrNone);
    return StreamPtr(stream);
}

TEST(SocketStream, CarriesBytesBothWays) {
    LoopbackServer server;
    auto stream = connectTo(server);
    ASSERT_TRUE(server.accept());

    uint8_t byte = 0;
    EXPECT_EQ(aStream_Read(stream.get(), &byte, 1), aErrNotReady);

    const std::string request = "\x04\x02\x10\x20";
    ASSERT_EQ(aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>(request.data()),
                            request.size()),
              aErrNone);
    EXPECT_EQ(server.receive(request.size()), request);
    ASSERT_EQ(aStream_Write(stream.get(), &byte, 1), aErrNone);
    EXPECT_EQ(server.receive(1), std::string(1, '\0'));

    std::string reply(3000, '\0');
    for (size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<char>(i * 7);
    }
    server.send(reply);
    std::vector<uint8_t> received(reply.size());
    ASSERT_EQ(readWithin(stream.get(), received.data(), received.size()), aErrNone);
    EXPECT_EQ(text(received), reply);
}

class SocketStreamHangup : public ::testing::TestWithParam<Hangup> {};

TEST_P(SocketStreamHangup, AReaderReconnectsToAPeerThatHungUp) {
    LoopbackServer server;
    auto stream = connectTo(server);
    ASSERT_TRUE(server.accept());
    server.send("a");
    uint8_t byte = 0;
    ASSERT_EQ(readWithin(stream.get(), &byte, 1), aErrNone);
    EXPECT_EQ(byte, 'a');

    server.dropPeer(GetParam());
    // The reader notices the loss, reconnects and meanwhile reports that nothing is there.
    bool reconnected = false;
    for (int i = 0; i < 200 && !reconnected; ++i) {
        ASSERT_EQ(aStream_Read(stream.get(), &byte, 1), aErrNotReady);
        reconnected = server.accept(0);
    }
    ASSERT_TRUE(reconnected);
    server.send("b");
    ASSERT_EQ(readWithin(stream.get(), &byte, 1), aErrNone);
    EXPECT_EQ(byte, 'b');
    ASSERT_EQ(aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>("ok"), 2), aErrNone);
    EXPECT_EQ(server.receive(2), "ok");
}

// Repeats the operation while it answers aErrConnection, for at most a few seconds.
template <typename Operation>
aErr s_untilConnected(Operation operation) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    aErr result = aErrConnection;
    while (result == aErrConnection && Clock::now() < deadline) {
        result = operation();
    }
    return result;
}

TEST_P(SocketStreamHangup, APeerThatLeavesIsAConnectionErrorUntilItListensAgain) {
    LoopbackServer server;
    auto stream = connectTo(server);
    ASSERT_TRUE(server.accept());
    server.stopListening();
    server.dropPeer(GetParam());
    uint8_t byte = 0;
    EXPECT_EQ(readWithin(stream.get(), &byte, 1), aErrConnection);
    EXPECT_EQ(aStream_Read(stream.get(), &byte, 1), aErrConnection);
    EXPECT_EQ(aStream_Write(stream.get(), &byte, 1), aErrConnection);

    // Back on the same port: a later read connects again, and the stream carries bytes.
    server.listen();
    EXPECT_EQ(s_untilConnected([&] { return aStream_Read(stream.get(), &byte, 1); }), aErrNotReady);
    ASSERT_TRUE(server.accept());
    server.send("c");
    ASSERT_EQ(readWithin(stream.get(), &byte, 1), aErrNone);
    EXPECT_EQ(byte, 'c');

    // A stream that is only written to comes back as well.
    server.stopListening();
    server.dropPeer(GetParam());
    const auto* payload = reinterpret_cast<const uint8_t*>("back");
    // Until the loss shows, writes still go into the old connection.
    aErr written = aErrNone;
    for (int i = 0; i < 100 && written == aErrNone; ++i) {
        written = aStream_Write(stream.get(), payload, 4);
    }
    EXPECT_EQ(written, aErrConnection);
    server.listen();
    EXPECT_EQ(s_untilConnected([&] { return aStream_Write(stream.get(), payload, 4); }), aErrNone);
    ASSERT_TRUE(server.accept());
    EXPECT_EQ(server.receive(4), "back");
}

INSTANTIATE_TEST_SUITE_P(ByHowThePeerCloses, SocketStreamHangup,
                         ::testing::Values(Hangup::Orderly, Hangup::Reset),
                         [](const auto& info) { return s_name(info.param); });

TEST(SocketStream, WriterReconnectsAfterAPeerReset) {
    LoopbackServer server;
    auto stream = connectTo(server);
    ASSERT_TRUE(server.accept());
    server.dropPeer(Hangup::Reset);
    // Give the reset time to arrive, so that the send fails rather than races it.
    usleep(50000);
    ASSERT_EQ(aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>("late"), 4), aErrNone);
    ASSERT_TRUE(server.accept());
    EXPECT_EQ(server.receive(4), "late");
}

TEST(SocketStream, ReaderAndWriterShareTheConnectionAcrossAReset) {
    LoopbackServer server;
    auto stream = connectTo(server);
    ASSERT_TRUE(server.accept());
    // One thread writes while another reads, as a link's writer and reader do; a reset in the
    // middle is noticed by both and answered by one new connection.
    std::atomic<bool> stop{false};
    std::atomic<int> received{0};
    std::thread reader([&] {
        uint8_t byte = 0;
        while (!stop) {
            if (aStream_Read(stream.get(), &byte, 1) == aErrNone) {
                ++received;
            }
        }
    });
    struct StopReader {
        std::atomic<bool>& stop;
        std::thread& reader;
        ~StopReader() {
            stop = true;
            if (reader.joinable()) {
                reader.join();
            }
        }
    } stopReader{stop, reader};
    const uint8_t packet[] = {0x02, 0x01, 0x33};
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(aStream_Write(stream.get(), packet, sizeof packet), aErrNone);
        }
        EXPECT_EQ(server.receive(150).size(), 150u);
        server.send("xyz");
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (received < 3 * (round + 1) && Clock::now() < deadline) {
            usleep(1000);
        }
        server.dropPeer(Hangup::Reset);
        ASSERT_TRUE(server.accept());
    }
    stop = true;
    reader.join();
    EXPECT_EQ(received.load(), 6);
    ASSERT_EQ(aStream_Write(stream.get(), packet, sizeof packet), aErrNone);
    EXPECT_EQ(server.receive(3), std::string(reinterpret_cast<const char*>(packet), 3));
}

TEST(SocketStream, WriteThatCannotProgressAnswersWriteError) {
    LoopbackServer server;
    auto stream = connectTo(server);
    ASSERT_TRUE(server.accept());
    // The server never reads: once both socket buffers are full every send would block.
    std::vector<uint8_t> block(64 * 1024 * 1024, 0x5A);
    EXPECT_EQ(aStream_Write(stream.get(), block.data(), block.size()), aErrWrite);
}

TEST(SocketStream, CreationFailsCleanly) {
    LoopbackServer server;
    const uint16_t port = server.port();
    server.stopListening();
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateSocket(kLoopback, port, &stream), aErrResource);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(aStream_CreateSocket(kLoopback, port, nullptr), aErrParam);
}

}  // namespace
