#include "upgrade_protocol.h"

#include <algorithm>
#include <cstdio>
#include <variant>

#include "protocol_codes.h"
#include "system_entity.h"
#include "uei_responder.h"

namespace sim {

namespace {

constexpr uint8_t kInit = 0;
constexpr uint8_t kData = 1;
constexpr uint8_t kLoad = 2;
constexpr uint8_t kPrepare = 3;
constexpr uint8_t kSum = 4;
constexpr uint8_t kWrite = 5;
constexpr uint8_t kReboot = 6;
constexpr uint8_t kStatus = 7;
constexpr uint8_t kDataOption = 10;
// [95, option | flags, index | 0x20]
constexpr size_t kUeiHeaderLength = 3;

struct Malformed {};
struct InitRequest {};
struct DataRequest {
    const uint8_t* bytes;
    size_t count;
};
struct LoadRequest {};
struct PrepareRequest {
    uint8_t flags;
    uint32_t address;
};
struct SumRequest {};
struct WriteRequest {
    uint16_t count;
};
struct RebootRequest {};
// A typed request: a packet of a byte-array write of the data option, or one to refuse.
struct UeiRequest {};

using Request = std::variant<Malformed, InitRequest, DataRequest, LoadRequest, PrepareRequest,
                             SumRequest, WriteRequest, RebootRequest, UeiRequest>;

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

Request s_parse(const Bytes& data) {
    const size_t length = data.size();
    if (length < 2) {
        return Malformed{};
    }
    if ((data[1] & (kUeiGet | kUeiSet)) != 0) {
        if (length >= kUeiHeaderLength && (data[2] & kUeiRequest) != 0) {
            return UeiRequest{};
        }
        return Malformed{};
    }
    switch (data[1]) {
        case kInit:
            return length == 2 ? Request{InitRequest{}} : Malformed{};
        case kData:
            return length > 2 ? Request{DataRequest{data.data() + 2, length - 2}} : Malformed{};
        case kLoad:
            return length == 2 ? Request{LoadRequest{}} : Malformed{};
        case kPrepare:
            return length == 7 ? Request{PrepareRequest{data[2], readBigEndian(&data[3], 4)}}
                               : Malformed{};
        case kSum:
            return length == 2 ? Request{SumRequest{}} : Malformed{};
        case kWrite:
            return length == 4
                       ? Request{WriteRequest{static_cast<uint16_t>(readBigEndian(&data[2], 2))}}
                       : Malformed{};
        case kReboot:
            return length == 2 ? Request{RebootRequest{}} : Malformed{};
        default:
            return Malformed{};
    }
}

std::string s_hex32(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// The log entry of a request; its first word names the request's kind.
std::string s_describe(const Request& request, const Bytes& data) {
    return std::visit(
        Overloaded{
            [&](const Malformed&) { return "malformed " + toHex(data); },
            [](const InitRequest&) { return std::string("init"); },
            [](const DataRequest& request) { return "data " + std::to_string(request.count); },
            [](const LoadRequest&) { return std::string("load"); },
            [](const PrepareRequest& request) {
                return "prepare flags=" + s_hex32(request.flags, 2) +
                       " address=" + s_hex32(request.address, 8);
            },
            [](const SumRequest&) { return std::string("sum"); },
            [](const WriteRequest& request) { return "write " + std::to_string(request.count); },
            [](const RebootRequest&) { return std::string("reboot"); },
            [](const UeiRequest&) { return std::string("uei"); },
        },
        request);
}

const PropertyKey kDataOptionKey{kCmdUpgrade, kDataOption, 0, std::nullopt};

}  // namespace

UpgradeProtocol::UpgradeProtocol(Device& device, PowerCycle& power)
    : device_(device), power_(power) {
    const DeviceConfig& config = device.config();
    settings_.mode = config.loader ? UpgradeMode::Loader : UpgradeMode::Application;
    settings_.blockSize = config.blockSize;
    settings_.buildAfterReboot = config.build;
    settings_.serialAfterReboot = config.serial;
    setUeiData(true);
}

bool UpgradeProtocol::ueiData() const {
    return device_.properties().find(kDataOptionKey) != nullptr;
}

void UpgradeProtocol::setUeiData(bool supported) {
    if (!supported) {
        device_.properties().remove(kDataOptionKey);
        return;
    }
    Property option;
    option.width = ValueWidth::Bytes;
    option.readable = false;
    option.writable = true;
    device_.properties().define(kDataOptionKey, std::move(option));
}

bool UpgradeProtocol::pooledPackets() const {
    return (systemNumber(device_, kSystemProtocolFeatures) & kFeaturePooledPackets) != 0;
}

void UpgradeProtocol::setPooledPackets(bool supported) {
    const uint32_t features = systemNumber(device_, kSystemProtocolFeatures);
    setSystemNumber(
        device_, kSystemProtocolFeatures,
        supported ? features | kFeaturePooledPackets : features & ~kFeaturePooledPackets);
}

void UpgradeProtocol::clearCountsAndLog() {
    counts_ = UpgradeCounts{};
    log_.clear();
}

void UpgradeProtocol::eraseMemories() {
    flash_.erase();
    ram_.erase();
}

void UpgradeProtocol::note(std::string entry) {
    log_.push_back(std::move(entry));
    if (log_.size() > kLogLength) {
        log_.pop_front();
    }
}

void UpgradeProtocol::observe(Device&, const Packet& request) {
    const Request parsed = s_parse(request.data);
    // Byte-array writes are noted whole, once a run is complete.
    if (std::holds_alternative<UeiRequest>(parsed)) {
        return;
    }
    std::string entry = s_describe(parsed, request.data);
    ++counts_.requests[entry.substr(0, entry.find(' '))];
    note(std::move(entry));
}

void UpgradeProtocol::handle(Device& device, const Packet& request, HostConnection& host) {
    std::visit(Overloaded{
                   [&](const Malformed&) { ++device.counters().malformed; },
                   [&](const InitRequest&) { init(host); },
                   [&](const DataRequest& data) { this->data(data.bytes, data.count, host); },
                   [&](const LoadRequest&) { load(host); },
                   [&](const PrepareRequest& prepare) {
                       this->prepare(prepare.flags, prepare.address, host);
                   },
                   [&](const SumRequest&) { sum(host); },
                   [&](const WriteRequest& write) { this->write(write.count, host); },
                   [&](const RebootRequest&) { reboot(); },
                   [&](const UeiRequest&) { ueiRequest(request.data, host); },
               },
               s_parse(request.data));
}

Bytes UpgradeProtocol::errorReply(const Bytes& request, uint8_t code) const {
    if (request.size() >= kUeiHeaderLength && (request[1] & (kUeiGet | kUeiSet)) != 0) {
        return ueiErrorReply(request, code);
    }
    switch (request.size() > 1 ? request[1] : kInit) {
        case kData:
            return {kCmdUpgrade, kData, 0};
        case kPrepare:
            return {kCmdUpgrade, kStatus, code, 0, 0};
        case kSum:
            return {kCmdUpgrade, kStatus, code, 0, 0, 0, 0};
        case kWrite:
            return {kCmdUpgrade, kStatus, code};
        default:
            return genericErrorReply(request, code);
    }
}

void UpgradeProtocol::status(HostConnection& host, uint8_t code, const Bytes& fields) {
    Bytes reply{kCmdUpgrade, kStatus, code};
    reply.insert(reply.end(), fields.begin(), fields.end());
    device_.answer(host, std::move(reply));
}

size_t UpgradeProtocol::room() const {
    if (!prepared_) {
        return 0;
    }
    if (settings_.mode == UpgradeMode::Application) {
        return ram_.room();
    }
    return prepared_->blockSize - chunk_.size();
}

size_t UpgradeProtocol::take(const uint8_t* bytes, size_t count) {
    count = std::min(count, room());
    if (count == 0) {
        return 0;
    }
    if (settings_.mode == UpgradeMode::Application) {
        ram_.append(prepared_->address, bytes, count);
    } else {
        chunk_.insert(chunk_.end(), bytes, bytes + count);
    }
    for (size_t i = 0; i < count; ++i) {
        sum_ += bytes[i];
    }
    counts_.bytesTaken += count;
    return count;
}

bool UpgradeProtocol::diesOf(size_t count) {
    std::optional<uint64_t>& left = settings_.bytesBeforeDeath;
    if (!left) {
        return false;
    }
    if (count < *left) {
        *left -= count;
        return false;
    }
    left.reset();
    ++device_.counters().faultsFired;
    note("died");
    power_.vanish();
    return true;
}

void UpgradeProtocol::init(HostConnection& host) {
    forgetSession();
    Bytes reply{kCmdUpgrade, kInit};
    appendBigEndian(reply, settings_.loadBase, 4);
    device_.answer(host, std::move(reply));
}

void UpgradeProtocol::data(const uint8_t* bytes, size_t count, HostConnection& host) {
    if (diesOf(count)) {
        return;
    }
    if (device_.handlerFault() == FaultAction::AcceptShort) {
        --count;
    }
    const size_t taken = take(bytes, count);
    device_.answer(host, {kCmdUpgrade, kData, static_cast<uint8_t>(taken)});
}

void UpgradeProtocol::load(HostConnection& host) {
    const uint32_t serial = systemNumber(device_, kSystemSerial);
    switch (settings_.load) {
        case LoadAction::Answer:
            forgetSession();
            settings_.mode = UpgradeMode::Loader;
            device_.answer(host, {kCmdUpgrade, kLoad});
            return;
        case LoadAction::Restart:
            restartInto(UpgradeMode::Loader, serial);
            return;
        case LoadAction::Announce:
            restartInto(UpgradeMode::Loader, serial, [this] {
                device_.announceAfterQueries({kCmdUpgrade, kLoad}, kAnnounceQuiet);
            });
            return;
        case LoadAction::Placeholder:
            restartInto(UpgradeMode::Loader, kPlaceholderSerial);
            return;
        case LoadAction::Vanish:
            power_.vanish();
            return;
    }
}

void UpgradeProtocol::prepare(uint8_t flags, uint32_t address, HostConnection& host) {
    prepared_ = Prepared{flags, address, settings_.blockSize};
    chunk_.clear();
    sum_ = 0;
    (settings_.mode == UpgradeMode::Application ? ram_ : flash_).start(address, flags);
    Bytes blockSize;
    appendBigEndian(blockSize, settings_.blockSize, 2);
    status(host, kErrNone, blockSize);
}

void UpgradeProtocol::sum(HostConnection& host) {
    Bytes reported;
    if (!prepared_) {
        appendBigEndian(reported, 0, 4);
        status(host, kErrNotReady, reported);
        return;
    }
    const bool wrong = device_.handlerFault() == FaultAction::WrongSum;
    appendBigEndian(reported, sum_ + (wrong ? 1 : 0), 4);
    status(host, kErrNone, reported);
}

void UpgradeProtocol::write(uint16_t count, HostConnection& host) {
    if (!prepared_) {
        status(host, kErrNotReady);
    } else if (settings_.mode == UpgradeMode::Application) {
        status(host, kErrMode);
    } else if (count == 0 || count > chunk_.size()) {
        status(host, kErrSize);
    } else if (!flash_.append(prepared_->address, chunk_.data(), count)) {
        status(host, kErrOverrun);
    } else {
        chunk_.clear();
        sum_ = 0;
        status(host, kErrNone);
    }
}

void UpgradeProtocol::reboot() {
    if (settings_.reboot == RebootAction::Ignore) {
        return;
    }
    restartInto(
        UpgradeMode::Application, settings_.serialAfterReboot,
        [this] {
            setSystemNumber(device_, kSystemBuild, settings_.buildAfterReboot);
            if (settings_.versionAfterReboot) {
                setSystemNumber(device_, kSystemVersion, *settings_.versionAfterReboot);
            }
        },
        settings_.verifyTime);
}

void UpgradeProtocol::ueiRequest(const Bytes& request, HostConnection& host) {
    const uint8_t direction = request[1] & (kUeiGet | kUeiSet);
    const PropertyKey key{kCmdUpgrade, static_cast<uint8_t>(request[1] & kUeiOptionMask),
                          static_cast<uint8_t>(request[2] & kUeiIndexMask), std::nullopt};
    if (direction == kUeiSet && key == kDataOptionKey && request.size() > kUeiHeaderLength) {
        dataRun(request, host);
        return;
    }
    uint8_t code = device_.properties().missingReason(key);
    if (direction == (kUeiGet | kUeiSet)) {
        code = kErrParam;
    } else if (code == kErrNone) {
        // A get of the write-only data option, or a set of it without a trailer.
        code = direction == kUeiGet ? kErrPermission : kErrPacket;
    }
    refuseUei(request, code, host);
}

void UpgradeProtocol::dataRun(const Bytes& request, HostConnection& host) {
    size_t count = request.size() - kUeiHeaderLength - 1;
    if (diesOf(count)) {
        return;
    }
    if (device_.handlerFault() == FaultAction::AcceptShort && count > 0) {
        --count;
    }
    switch (run_.feed(request.data() + kUeiHeaderLength, count, request.back())) {
        case IncomingRun::Step::More:
        case IncomingRun::Step::Ignored:
            return;
        case IncomingRun::Step::Refused:
            ++device_.counters().runsRefused;
            refuseUei(request, run_.refusal(), host);
            return;
        case IncomingRun::Step::Done:
            break;
    }
    const Bytes value = run_.take();
    uint8_t code = device_.properties().missingReason(kDataOptionKey);
    if (code == kErrNone && !prepared_) {
        code = kErrNotReady;
    } else if (code == kErrNone && value.size() > room()) {
        code = kErrSize;
    }
    if (code != kErrNone) {
        refuseUei(request, code, host);
        return;
    }
    take(value.data(), value.size());
    ++counts_.requests["uei"];
    ++device_.counters().runsIn;
    note("uei " + std::to_string(value.size()));
    device_.answer(host, {kCmdUpgrade, kDataOption | kUeiAcknowledge, 0});
}

void UpgradeProtocol::refuseUei(const Bytes& request, uint8_t code, HostConnection& host) {
    ++device_.counters().ueiErrors;
    note("uei refused " + std::to_string(code));
    device_.answer(host, ueiErrorReply(request, code));
}

void UpgradeProtocol::restartInto(UpgradeMode mode, uint32_t serial, std::function<void()> andThen,
                                  std::chrono::milliseconds delay) {
    power_.restart(
        serial,
        [this, mode, andThen = std::move(andThen)] {
            forgetSession();
            settings_.mode = mode;
            if (andThen) {
                andThen();
            }
        },
        delay);
}

void UpgradeProtocol::restartAsStarted() {
    const DeviceConfig& config = device_.config();
    restartInto(config.loader ? UpgradeMode::Loader : UpgradeMode::Application, config.serial);
}

void UpgradeProtocol::forgetSession() {
    prepared_.reset();
    chunk_.clear();
    sum_ = 0;
    run_ = IncomingRun(kRamBytes);
}

}  // namespace sim
