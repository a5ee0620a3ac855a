#include "rom_control.h"

#include <cstdio>
#include <sstream>

namespace sim {
namespace {

bool s_hexNumber(const std::string& text, unsigned long maximum, unsigned long& value) {
    try {
        size_t used = 0;
        value = std::stoul(text, &used, 16);
        return used == text.size() && text[0] != '-' && value <= maximum;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

RomControl::RomControl(EventLoop& loop, SdpRom& rom, HidRomPort* hid, HandOver& handOver)
    : loop_(loop),
      rom_(rom),
      hid_(hid),
      handOver_(handOver),
      socket_(loop, [this](const std::string& line) { return execute(line); }) {}

std::vector<std::string> RomControl::execute(const std::string& line) {
    std::istringstream words(line);
    std::string verb, first, second;
    words >> verb >> first >> second;
    RomBehaviour& behaviour = rom_.behaviour();

    if (verb == "history") {
        std::vector<std::string> answer;
        for (const std::string& event : rom_.history()) {
            answer.push_back("event " + event);
        }
        answer.push_back("ok");
        return answer;
    }
    if (verb == "regions") {
        std::vector<std::string> answer;
        for (const auto& [address, length] : rom_.regions()) {
            char text[48];
            std::snprintf(text, sizeof text, "region %08X %zu", address, length);
            answer.emplace_back(text);
        }
        answer.push_back("ok");
        return answer;
    }
    if (verb == "memory") {
        unsigned long address = 0, count = 0;
        if (!s_hexNumber(first, 0xFFFFFFFFul, address) || !s_hexNumber(second, 0x100000, count)) {
            return {"error usage: memory <address> <count>, hexadecimal, count up to 100000"};
        }
        return {"memory " + toHex(rom_.memory(static_cast<uint32_t>(address), count)), "ok"};
    }
    if (verb == "silent" || verb == "reject" || verb == "short") {
        if (first != "on" && first != "off") {
            return {"error " + verb + " takes on or off"};
        }
        bool& flag = verb == "silent"   ? behaviour.silent
                     : verb == "reject" ? behaviour.rejectWrites
                                        : behaviour.shortAnswers;
        flag = first == "on";
        return {"ok"};
    }
    if (verb == "status") {
        unsigned long word = 0;
        if (!s_hexNumber(first, 0xFFFFFFFFul, word)) {
            return {"error usage: status <hexadecimal word>"};
        }
        behaviour.writeStatus = static_cast<uint32_t>(word);
        return {"ok"};
    }
    if (verb == "reset") {
        handOver_.stop();
        rom_.reset();
        if (hid_ != nullptr && !hid_->rejoinBus()) {
            return {"error the HID device cannot rejoin the bus"};
        }
        return {"ok"};
    }
    if (verb == "stop") {
        loop_.stop();
        return {"ok"};
    }
    return {"error unknown command " + verb};
}

}  // namespace sim
