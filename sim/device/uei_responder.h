// Answers the typed UEI requests of every command that has no handler of its own, from the
// device's property table:
// - a get [command, option | 0x40, index | 0x20 (, subindex)] is answered by a value report
//   [command, option, index, value big-endian], or by a byte-array run for byte arrays; a
//   report never repeats the subindex;
// - a set [command, option | 0x80, index | 0x20 (, subindex), value] is stored and acknowledged
//   [command, option | 0xC0, index, value as received]; a call is a set without a value and a
//   byte-array set run gets one bare acknowledgement once it is whole;
// - what cannot be answered gets an error reply: [command, the option byte the caller waits
//   for, index | 0x80, code], with the codes of PropertyTable::missingReason, kErrPermission
//   for a get of what cannot be read or a set of what cannot be written, kErrSize for a value
//   of the wrong width or too long, kErrPacket for a run whose sequence breaks.
#pragma once

#include <map>
#include <tuple>

#include "bytes_run.h"
#include "device.h"

namespace sim {

// The error reply to a typed request: [command, the option byte the caller waits for (bare for a
// get, with both flags for a set), index | 0x80, code].
Bytes ueiErrorReply(const Bytes& request, uint8_t code);

class UeiResponder : public CommandHandler {
public:
    // Byte arrays longer than this are refused.
    static constexpr size_t kMaxBytesValue = 64 * 1024;

    void handle(Device& device, const Packet& request, HostConnection& host) override;
    Bytes errorReply(const Bytes& request, uint8_t code) const override;

private:
    void get(Device& device, const Bytes& request, HostConnection& host);
    void set(Device& device, const Bytes& request, HostConnection& host);
    void setBytes(Device& device, const Bytes& request, Property& property, HostConnection& host);
    void refuse(Device& device, const Bytes& request, uint8_t code, HostConnection& host);

    std::map<std::tuple<uint8_t, uint8_t, uint8_t>, IncomingRun> runs_;
};

}  // namespace sim
