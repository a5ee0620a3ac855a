#include "tcp_transport.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <stdexcept>

namespace sim {

class TcpTransport::Connection : public HostConnection {
public:
    Connection(TcpTransport& owner, int fd)
        : owner_(owner),
          channel_(
              owner.loop_, fd,
              [this](const uint8_t* bytes, size_t count) { onBytes(bytes, count); },
              [this] { hangUp(); }) {
        owner_.device_.attach(this);
    }
    ~Connection() override { owner_.device_.detach(this); }

    void sendPacket(const Packet& packet) override { sendRaw(packet.wire()); }
    void sendRaw(const Bytes& bytes) override {
        if (!closed_) {
            channel_.write(bytes);
        }
    }
    void hangUp() override {
        if (!closed_) {
            closed_ = true;
            owner_.device_.detach(this);
            owner_.remove(this);
        }
    }
    bool hostPresent() const override { return !closed_; }

    // Closing with linger on and a time of 0 sends RST instead of FIN.
    void reset() {
        linger abort{1, 0};
        setsockopt(channel_.fd(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        hangUp();
    }

private:
    void onBytes(const uint8_t* bytes, size_t count) {
        for (size_t i = 0; i < count && !closed_; ++i) {
            if (auto packet = assembler_.feed(bytes[i])) {
                owner_.device_.receive(*packet, *this);
            }
        }
    }

    TcpTransport& owner_;
    FdChannel channel_;
    RawPacketAssembler assembler_;
    bool closed_ = false;
};

TcpTransport::TcpTransport(EventLoop& loop, Device& device) : loop_(loop), device_(device) {
    listener_.emplace(loop, kBacklog, [this](int fd) { accept(fd); });
    port_ = listener_->port();
}

TcpTransport::~TcpTransport() {
    connections_.clear();
}

void TcpTransport::accept(int fd) {
    // Devices answer packet by packet; do not let small replies wait for more.
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connections_.push_back(std::make_shared<Connection>(*this, fd));
}

void TcpTransport::leave(bool reset) {
    listener_.reset();
    // Hanging up removes the connection from the list, so work on a copy.
    const auto connections = connections_;
    for (const auto& connection : connections) {
        reset ? connection->reset() : connection->hangUp();
    }
}

bool TcpTransport::listenAgain() {
    try {
        listener_.emplace(
            loop_, kBacklog, [this](int fd) { accept(fd); }, port_);
    } catch (const std::runtime_error&) {
        return false;
    }
    return true;
}

void TcpTransport::remove(Connection* connection) {
    for (auto entry = connections_.begin(); entry != connections_.end(); ++entry) {
        if (entry->get() == connection) {
            // The connection may be running one of its own callbacks: free it afterwards.
            loop_.defer([keep = *entry] {});
            connections_.erase(entry);
            return;
        }
    }
}

}  // namespace sim
