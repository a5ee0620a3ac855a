// A Link's streaming: registrations with the device (cmdLINK), the cache queries, and the end of
// streaming when the link goes.
#include "api/link_filter_hub.h"
#include "api/link_impl.h"
#include "api/uei_transaction.h"

namespace Norvane::Lynkor {

namespace {

constexpr uint8_t kLinkIndex = 0;
constexpr uint8_t kLinkEnableStream = 1;
constexpr uint8_t kLinkDisableStream = 2;

void s_revokeAll(lynkor::api::StreamState& streams, std::vector<lynkor::api::BindingPtr>& bindings,
                 const lynkor::api::BindingPtr& more) {
    if (more != nullptr) {
        bindings.push_back(more);
    }
    streams.dispatcher.revoke(bindings);
}

}  // namespace

void LinkImpl::stopStreaming(aLinkRef id) {
    std::lock_guard lock(registration);
    streams->clear();
    lynkor::api::detachTaker(id, streams.get());
    streams->dispatcher.stop();
}

aErr Link::enableStream(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                        bool enable) {
    return registerStreamCallback(module, command, option, index, enable, nullptr, nullptr);
}

aErr Link::registerStreamCallback(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                                  bool enable, StreamCallback callback, void* user) {
    if (module == kStreamWildcard || module == 0 || (module & 1) != 0) {
        return aErrParam;
    }
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLink(result);
    if (id == 0) {
        return result;
    }
    lynkor::api::StreamState& streams = *impl_->streams;
    const uint64_t key = createStreamKey(module, command, option, index, kStreamWildcard);
    std::vector<lynkor::api::BindingPtr> revoked;
    lynkor::api::BindingPtr replaced;
    {
        // The map's own lock is never held while the filter is installed or the device
        // answers: the reader thread takes it inside the filter.
        std::lock_guard lock(impl_->registration);
        if (enable) {
            auto binding =
                callback ? std::make_shared<lynkor::api::CallbackBinding>(std::move(callback), user)
                         : nullptr;
            replaced = streams.insert(key, std::move(binding));
            streams.dispatcher.start();
            result = lynkor::api::attachTaker(id, impl_->streams);
        } else {
            revoked = streams.remove(key);
        }
        if (result == aErrNone) {
            uei request{};
            request.module = module;
            request.command = cmdLINK;
            request.option =
                static_cast<uint8_t>((enable ? kLinkEnableStream : kLinkDisableStream) | UEI_SET);
            request.index = kLinkIndex | UEI_REQUEST;
            request.intValue = static_cast<uint32_t>(key);
            request.ueiType = ueiTypeInt;
            uei reply{};
            result = lynkor::api::transact(*this, request, std::nullopt, request.option | UEI_ACK,
                                           reply);
        }
        if (result != aErrNone && enable) {
            const std::vector<lynkor::api::BindingPtr> taken = streams.remove(key);
            revoked.insert(revoked.end(), taken.begin(), taken.end());
        }
        if (streams.empty()) {
            lynkor::api::detachTaker(id, impl_->streams.get());
        }
    }
    // Outside the registration lock: a callback that is running may register itself.
    s_revokeAll(streams, revoked, replaced);
    return result;
}

aErr Link::getStreamValue(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                          uint8_t subindex, uint32_t* value) {
    if (value == nullptr) {
        return aErrParam;
    }
    return impl_->streams->value(createStreamKey(module, command, option, index, subindex), value);
}

aErr Link::getStreamStatus(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                           uint8_t subindex, StreamStatusEntry* entries, uint32_t capacity,
                           uint32_t* count) {
    return impl_->streams->status(createStreamKey(module, command, option, index, subindex),
                                  entries, capacity, count);
}

std::vector<uint64_t> Link::filterActiveStreamKeys(uint8_t module, uint8_t command, uint8_t option,
                                                   uint8_t index, uint8_t subindex, bool /*lock*/) {
    // The map's lock is recursive and always taken, so a caller may pass either.
    return impl_->streams->activeKeys(createStreamKey(module, command, option, index, subindex));
}

aErr Link::isLinkStreaming(uint8_t module, uint8_t* streaming) {
    if (streaming == nullptr) {
        return aErrParam;
    }
    uei request{};
    request.module = module;
    request.command = cmdLINK;
    request.option = kLinkEnableStream | UEI_GET;
    request.index = kLinkIndex | UEI_REQUEST;
    uei reply{};
    aErr result = lynkor::api::transact(*this, request, std::nullopt, kLinkEnableStream, reply);
    if (result == aErrNone && reply.ueiType == ueiTypeVoid) {
        result = aErrUnknown;
    }
    if (result == aErrNone) {
        *streaming = static_cast<uint8_t>(lynkor::api::replyValue(reply));
    }
    return result;
}

uint8_t Link::linkStreamFilter(const aPacket* packet, void* user) {
    return lynkor::api::hubFilter(packet, user);
}

}  // namespace Norvane::Lynkor
