// Faults a test injects into a device's answers: for requests that match a pattern, drop them,
// answer late, answer with an error or with given bytes, for a number of matches or for ever.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "packet.h"

namespace sim {

enum class RequestDirection { Get, Set };

// Which requests a rule catches. The fields after the command compare data bytes 1, 2 and 3;
// for UEI commands bytes 1 and 2 compare as the option code and the entity index, without
// their flag bits, and the direction (get or set) can be asked for too.
struct FaultMatch {
    uint8_t command = 0;
    std::optional<uint8_t> option;
    std::optional<uint8_t> index;
    std::optional<uint8_t> sub;
    std::optional<RequestDirection> direction;

    bool matches(const Bytes& request) const;
};

enum class FaultAction {
    Drop,   // the request is lost: not handled, not answered
    Delay,  // handled, and its answers held back by `delayMs`
    Error,  // not handled; answered with the command's error reply carrying `errorCode`
    Reply,  // not handled; answered with `reply` as the data bytes
    // Carried out by the upgrade command's handler (command 95 only):
    AcceptShort,  // data packets and byte-array packets: one byte fewer taken than sent
    WrongSum,     // the sum request: one more than the true sum reported
};

struct FaultRule {
    unsigned id = 0;
    FaultMatch match;
    FaultAction action = FaultAction::Drop;
    uint32_t delayMs = 0;
    uint8_t errorCode = 0;
    Bytes reply;
    std::optional<uint64_t> remaining;  // empty: for ever
    uint64_t fired = 0;

    // "rule <id> cmd=... action=... fired=<n> left=<n|forever>"
    std::string describe() const;
};

class FaultRules {
public:
    // Returns the rule's id.
    unsigned add(FaultRule rule);
    // The first rule with matches left that catches `request`, counted as fired; null if none.
    const FaultRule* take(const Bytes& request);
    bool remove(unsigned id);
    void clear() { rules_.clear(); }
    const std::vector<FaultRule>& rules() const { return rules_; }

private:
    unsigned lastId_ = 0;
    std::vector<FaultRule> rules_;
};

}  // namespace sim
