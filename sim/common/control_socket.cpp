#include "control_socket.h"

namespace sim {

struct ControlSocket::Client {
    std::unique_ptr<FdChannel> channel;
    std::string pending;
};

ControlSocket::ControlSocket(EventLoop& loop, Handler handler)
    : loop_(loop),
      handler_(std::move(handler)),
      listener_(loop, kBacklog, [this](int fd) { accept(fd); }) {}

ControlSocket::~ControlSocket() {
    clients_.clear();
}

void ControlSocket::accept(int fd) {
    auto client = std::make_shared<Client>();
    Client* raw = client.get();
    client->channel = std::make_unique<FdChannel>(
        loop_, fd,
        [this, raw](const uint8_t* bytes, size_t count) {
            raw->pending.append(reinterpret_cast<const char*>(bytes), count);
            size_t newline;
            while ((newline = raw->pending.find('\n')) != std::string::npos) {
                std::string line = raw->pending.substr(0, newline);
                raw->pending.erase(0, newline + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                std::string answer;
                for (const std::string& answerLine : handler_(line)) {
                    answer += answerLine + "\n";
                }
                raw->channel->write(Bytes(answer.begin(), answer.end()));
            }
        },
        [this, raw] {
            for (auto entry = clients_.begin(); entry != clients_.end(); ++entry) {
                if (entry->get() == raw) {
                    loop_.defer([keep = *entry] {});
                    clients_.erase(entry);
                    return;
                }
            }
        });
    clients_.push_back(std::move(client));
}

}  // namespace sim
