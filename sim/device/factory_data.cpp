#include "factory_data.h"

#include <algorithm>

#include "protocol_codes.h"

namespace sim {

namespace {

constexpr uint8_t kBlockMask = 0x0F;
constexpr uint8_t kWrite = 0x10;
constexpr uint8_t kFinish = 0x20;
constexpr uint8_t kFirst = 0x40;
constexpr uint8_t kRefused = 0x80;
constexpr size_t kChunk = 26;

}  // namespace

void FactoryData::handle(Device& device, const Packet& request, HostConnection& host) {
    const Bytes& data = request.data;
    if (data.size() < 2) {
        ++device.counters().malformed;
        return;
    }
    const uint8_t flags = data[1];
    const uint8_t block = flags & kBlockMask;
    uint8_t refusal = kErrNone;
    Bytes answer;
    if (flags & kFinish) {
        answer = finish(data, refusal);
    } else if (flags & kWrite) {
        answer = write(block, (flags & kFirst) != 0, data, refusal);
    } else if (data.size() == 2) {
        answer = read(block, (flags & kFirst) != 0, refusal);
    } else {
        ++device.counters().malformed;
        return;
    }
    device.answer(host, refusal == kErrNone ? answer : errorReply(data, refusal));
}

Bytes FactoryData::errorReply(const Bytes& request, uint8_t code) const {
    const uint8_t flags = request.size() > 1 ? request[1] : 0;
    const uint8_t block = (flags & kFinish) ? 0 : flags & kBlockMask;
    return {kCmdFactory, static_cast<uint8_t>(block | kRefused), code};
}

Bytes FactoryData::read(uint8_t block, bool first, uint8_t& refusal) {
    if (first) {
        transfer_ = Transfer::Reading;
        block_ = block;
        position_ = 0;
    } else if (transfer_ != Transfer::Reading || block_ != block) {
        refusal = kErrNotReady;
        return {};
    }
    const Bytes& source = blocks_[block];
    const size_t count = std::min(kChunk, source.size() - position_);
    Bytes answer{kCmdFactory, block};
    const auto from = source.begin() + static_cast<long>(position_);
    answer.insert(answer.end(), from, from + static_cast<long>(count));
    position_ += count;
    return answer;
}

Bytes FactoryData::write(uint8_t block, bool first, const Bytes& request, uint8_t& refusal) {
    if (first) {
        transfer_ = Transfer::Writing;
        block_ = block;
        pending_.clear();
    } else if (transfer_ != Transfer::Writing || block_ != block) {
        refusal = kErrNotReady;
        return {};
    }
    const size_t count = request.size() - 2;
    if (count > kChunk || pending_.size() + count > kMaxBlockBytes) {
        transfer_ = Transfer::None;
        refusal = kErrOverrun;
        return {};
    }
    pending_.insert(pending_.end(), request.begin() + 2, request.end());
    return {kCmdFactory, block};
}

Bytes FactoryData::finish(const Bytes& request, uint8_t& refusal) {
    const Transfer finished = transfer_;
    transfer_ = Transfer::None;
    if (request.size() != 4 || finished == Transfer::None) {
        refusal = request.size() != 4 ? kErrPacket : kErrNotReady;
        return {};
    }
    if (finished == Transfer::Writing) {
        if (readBigEndian(request.data() + 2, 2) != pending_.size()) {
            refusal = kErrSize;
            return {};
        }
        blocks_[block_] = std::move(pending_);
        pending_.clear();
    }
    return {kCmdFactory, 0};
}

}  // namespace sim
