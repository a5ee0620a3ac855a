#pragma once

// The private state of a Link, shared by the files that implement its operations.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "api/packet_ptr.h"
#include "api/stream_state.h"
#include "lynkor/Link.h"
#include "lynkor/aLogger.h"

namespace Norvane::Lynkor {

// Waits for replies, unless an operation says otherwise.
constexpr uint32_t kReplyTimeoutMs = 1000;

struct LoggerDeleter {
    void operator()(aLogger* logger) const { aLogger_Destroy(&logger); }
};

class LinkImpl {
public:
    explicit LinkImpl(const char* name);

    // The link id when the link runs in step with the device, else 0 and `result` is
    // aErrConnection.
    aLinkRef runningLink(aErr& result) const;
    // As runningLink, after checking that the module address is even and not 0 (aErrPacket).
    aLinkRef runningLinkTo(uint8_t module, aErr& result) const;

    // Sends [data] to the module and waits for the reply that the filter accepts: aErrTimeout
    // when none comes, aErrResource when the request cannot be made.
    aErr exchange(uint8_t module, const uint8_t* data, uint8_t length, aPacketFilter filter,
                  void* reference, uint32_t timeoutMs, lynkor::api::PacketPtr& reply) const;

    // The caller holds `life` in these.
    // Opens the link of the stored linkSpec; over the router link `through` unless it is 0.
    aErr connectLocked(aLinkRef through);
    // Stops streaming and the packet logger, then releases the link.
    void releaseLink();

    // Forgets every stream registration and ends the dispatcher; no callback runs after.
    void stopStreaming(aLinkRef id);

    std::string name;
    // Serialises connecting, disconnecting, reset and the packet log.
    std::mutex life;
    // Read without `life` by the exchanges; written under it.
    std::atomic<aLinkRef> linkId{0};
    // Guarded by `life`.
    std::optional<linkSpec> spec;
    TethraConfig config;
    std::unique_ptr<aLogger, LoggerDeleter> logger;

    // Serialises stream registrations of this Link; the link's threads never take it.
    std::mutex registration;
    std::shared_ptr<lynkor::api::StreamState> streams;
};

}  // namespace Norvane::Lynkor
