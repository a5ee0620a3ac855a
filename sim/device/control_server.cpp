#include "control_server.h"

#include <algorithm>
#include <iterator>
#include <sstream>

namespace sim {

ControlServer::ControlServer(EventLoop& loop, Simulator& simulator)
    : loop_(loop),
      simulator_(simulator),
      socket_(loop, [this](const std::string& line) { return execute(line); }) {}

namespace {

std::string s_stats(const DeviceStats& stats) {
    std::ostringstream text;
    text << "stats packets=" << stats.packets << " queries=" << stats.queries
         << " route_on=" << stats.routeOn << " route_off=" << stats.routeOff
         << " foreign=" << stats.foreign << " unhandled=" << stats.unhandled
         << " heartbeats_sent=" << stats.heartbeatsSent
         << " heartbeat_answers=" << stats.heartbeatAnswers
         << " last_heartbeat_answer=" << stats.lastHeartbeatAnswer
         << " unanswered=" << stats.unanswered;
    return text.str();
}

}  // namespace

std::vector<std::string> ControlServer::execute(const std::string& line) {
    std::istringstream words(line);
    std::string verb, serialText;
    words >> verb >> serialText;
    std::string argument;
    std::getline(words >> std::ws, argument);

    if (verb == "stop") {
        loop_.stop();
        return {"ok"};
    }
    static const char* const kDeviceVerbs[] = {"stats", "history", "heartbeat", "packet",
                                               "raw",   "mute",    "hangup"};
    if (std::find(std::begin(kDeviceVerbs), std::end(kDeviceVerbs), verb) ==
        std::end(kDeviceVerbs)) {
        return {"error unknown command " + verb};
    }
    uint32_t serial = 0;
    try {
        size_t used = 0;
        serial = static_cast<uint32_t>(std::stoul(serialText, &used, 16));
        if (used != serialText.size()) {
            return {"error bad serial number"};
        }
    } catch (const std::exception&) {
        return {"error usage: <command> <serial> [argument]"};
    }
    Device* device = simulator_.find(serial);
    if (device == nullptr) {
        return {"error no device " + serialText};
    }

    Bytes bytes;
    if (verb == "stats") {
        return {s_stats(device->stats()), "ok"};
    }
    if (verb == "history") {
        std::vector<std::string> answer;
        for (const Packet& packet : device->history()) {
            answer.push_back("rx " + toHex(packet.wire()));
        }
        answer.push_back("ok");
        return answer;
    }
    if (verb == "heartbeat") {
        if (argument != "0" && argument != "1") {
            return {"error heartbeat value is 0 or 1"};
        }
        device->sendHeartbeat(static_cast<uint8_t>(argument[0] - '0'), false);
        return {"ok"};
    }
    if (verb == "packet") {
        if (!fromHex(argument, bytes) || bytes.size() > kMaxPacketData) {
            return {"error packet data is up to 28 hexadecimal bytes"};
        }
        device->sendToHosts(device->reply(bytes));
        return {"ok"};
    }
    if (verb == "raw") {
        if (!fromHex(argument, bytes)) {
            return {"error raw bytes are hexadecimal"};
        }
        device->sendRawToHosts(bytes);
        return {"ok"};
    }
    if (verb == "mute") {
        if (argument != "on" && argument != "off") {
            return {"error mute takes on or off"};
        }
        device->setMuted(argument == "on");
        return {"ok"};
    }
    // The last verb left: "hangup".
    device->hangUpHosts();
    return {"ok"};
}

}  // namespace sim
