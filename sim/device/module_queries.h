// cmdMODULE (73): what a host asks a device about itself with raw packets.
//   [73, 0xFF]                 -> [73, 0xFF, build (4 bytes, big-endian)]
//   [73, 1, c, o, i, d]        -> [73, 1, c, o, i, result]  whether entity c/i has option o for
//                                 direction d (0 either, 0x40 get, 0x80 set); result 0 or the
//                                 error code a request would get
//   [73, 4, c]                 -> [73, 4, c, n]     entities of class c in the property table
//   [73, 5, c, s]              -> [73, 5, c, s, n]  subclasses, as set on the control socket
//   [73, 6, c, s]              -> [73, 6, c, s, g]  entity group, as set on the control socket
#pragma once

#include <map>
#include <utility>

#include "device.h"

namespace sim {

class ModuleQueries : public CommandHandler {
public:
    struct EntityInfo {
        uint8_t subclasses = 0;
        uint8_t group = 0;
    };

    void handle(Device& device, const Packet& request, HostConnection& host) override;
    // hasUEI's refusal carries the code where its result goes.
    Bytes errorReply(const Bytes& request, uint8_t code) const override;

    EntityInfo& entityInfo(uint8_t command, uint8_t subclass) {
        return entityInfo_[{command, subclass}];
    }

private:
    std::map<std::pair<uint8_t, uint8_t>, EntityInfo> entityInfo_;
};

// cmdDEBUG (23): the device echoes the request's data bytes back.
class EchoCommand : public CommandHandler {
public:
    void handle(Device& device, const Packet& request, HostConnection& host) override {
        device.answer(host, request.data);
    }
};

}  // namespace sim
