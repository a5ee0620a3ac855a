// The client stream against a message-socket peer that plays the device server.
#include <arpa/inet.h>
#include <zmq.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "stream_test_support.h"

namespace {

using namespace stream_testing;

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// A server socket on an ephemeral loopback port, as the device server binds its front end.
class ServerPeer {
public:
    ServerPeer() : messaging_(zmq_ctx_new()), socket_(zmq_socket(messaging_, ZMQ_ROUTER)) {
        const int noLinger = 0;
        zmq_setsockopt(socket_, ZMQ_LINGER, &noLinger, sizeof noLinger);
        const int waitMs = 5000;
        zmq_setsockopt(socket_, ZMQ_RCVTIMEO, &waitMs, sizeof waitMs);
        EXPECT_EQ(zmq_bind(socket_, "tcp://127.0.0.1:*"), 0);
        char endpoint[64];
        size_t size = sizeof endpoint;
        zmq_getsockopt(socket_, ZMQ_LAST_ENDPOINT, endpoint, &size);
        port_ = static_cast<uint16_t>(std::atoi(std::strrchr(endpoint, ':') + 1));
    }
    ~ServerPeer() {
        zmq_close(socket_);
        zmq_ctx_term(messaging_);
    }
    uint16_t port() const { return port_; }

    // The next client message: the client's identity and its content.
    bool receive(std::string* identity, std::string* content) {
        return receivePart(identity) && receivePart(content);
    }
    void send(const std::string& identity, const std::string& content) {
        zmq_send(socket_, identity.data(), identity.size(), ZMQ_SNDMORE);
        zmq_send(socket_, content.data(), content.size(), 0);
    }

private:
    bool receivePart(std::string* part) {
        zmq_msg_t message;
        zmq_msg_init(&message);
        const int size = zmq_msg_recv(&message, socket_, 0);
        if (size >= 0) {
            part->assign(static_cast<char*>(zmq_msg_data(&message)), static_cast<size_t>(size));
        }
        zmq_msg_close(&message);
        return size >= 0;
    }

    void* messaging_;
    void* socket_;
    uint16_t port_ = 0;
};

StreamPtr connectTo(const ServerPeer& server) {
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateClient(kLoopback, server.port(), &stream), aErrNone);
    return StreamPtr(stream);
}

std::string packet(uint8_t address, const std::string& data) {
    return std::string(1, static_cast<char>(address)) + static_cast<char>(data.size()) + data;
}

TEST(ClientStream, OneMessagePerPacketBothWays) {
    ServerPeer server;
    auto stream = connectTo(server);
    ASSERT_NE(stream, nullptr);

    const std::string request = packet(0x04, "\x03\x48\x20");
    ASSERT_EQ(aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>(request.data()),
                            request.size()),
              aErrNone);
    std::string identity;
    std::string content;
    ASSERT_TRUE(server.receive(&identity, &content));
    EXPECT_EQ(content, request);

    // Two answers, one message each, come out as one byte stream in order.
    const std::string first = packet(0x04, "\x03\x48\x20\x11");
    const std::string second = packet(0x04, "");
    server.send(identity, first);
    server.send(identity, second);
    std::vector<uint8_t> received(first.size() + second.size());
    ASSERT_EQ(aStream_Read(stream.get(), received.data(), received.size()), aErrNone);
    EXPECT_EQ(text(received), first + second);

    uint8_t byte = 0;
    EXPECT_EQ(aStream_Read(stream.get(), &byte, 1), aErrNotReady);
    EXPECT_EQ(aStream_Write(stream.get(), &byte, 1), aErrUnimplemented);
}

TEST(ClientStream, ReaderAndWriterRunTogether) {
    ServerPeer server;
    auto stream = connectTo(server);
    ASSERT_NE(stream, nullptr);
    constexpr int kPackets = 2000;
    const std::string request = packet(0x02, "ping");

    // The server echoes every packet back to its sender.
    std::thread echo([&] {
        std::string identity;
        std::string content;
        for (int i = 0; i < kPackets && server.receive(&identity, &content); ++i) {
            server.send(identity, content);
        }
    });
    std::atomic<int> failedWrites{0};
    std::thread writer([&] {
        for (int i = 0; i < kPackets; ++i) {
            if (aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>(request.data()),
                              request.size()) != aErrNone) {
                ++failedWrites;
            }
        }
    });
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received.size() < kPackets * request.size() &&
           std::chrono::steady_clock::now() < deadline) {
        uint8_t bytes[6];
        if (aStream_Read(stream.get(), bytes, sizeof bytes) == aErrNone) {
            received.append(reinterpret_cast<char*>(bytes), sizeof bytes);
        }
    }
    writer.join();
    echo.join();
    EXPECT_EQ(failedWrites.load(), 0);
    ASSERT_EQ(received.size(), kPackets * request.size());
    for (size_t at = 0; at < received.size(); at += request.size()) {
        ASSERT_EQ(received.substr(at, request.size()), request) << "at byte " << at;
    }
}

TEST(ClientStream, UnreachableServerIsAConnectionError) {
    uint16_t port = 0;
    {
        ServerPeer gone;
        port = gone.port();
    }
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateClient(kLoopback, port, &stream), aErrConnection);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(aStream_CreateClient(kLoopback, port, nullptr), aErrParam);
}

}  // namespace
