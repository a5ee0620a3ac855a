#include "fault_rules.h"

#include <algorithm>
#include <sstream>

#include "protocol_codes.h"

namespace sim {

namespace {

bool s_fieldMatches(const std::optional<uint8_t>& wanted, const Bytes& request, size_t at,
                    uint8_t mask) {
    if (!wanted) {
        return true;
    }
    return at < request.size() && (request[at] & mask) == *wanted;
}

std::string s_actionText(const FaultRule& rule) {
    switch (rule.action) {
        case FaultAction::Drop:
            return "drop";
        case FaultAction::Delay:
            return "delay:" + std::to_string(rule.delayMs);
        case FaultAction::Error:
            return "error:" + std::to_string(rule.errorCode);
        case FaultAction::AcceptShort:
            return "short";
        case FaultAction::WrongSum:
            return "badsum";
        case FaultAction::Reply:
            break;
    }
    return "reply:" + toHex(rule.reply);
}

}  // namespace

bool FaultMatch::matches(const Bytes& request) const {
    if (request.empty() || request[0] != command) {
        return false;
    }
    const bool uei = isUeiCommand(command);
    if (direction) {
        const uint8_t flag = *direction == RequestDirection::Get ? kUeiGet : kUeiSet;
        if (!uei || request.size() < 2 || (request[1] & (kUeiGet | kUeiSet)) != flag) {
            return false;
        }
    }
    return s_fieldMatches(option, request, 1, uei ? kUeiOptionMask : 0xFF) &&
           s_fieldMatches(index, request, 2, uei ? kUeiIndexMask : 0xFF) &&
           s_fieldMatches(sub, request, 3, 0xFF);
}

std::string FaultRule::describe() const {
    std::ostringstream text;
    text << "rule " << id << " cmd=" << int(match.command);
    if (match.option) {
        text << " opt=" << int(*match.option);
    }
    if (match.index) {
        text << " idx=" << int(*match.index);
    }
    if (match.sub) {
        text << " sub=" << int(*match.sub);
    }
    if (match.direction) {
        text << " dir=" << (*match.direction == RequestDirection::Get ? "get" : "set");
    }
    text << " action=" << s_actionText(*this) << " fired=" << fired
         << " left=" << (remaining ? std::to_string(*remaining) : std::string("forever"));
    return text.str();
}

unsigned FaultRules::add(FaultRule rule) {
    rule.id = ++lastId_;
    rules_.push_back(std::move(rule));
    return lastId_;
}

const FaultRule* FaultRules::take(const Bytes& request) {
    for (FaultRule& rule : rules_) {
        if ((rule.remaining && *rule.remaining == 0) || !rule.match.matches(request)) {
            continue;
        }
        if (rule.remaining) {
            --*rule.remaining;
        }
        ++rule.fired;
        return &rule;
    }
    return nullptr;
}

bool FaultRules::remove(unsigned id) {
    return std::erase_if(rules_, [id](const FaultRule& rule) { return rule.id == id; }) > 0;
}

}  // namespace sim
