// The device server's broker and its internal messages: whatever clients and the sync task
// send, the broker stays within its limits, answers go only to clients that asked, and what it
// sends to the sync task is always a well-formed request whose last packet expects an answer.
//
// Input: a run of operations, each a tag byte and its bytes:
//   0 client (1 byte), part count (1 byte), then per part a length byte and the bytes
//   1 a sync report: length byte, bytes (raw, as if from the sync task)
//   2 the answer to the oldest request, with the next length byte's worth of bytes as answers
//   3 a stream batch: length byte, bytes
//   4 flush the waiting requests
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <set>
#include <span>

#include "server/broker.h"

namespace {

using namespace lynkor::server;

class CheckingPort : public BrokerPort {
public:
    SendResult sendToClient(const ClientIdentity& client, std::span<const uint8_t>) override {
        if (asked.count(client) == 0) {
            std::abort();
        }
        return client == "\x07" ? SendResult::kUnreachable : SendResult::kSent;
    }
    bool sendToSync(std::span<const uint8_t> message) override {
        const auto request = decodeRequest(message);
        if (!request || request->packets.empty() || !expectsAnswer(request->packets.back())) {
            std::abort();
        }
        ids.push_back(request->id);
        return true;
    }

    std::set<ClientIdentity> asked;
    std::deque<uint32_t> ids;
};

class Input {
public:
    explicit Input(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool empty() const { return bytes_.empty(); }
    uint8_t byte() {
        if (bytes_.empty()) {
            return 0;
        }
        const uint8_t value = bytes_.front();
        bytes_ = bytes_.subspan(1);
        return value;
    }
    std::vector<uint8_t> take(size_t count) {
        count = std::min(count, bytes_.size());
        std::vector<uint8_t> taken(bytes_.begin(), bytes_.begin() + static_cast<long>(count));
        bytes_ = bytes_.subspan(count);
        return taken;
    }

private:
    std::span<const uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckingPort port;
    BrokerLimits limits;
    limits.pendingPerClient = 4;
    limits.pendingTotal = 8;
    limits.runPackets = 16;
    limits.runPacketsTotal = 24;
    limits.runTimeToLive = 8;
    limits.streamClients = 3;
    Broker broker(port, limits);
    Input input({data, size});
    while (!input.empty()) {
        switch (input.byte() % 5) {
            case 0: {
                const ClientIdentity client(1, static_cast<char>(input.byte() % 8));
                std::vector<std::vector<uint8_t>> parts(input.byte() % 3);
                for (auto& part : parts) {
                    part = input.take(input.byte());
                }
                port.asked.insert(client);
                broker.onClientMessage(client, parts, 0);
                break;
            }
            case 1:
                broker.onSyncReport(input.take(input.byte()));
                break;
            case 2: {
                if (port.ids.empty()) {
                    break;
                }
                SyncReport report{SERVER_CMD_INCOMING_PACKETS, port.ids.front(), {}};
                port.ids.pop_front();
                const auto answers = parsePacketRun(input.take(input.byte()));
                if (answers) {
                    report.answers = *answers;
                }
                broker.onSyncReport(encodeReport(report));
                break;
            }
            case 3:
                broker.onStreamBatch(input.take(input.byte()));
                break;
            default:
                broker.flushPending();
                port.ids.clear();
                break;
        }
        if (broker.pendingCount() > limits.pendingTotal || broker.streamClientCount() > 3 ||
            broker.runCount() > limits.runPacketsTotal) {
            std::abort();
        }
    }
    return 0;
}
