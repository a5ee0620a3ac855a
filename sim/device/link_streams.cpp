#include "link_streams.h"

#include <algorithm>
#include <set>

#include "protocol_codes.h"

namespace sim {

namespace {

constexpr uint8_t kOptionEnable = 1;
constexpr uint8_t kOptionDisable = 2;
constexpr uint8_t kWildcard = 0xFF;
constexpr uint8_t kSubindexedTypeOffset = 4;

LinkStreams::Key s_key(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

bool s_covers(uint8_t pattern, uint8_t value) {
    return pattern == kWildcard || pattern == value;
}

bool s_streamable(const Property& property) {
    return property.readable && widthBytes(property.width) > 0;
}

uint8_t s_sampleType(ValueWidth width) {
    return width == ValueWidth::Byte ? 1 : width == ValueWidth::Short ? 2 : 3;
}

}  // namespace

LinkStreams::LinkStreams(Device& device)
    : device_(device),
      period_(device.config().streamPeriod),
      started_(std::chrono::steady_clock::now()) {
    setPeriod(period_);
    Property enable;
    enable.setWidth = ValueWidth::Int;
    enable.writable = true;
    enable.onSet = [this](uint32_t value, const Bytes&) { return this->enable(value); };
    enable.onGet = [this] { return keys_.empty() ? 0u : 1u; };
    device_.properties().define({kCmdLink, kOptionEnable, 0, std::nullopt}, std::move(enable));
    Property disable;
    disable.width = ValueWidth::Int;
    disable.readable = false;
    disable.writable = true;
    disable.onSet = [this](uint32_t value, const Bytes&) { return this->disable(value); };
    device_.properties().define({kCmdLink, kOptionDisable, 0, std::nullopt}, std::move(disable));
}

LinkStreams::~LinkStreams() {
    device_.loop().cancel(timer_);
}

void LinkStreams::setPeriod(std::chrono::milliseconds period) {
    period_ = std::clamp(period, std::chrono::milliseconds(kMinPeriod),
                         std::chrono::milliseconds(kMaxPeriod));
    if (timerRunning_) {
        restartTimer();
    }
}

uint8_t LinkStreams::enable(uint32_t value) {
    const Key key = s_key(value);
    const bool known = std::any_of(keys_.begin(), keys_.end(), [&](const Key& other) {
        return other.command == key.command && other.option == key.option &&
               other.index == key.index;
    });
    if (!known) {
        keys_.push_back(key);
    }
    if (!timerRunning_) {
        restartTimer();
    }
    return kErrNone;
}

uint8_t LinkStreams::disable(uint32_t value) {
    const Key pattern = s_key(value);
    std::erase_if(keys_, [&](const Key& key) {
        return s_covers(pattern.command, key.command) && s_covers(pattern.option, key.option) &&
               s_covers(pattern.index, key.index);
    });
    if (keys_.empty() && timerRunning_) {
        device_.loop().cancel(timer_);
        timerRunning_ = false;
    }
    return kErrNone;
}

void LinkStreams::restartTimer() {
    device_.loop().cancel(timer_);
    timer_ = device_.loop().every(period_, [this] { tick(); });
    timerRunning_ = true;
    roundsSince_ = std::chrono::steady_clock::now();
    rounds_ = 0;
}

void LinkStreams::tick() {
    // The loop wakes late now and then; send the rounds that fell due since, within reason,
    // so that the rate holds at short periods.
    const auto elapsed = std::chrono::steady_clock::now() - roundsSince_;
    const uint64_t due = static_cast<uint64_t>(elapsed / period_);
    if (due > rounds_ + kMaxCatchUpRounds) {
        rounds_ = due - kMaxCatchUpRounds;
    }
    for (; rounds_ < due; ++rounds_) {
        sendRound();
    }
}

void LinkStreams::sendRound() {
    if (device_.silenced()) {
        return;
    }
    std::set<PropertyKey> sent;
    for (const Key& key : keys_) {
        for (const auto& [propertyKey, property] :
             device_.properties().matching(key.command, key.option, key.index)) {
            if (s_streamable(*property) && sent.insert(propertyKey).second) {
                sendSample(propertyKey, *property);
            }
        }
    }
}

void LinkStreams::sendSample(const PropertyKey& key, const Property& property) {
    Bytes data{key.command, key.option, static_cast<uint8_t>(key.index | kUeiStream)};
    uint8_t type = s_sampleType(property.width);
    if (key.subindex) {
        type += kSubindexedTypeOffset;
    }
    data.push_back(type);
    if (key.subindex) {
        data.push_back(*key.subindex);
    }
    const uint64_t time = microsecondsSinceStart();
    appendBigEndian(data, static_cast<uint32_t>(time >> 32), 4);
    appendBigEndian(data, static_cast<uint32_t>(time), 4);
    appendBigEndian(data, property.current(), widthBytes(property.width));
    data.push_back(0);
    device_.sendToHosts(device_.reply(std::move(data)));
    ++device_.counters().streamSamples;
}

bool LinkStreams::flood(const PropertyKey& key, uint64_t count) {
    const Property* property = device_.properties().find(key);
    if (property == nullptr || !s_streamable(*property)) {
        return false;
    }
    for (uint64_t i = 0; i < count; ++i) {
        sendSample(key, *property);
    }
    return true;
}

void LinkStreams::garbage(uint64_t count) {
    const uint8_t stream = kUeiStream;
    const std::vector<Bytes> forms = {
        {kCmdSystem, 9, stream, 3},                                   // shorter than any sample
        {kCmdSystem, 9, stream, 1, 0, 0, 0, 0, 0, 0, 0, 1, 7, 0, 0},  // type 1 one byte too long
        {kCmdSystem, 9, stream, 0, 0, 0, 0, 0, 0, 0, 0, 1, 7, 0},     // type 0
        {kCmdSystem, 9, stream, 9, 0, 0, 0, 0, 0, 0, 0, 1, 7, 0},     // type 9
        {kCmdSystem, 9, stream, 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 7, 0x85},  // with a trailer
        {kCmdSystem, 9 | kUeiGet, stream, 1, 0, 0, 0, 0, 0, 0, 0, 1, 7, 0},    // get flag
        {kCmdSystem, 9, stream | kUeiError, 1, 0, 0, 0, 0, 0, 0, 0, 1, 7, 0},  // error flag
        {kCmdSystem, 9, stream, 7, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0},           // type 7 cut short
    };
    for (uint64_t i = 0; i < count; ++i) {
        device_.sendToHosts(device_.reply(forms[i % forms.size()]));
        ++device_.counters().streamGarbage;
    }
}

uint64_t LinkStreams::microsecondsSinceStart() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - started_)
                                     .count());
}

}  // namespace sim
