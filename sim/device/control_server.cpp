#include "control_server.h"

#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>

#include "firmware_version.h"
#include "option_values.h"
#include "protocol_codes.h"
#include "system_entity.h"
#include "upgrade_protocol.h"

namespace sim {

ControlServer::ControlServer(EventLoop& loop, Simulator& simulator)
    : loop_(loop),
      simulator_(simulator),
      socket_(loop, [this](const std::string& line) { return execute(line); }) {}

namespace {

using Answer = std::vector<std::string>;

// A request that cannot be carried out; its text follows "error " in the answer.
struct RequestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One request to one device: positional words after the serial number, name=value words,
// and the raw text after the serial number for requests that take a whole line.
struct Request {
    SimulatedDevice& target;
    std::vector<std::string> words;
    std::map<std::string, std::string> named;
    std::string rest;

    Device& device() { return *target.device; }
    StandardCommands& commands() { return *target.commands; }
    UpgradeProtocol& upgrade() { return *target.upgrade; }
    PowerCycle& power() { return *target.power; }
};

uint32_t s_number(const std::string& text, uint32_t maximum, const char* what) {
    if (const std::optional<uint32_t> value = parseUnsigned(text, kDecimalOrHex, maximum)) {
        return *value;
    }
    throw RequestError(std::string("bad ") + what + " " + text);
}

uint8_t s_byte(const std::string& text, const char* what) {
    return static_cast<uint8_t>(s_number(text, 0xFF, what));
}

Bytes s_hex(const std::string& text) {
    Bytes bytes;
    if (!fromHex(text, bytes)) {
        throw RequestError("bad hexadecimal bytes " + text);
    }
    return bytes;
}

bool s_onOff(const Request& request, size_t position) {
    if (request.words.size() <= position ||
        (request.words[position] != "on" && request.words[position] != "off")) {
        throw RequestError("expected on or off");
    }
    return request.words[position] == "on";
}

void s_needWords(const Request& request, size_t count, const char* usage) {
    if (request.words.size() < count) {
        throw RequestError(std::string("usage: ") + usage);
    }
}

std::string s_lengthAndDigest(const Bytes& bytes) {
    char digest[9];
    std::snprintf(digest, sizeof digest, "%08X", digestOf(bytes));
    return "length=" + std::to_string(bytes.size()) + " digest=" + digest;
}

std::string s_bytesLine(const char* label, const Bytes& bytes) {
    return std::string(label) + s_lengthAndDigest(bytes) + " hex=" + toHex(bytes);
}

// CMD OPT IDX [SUB] from the positional words starting at `first`.
PropertyKey s_propertyKey(const Request& request, size_t first) {
    PropertyKey key{s_byte(request.words[first], "command"),
                    s_byte(request.words[first + 1], "option"),
                    s_byte(request.words[first + 2], "index"), std::nullopt};
    if (request.words.size() > first + 3) {
        key.subindex = s_byte(request.words[first + 3], "subindex");
    }
    return key;
}

std::string s_stats(const DeviceStats& stats) {
    std::ostringstream text;
    text << "stats packets=" << stats.packets << " queries=" << stats.queries
         << " route_on=" << stats.routeOn << " route_off=" << stats.routeOff
         << " foreign=" << stats.foreign << " forwarded=" << stats.forwarded
         << " unhandled=" << stats.unhandled << " malformed=" << stats.malformed
         << " heartbeats_sent=" << stats.heartbeatsSent
         << " heartbeat_answers=" << stats.heartbeatAnswers
         << " last_heartbeat_answer=" << stats.lastHeartbeatAnswer
         << " unanswered=" << stats.unanswered << " faults_fired=" << stats.faultsFired
         << " uei_gets=" << stats.ueiGets << " uei_sets=" << stats.ueiSets
         << " uei_calls=" << stats.ueiCalls << " uei_errors=" << stats.ueiErrors
         << " runs_in=" << stats.runsIn << " runs_out=" << stats.runsOut
         << " runs_refused=" << stats.runsRefused << " stream_samples=" << stats.streamSamples
         << " stream_garbage=" << stats.streamGarbage << " store_saves=" << stats.storeSaves
         << " store_loads=" << stats.storeLoads << " store_resets=" << stats.storeResets
         << " route_to_me_sets=" << stats.routeToMeSets;
    for (const auto& [command, count] : stats.requestsByCommand) {
        text << " requests_" << int(command) << "=" << count;
    }
    for (const auto& [address, count] : stats.i2cProbes) {
        text << " i2c_probes_" << int(address) << "=" << count;
    }
    for (const auto& [address, speed] : stats.i2cSpeed) {
        text << " i2c_speed_" << int(address) << "=" << int(speed);
    }
    return text.str();
}

Answer s_statsVerb(Request& request) {
    return {s_stats(request.device().stats()), "ok"};
}

Answer s_clear(Request& request) {
    request.device().clearStatsAndHistory();
    request.upgrade().clearCountsAndLog();
    return {"ok"};
}

Answer s_history(Request& request) {
    Answer answer;
    for (const Packet& packet : request.device().history()) {
        answer.push_back("rx " + toHex(packet.wire()));
    }
    answer.push_back("ok");
    return answer;
}

Answer s_heartbeat(Request& request) {
    if (request.rest != "0" && request.rest != "1") {
        throw RequestError("heartbeat value is 0 or 1");
    }
    request.device().sendHeartbeat(static_cast<uint8_t>(request.rest[0] - '0'), false);
    return {"ok"};
}

Answer s_packet(Request& request) {
    Bytes bytes = s_hex(request.rest);
    if (bytes.size() > kMaxPacketData) {
        throw RequestError("packet data is up to 28 bytes");
    }
    request.device().sendToHosts(request.device().reply(std::move(bytes)));
    return {"ok"};
}

Answer s_raw(Request& request) {
    request.device().sendRawToHosts(s_hex(request.rest));
    return {"ok"};
}

Answer s_mute(Request& request) {
    request.device().setMuted(s_onOff(request, 0));
    return {"ok"};
}

Answer s_hangup(Request& request) {
    request.device().hangUpHosts();
    return {"ok"};
}

Answer s_replyDelay(Request& request) {
    s_needWords(request, 1, "reply-delay SERIAL MS");
    request.device().setReplyDelay(
        std::chrono::milliseconds(s_number(request.words[0], 60000, "delay")));
    return {"ok"};
}

Answer s_usbBusy(Request& request) {
    if (!request.target.usb) {
        throw RequestError("device is not on USB");
    }
    request.target.usb->setBusy(s_onOff(request, 0));
    return {"ok"};
}

Answer s_get(Request& request) {
    s_needWords(request, 3, "get SERIAL CMD OPT IDX [SUB]");
    const Property* property = request.device().properties().find(s_propertyKey(request, 0));
    if (property == nullptr) {
        throw RequestError("no such property");
    }
    if (property->width == ValueWidth::Bytes) {
        return {s_bytesLine("bytes ", property->bytes), "ok"};
    }
    if (property->width == ValueWidth::Void) {
        return {"void", "ok"};
    }
    return {"value " + std::to_string(property->current()), "ok"};
}

ValueWidth s_width(const std::string& text) {
    static const std::map<std::string, ValueWidth> kWidths = {{"void", ValueWidth::Void},
                                                              {"u8", ValueWidth::Byte},
                                                              {"u16", ValueWidth::Short},
                                                              {"u32", ValueWidth::Int},
                                                              {"bytes", ValueWidth::Bytes}};
    auto found = kWidths.find(text);
    if (found == kWidths.end()) {
        throw RequestError("bad type " + text);
    }
    return found->second;
}

Answer s_prop(Request& request) {
    s_needWords(request, 3, "prop SERIAL CMD OPT IDX [SUB] [type=T] [value=V] [access=A]");
    const PropertyKey key = s_propertyKey(request, 0);
    PropertyTable& table = request.device().properties();
    Property* property = table.find(key);
    const auto& named = request.named;
    if (property == nullptr) {
        if (!named.contains("type")) {
            throw RequestError("a new property needs type=");
        }
        table.define(key, Property{});
        property = table.find(key);
    }
    if (named.contains("type")) {
        property->width = s_width(named.at("type"));
    }
    if (named.contains("value")) {
        const std::string& value = named.at("value");
        if (property->width == ValueWidth::Bytes) {
            property->bytes = s_hex(value);
        } else {
            const size_t bytes = widthBytes(property->width);
            const unsigned long maximum = bytes == 4 ? 0xFFFFFFFFul : (1ul << (8 * bytes)) - 1;
            property->number = static_cast<uint32_t>(s_number(value, maximum, "value"));
        }
    }
    if (named.contains("access")) {
        const std::string& access = named.at("access");
        if (access != "ro" && access != "rw" && access != "wo") {
            throw RequestError("bad access " + access);
        }
        property->readable = access != "wo";
        property->writable = access != "ro";
    }
    return {"ok"};
}

Answer s_name(Request& request) {
    Property* name = request.device().properties().find({kCmdSystem, kSystemName, 0, {}});
    name->bytes.assign(request.rest.begin(), request.rest.end());
    return {"ok"};
}

FaultRule s_faultRule(const Request& request) {
    FaultRule rule;
    const auto& named = request.named;
    if (!named.contains("cmd") || !named.contains("action")) {
        throw RequestError("a fault needs cmd= and action=");
    }
    for (const auto& [name, value] : named) {
        if (name == "cmd") {
            rule.match.command = s_byte(value, "command");
        } else if (name == "opt" || name == "idx" || name == "sub") {
            (name == "opt"   ? rule.match.option
             : name == "idx" ? rule.match.index
                             : rule.match.sub) = s_byte(value, name.c_str());
        } else if (name == "dir") {
            if (value != "get" && value != "set") {
                throw RequestError("dir is get or set");
            }
            rule.match.direction = value == "get" ? RequestDirection::Get : RequestDirection::Set;
        } else if (name == "times") {
            rule.remaining = s_number(value, 1000000000, "count");
            if (*rule.remaining == 0) {
                throw RequestError("times must be at least 1");
            }
        } else if (name != "action") {
            throw RequestError("unknown fault field " + name);
        }
    }
    const std::string& action = named.at("action");
    const std::string argument = action.substr(action.find(':') + 1);
    if (action == "drop") {
        rule.action = FaultAction::Drop;
    } else if (action.rfind("delay:", 0) == 0) {
        rule.action = FaultAction::Delay;
        rule.delayMs = static_cast<uint32_t>(s_number(argument, 60000, "delay"));
    } else if (action.rfind("error:", 0) == 0) {
        rule.action = FaultAction::Error;
        rule.errorCode = s_byte(argument, "error code");
    } else if (action == "short" || action == "badsum") {
        if (rule.match.command != kCmdUpgrade) {
            throw RequestError(action + " is for the upgrade command (cmd=95) only");
        }
        rule.action = action == "short" ? FaultAction::AcceptShort : FaultAction::WrongSum;
    } else if (action.rfind("reply:", 0) == 0) {
        rule.action = FaultAction::Reply;
        rule.reply = s_hex(argument);
        if (rule.reply.size() > kMaxPacketData) {
            throw RequestError("a reply is up to 28 bytes");
        }
    } else {
        throw RequestError("bad action " + action);
    }
    return rule;
}

Answer s_fault(Request& request) {
    const unsigned id = request.device().faults().add(s_faultRule(request));
    return {"rule " + std::to_string(id), "ok"};
}

Answer s_faults(Request& request) {
    Answer answer;
    for (const FaultRule& rule : request.device().faults().rules()) {
        answer.push_back(rule.describe());
    }
    answer.push_back("ok");
    return answer;
}

Answer s_clearFaults(Request& request) {
    FaultRules& faults = request.device().faults();
    if (request.words.empty()) {
        faults.clear();
    } else if (!faults.remove(static_cast<unsigned>(s_number(request.words[0], ~0u, "rule")))) {
        throw RequestError("no rule " + request.words[0]);
    }
    return {"ok"};
}

Answer s_streams(Request& request) {
    Answer answer;
    for (const LinkStreams::Key& key : request.commands().streams().keys()) {
        answer.push_back(
            "key module=" + std::to_string(key.module) + " cmd=" + std::to_string(key.command) +
            " opt=" + std::to_string(key.option) + " idx=" + std::to_string(key.index));
    }
    answer.push_back("ok");
    return answer;
}

Answer s_streamPeriod(Request& request) {
    s_needWords(request, 1, "stream-period SERIAL MS");
    const unsigned long period = s_number(request.words[0], 60000, "period");
    if (period == 0) {
        throw RequestError("the period is at least 1 ms");
    }
    request.commands().streams().setPeriod(std::chrono::milliseconds(period));
    return {"ok"};
}

Answer s_streamFlood(Request& request) {
    s_needWords(request, 4, "stream-flood SERIAL COUNT CMD OPT IDX [SUB]");
    const uint64_t count = s_number(request.words[0], 1000000, "count");
    if (!request.commands().streams().flood(s_propertyKey(request, 1), count)) {
        throw RequestError("no readable number property there");
    }
    return {"ok"};
}

Answer s_streamGarbage(Request& request) {
    s_needWords(request, 1, "stream-garbage SERIAL COUNT");
    request.commands().streams().garbage(s_number(request.words[0], 1000000, "count"));
    return {"ok"};
}

Answer s_slot(Request& request) {
    s_needWords(request, 2, "slot SERIAL STORE SLOT [capacity=N] [data=HEX]");
    const uint8_t store = s_byte(request.words[0], "store");
    const uint8_t slotNumber = s_byte(request.words[1], "slot");
    StoreSlots& slots = request.commands().slots();
    if (request.named.contains("capacity")) {
        slots.defineSlot(
            store, slotNumber,
            static_cast<uint16_t>(s_number(request.named.at("capacity"), 0xFFFF, "capacity")));
    }
    StoreSlots::Slot* slot = slots.find(store, slotNumber);
    if (slot == nullptr) {
        throw RequestError("no such slot");
    }
    if (request.named.contains("data")) {
        Bytes data = s_hex(request.named.at("data"));
        if (data.size() > slot->capacity) {
            throw RequestError("data beyond the slot's capacity");
        }
        slot->bytes = std::move(data);
    }
    return {
        s_bytesLine(("slot capacity=" + std::to_string(slot->capacity) + " ").c_str(), slot->bytes),
        "ok"};
}

Answer s_factory(Request& request) {
    s_needWords(request, 1, "factory SERIAL BLOCK [data=HEX]");
    Bytes& block = request.commands().factory().block(
        static_cast<uint8_t>(s_number(request.words[0], FactoryData::kBlocks - 1, "block")));
    if (request.named.contains("data")) {
        Bytes data = s_hex(request.named.at("data"));
        if (data.size() > FactoryData::kMaxBlockBytes) {
            throw RequestError("data beyond the block's size");
        }
        block = std::move(data);
    }
    return {s_bytesLine("factory ", block), "ok"};
}

Answer s_entityInfo(Request& request) {
    s_needWords(request, 2, "entity-info SERIAL CLASS SUBCLASS [subclasses=N] [group=N]");
    ModuleQueries::EntityInfo& info = request.commands().moduleQueries().entityInfo(
        s_byte(request.words[0], "class"), s_byte(request.words[1], "subclass"));
    if (request.named.contains("subclasses")) {
        info.subclasses = s_byte(request.named.at("subclasses"), "count");
    }
    if (request.named.contains("group")) {
        info.group = s_byte(request.named.at("group"), "group");
    }
    return {"entity-info subclasses=" + std::to_string(info.subclasses) +
                " group=" + std::to_string(info.group),
            "ok"};
}

Answer s_i2cPresent(Request& request) {
    s_needWords(request, 2, "i2c-present SERIAL ADDRESS on|off");
    request.commands().i2c().setPresent(s_byte(request.words[0], "address"), s_onOff(request, 1));
    return {"ok"};
}

std::string s_serialText(uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", serial);
    return text;
}

std::string s_hexText(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// Words for the settings' enumerations, in the order of their values.
const std::vector<std::string> kModeWords = {"app", "loader"};
const std::vector<std::string> kLoadWords = {"answer", "restart", "announce", "placeholder",
                                             "vanish"};
const std::vector<std::string> kRebootWords = {"restart", "ignore"};
const std::vector<std::string> kOnOffWords = {"off", "on"};

size_t s_choice(const std::string& name, const std::string& value,
                const std::vector<std::string>& words) {
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == value) {
            return i;
        }
    }
    throw RequestError("bad " + name + " " + value);
}

std::string s_upgradeLine(UpgradeProtocol& upgrade) {
    const UpgradeSettings& settings = upgrade.settings();
    const auto& death = settings.bytesBeforeDeath;
    return "upgrade mode=" + kModeWords[static_cast<size_t>(settings.mode)] +
           " block=" + std::to_string(settings.blockSize) +
           " base=" + s_hexText(settings.loadBase, 8) +
           " load=" + kLoadWords[static_cast<size_t>(settings.load)] +
           " reboot=" + kRebootWords[static_cast<size_t>(settings.reboot)] +
           " build-after=" + std::to_string(settings.buildAfterReboot) + " version-after=" +
           (settings.versionAfterReboot ? firmwareVersionText(*settings.versionAfterReboot)
                                        : std::string("keep")) +
           " serial-after=" + s_serialText(settings.serialAfterReboot) +
           " verify-ms=" + std::to_string(settings.verifyTime.count()) +
           " uei=" + kOnOffWords[upgrade.ueiData()] +
           " pooled=" + kOnOffWords[upgrade.pooledPackets()] +
           " die-after=" + (death ? std::to_string(*death) : std::string("off"));
}

std::string s_countsLine(const UpgradeCounts& counts) {
    std::string line = "counts";
    for (const char* kind :
         {"init", "data", "load", "prepare", "sum", "write", "reboot", "uei", "malformed"}) {
        auto found = counts.requests.find(kind);
        line += std::string(" ") + kind + "=" +
                std::to_string(found == counts.requests.end() ? 0 : found->second);
    }
    return line + " taken=" + std::to_string(counts.bytesTaken);
}

Answer s_upgrade(Request& request) {
    if (!request.words.empty()) {
        throw RequestError("usage: upgrade SERIAL [NAME=VALUE ...]");
    }
    UpgradeProtocol& upgrade = request.upgrade();
    // Everything is checked before anything changes.
    UpgradeSettings settings = upgrade.settings();
    std::optional<bool> uei;
    std::optional<bool> pooled;
    for (const auto& [name, value] : request.named) {
        if (name == "mode") {
            settings.mode = static_cast<UpgradeMode>(s_choice(name, value, kModeWords));
        } else if (name == "block") {
            settings.blockSize = static_cast<uint16_t>(s_number(value, 0xFFFF, "block size"));
        } else if (name == "base") {
            settings.loadBase = static_cast<uint32_t>(s_number(value, 0xFFFFFFFFul, "base"));
        } else if (name == "load") {
            settings.load = static_cast<LoadAction>(s_choice(name, value, kLoadWords));
        } else if (name == "reboot") {
            settings.reboot = static_cast<RebootAction>(s_choice(name, value, kRebootWords));
        } else if (name == "build-after") {
            settings.buildAfterReboot =
                static_cast<uint32_t>(s_number(value, 0xFFFFFFFFul, name.c_str()));
        } else if (name == "version-after") {
            settings.versionAfterReboot.reset();
            if (value != "keep") {
                settings.versionAfterReboot = parseFirmwareVersion(value);
                if (!settings.versionAfterReboot) {
                    throw RequestError("bad version " + value);
                }
            }
        } else if (name == "serial-after") {
            settings.serialAfterReboot =
                static_cast<uint32_t>(s_number("0x" + value, 0xFFFFFFFFul, "serial number"));
        } else if (name == "verify-ms") {
            settings.verifyTime = std::chrono::milliseconds(s_number(value, 60000, name.c_str()));
        } else if (name == "uei") {
            uei = s_choice(name, value, kOnOffWords) == 1;
        } else if (name == "pooled") {
            pooled = s_choice(name, value, kOnOffWords) == 1;
        } else if (name == "die-after") {
            settings.bytesBeforeDeath.reset();
            if (value != "off") {
                settings.bytesBeforeDeath = s_number(value, 0xFFFFFFFFul, "byte count");
            }
        } else {
            throw RequestError("unknown upgrade setting " + name);
        }
    }
    upgrade.settings() = settings;
    if (uei) {
        upgrade.setUeiData(*uei);
    }
    if (pooled) {
        upgrade.setPooledPackets(*pooled);
    }
    return {s_upgradeLine(upgrade), s_countsLine(upgrade.counts()), "ok"};
}

Answer s_upgradeLog(Request& request) {
    const auto& log = request.upgrade().log();
    Answer answer(log.begin(), log.end());
    answer.push_back("ok");
    return answer;
}

Answer s_restart(Request& request) {
    PowerCycle& power = request.power();
    const bool now = request.words.size() == 1 && request.words[0] == "now";
    if (!request.words.empty() && !now) {
        throw RequestError("usage: restart SERIAL [down=MS] [close=fin|rst] [now]");
    }
    std::optional<std::chrono::milliseconds> down;
    std::optional<PowerCycle::TcpClose> close;
    for (const auto& [name, value] : request.named) {
        if (name == "down") {
            down = std::chrono::milliseconds(s_number(value, 60000, "down-time"));
        } else if (name == "close") {
            close = static_cast<PowerCycle::TcpClose>(s_choice(name, value, {"fin", "rst"}));
        } else {
            throw RequestError("unknown restart setting " + name);
        }
    }
    if (down) {
        power.setDownTime(*down);
    }
    if (close) {
        power.setTcpClose(*close);
    }
    if (now) {
        request.upgrade().restartAsStarted();
    }
    Device& device = request.device();
    return {"restart state=" + std::string(device.down() ? "down" : "up") +
                " serial=" + s_serialText(systemNumber(device, kSystemSerial)) +
                " down=" + std::to_string(power.downTime().count()) +
                " close=" + (power.tcpClose() == PowerCycle::TcpClose::Fin ? "fin" : "rst") +
                " restarts=" + std::to_string(power.restarts()),
            "ok"};
}

Answer s_image(Request& request) {
    UpgradeProtocol& upgrade = request.upgrade();
    if (request.words.size() == 1 && request.words[0] == "erase") {
        upgrade.eraseMemories();
        return {"ok"};
    }
    if (request.words.empty()) {
        Answer answer;
        for (const auto& [kind, image] :
             {std::pair{"flash", &upgrade.flash()}, std::pair{"ram", &upgrade.ram()}}) {
            for (const auto& [address, region] : image->regions()) {
                answer.push_back(std::string(kind) + " address=" + s_hexText(address, 8) +
                                 " flags=" + s_hexText(region.flags, 2) + " " +
                                 s_lengthAndDigest(region.bytes));
            }
        }
        answer.push_back("ok");
        return answer;
    }
    s_needWords(request, 2, "image SERIAL [flash|ram ADDRESS | erase]");
    const std::string& kind = request.words[0];
    if (kind != "flash" && kind != "ram") {
        throw RequestError("the memories are flash and ram");
    }
    const MemoryImage& image = kind == "flash" ? upgrade.flash() : upgrade.ram();
    const MemoryImage::Region* region =
        image.find(static_cast<uint32_t>(s_number(request.words[1], 0xFFFFFFFFul, "address")));
    if (region == nullptr) {
        throw RequestError("nothing prepared at " + request.words[1]);
    }
    return {s_bytesLine("bytes ", region->bytes), "ok"};
}

using Verb = std::function<Answer(Request&)>;

const std::map<std::string, Verb>& s_verbs() {
    static const std::map<std::string, Verb> verbs = {
        {"stats", s_statsVerb},
        {"clear", s_clear},
        {"history", s_history},
        {"heartbeat", s_heartbeat},
        {"packet", s_packet},
        {"raw", s_raw},
        {"mute", s_mute},
        {"hangup", s_hangup},
        {"reply-delay", s_replyDelay},
        {"usb-busy", s_usbBusy},
        {"get", s_get},
        {"prop", s_prop},
        {"name", s_name},
        {"fault", s_fault},
        {"faults", s_faults},
        {"clear-faults", s_clearFaults},
        {"streams", s_streams},
        {"stream-period", s_streamPeriod},
        {"stream-flood", s_streamFlood},
        {"stream-garbage", s_streamGarbage},
        {"slot", s_slot},
        {"factory", s_factory},
        {"entity-info", s_entityInfo},
        {"i2c-present", s_i2cPresent},
        {"upgrade", s_upgrade},
        {"upgrade-log", s_upgradeLog},
        {"restart", s_restart},
        {"image", s_image},
    };
    return verbs;
}

}  // namespace

std::vector<std::string> ControlServer::execute(const std::string& line) {
    std::istringstream words(line);
    std::string verb, serialText;
    words >> verb >> serialText;
    if (verb == "stop") {
        loop_.stop();
        return {"ok"};
    }
    auto found = s_verbs().find(verb);
    if (found == s_verbs().end()) {
        return {"error unknown command " + verb};
    }
    try {
        const uint32_t serial =
            static_cast<uint32_t>(s_number("0x" + serialText, 0xFFFFFFFFul, "serial number"));
        SimulatedDevice* target = simulator_.find(serial);
        if (target == nullptr) {
            return {"error no device " + serialText};
        }
        Request request{*target, {}, {}, {}};
        std::getline(words >> std::ws, request.rest);
        std::istringstream arguments(request.rest);
        std::string word;
        while (arguments >> word) {
            const size_t equals = word.find('=');
            if (equals == std::string::npos) {
                request.words.push_back(word);
            } else {
                request.named[word.substr(0, equals)] = word.substr(equals + 1);
            }
        }
        return found->second(request);
    } catch (const RequestError& error) {
        return {std::string("error ") + error.what()};
    }
}

}  // namespace sim
