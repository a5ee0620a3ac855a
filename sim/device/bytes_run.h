// Byte-array values longer than one packet travel as a run: each packet carries the three UEI
// header bytes, up to 24 payload bytes and a trailer whose bit 7 says more packets follow and
// whose low 7 bits count the packets, 0, 1, 2, ... modulo 128.
#pragma once

#include <cstdint>
#include <vector>

#include "packet.h"

namespace sim {

constexpr size_t kRunPayload = 24;
constexpr uint8_t kRunMoreFollows = 0x80;
constexpr uint8_t kRunSequenceMask = 0x7F;

// The packets' data of a run carrying `value` after `header`; an empty value is one packet with
// a zero trailer.
std::vector<Bytes> runPackets(const Bytes& header, const Bytes& value);

// Collects one incoming run. A packet with sequence 0 starts a new run unless it is the one the
// run expects next (the count wraps after 127); a run whose sequence breaks is refused once and
// what follows is ignored until the next sequence 0.
class IncomingRun {
public:
    enum class Step { More, Done, Refused, Ignored };

    explicit IncomingRun(size_t limit) : limit_(limit) {}

    Step feed(const uint8_t* payload, size_t count, uint8_t trailer);
    // The completed value, after Done.
    Bytes take() { return std::move(bytes_); }
    // Why the last Refused step refused.
    uint8_t refusal() const { return refusal_; }

private:
    enum class State { Idle, Collecting, Refused };

    Step refuse(uint8_t code);

    size_t limit_;
    State state_ = State::Idle;
    uint8_t next_ = 0;
    uint8_t refusal_ = 0;
    Bytes bytes_;
};

}  // namespace sim
