#include "module_queries.h"

#include "protocol_codes.h"
#include "system_entity.h"

namespace sim {

namespace {

constexpr uint8_t kQueryBuild = 0xFF;
constexpr uint8_t kQueryHasUei = 1;
constexpr uint8_t kQueryClassQuantity = 4;
constexpr uint8_t kQuerySubClassQuantity = 5;
constexpr uint8_t kQueryEntityGroup = 6;
constexpr size_t kHasUeiLength = 6;

uint8_t s_hasUei(PropertyTable& table, uint8_t command, uint8_t option, uint8_t index,
                 uint8_t direction) {
    if ((direction & ~(kUeiGet | kUeiSet)) != 0 || direction == (kUeiGet | kUeiSet)) {
        return kErrParam;
    }
    // An option kept per subindex counts through its first subindex.
    PropertyKey key{command, option, index, std::nullopt};
    if (table.isSubindexed(command, option, index)) {
        key.subindex = 0;
    }
    const Property* property = table.find(key);
    if (property == nullptr) {
        // Any subindex will do for the question; the table says why there is none.
        key.subindex.reset();
        const uint8_t reason = table.missingReason(key);
        return reason == kErrNone ? kErrInvalidOption : reason;
    }
    if ((direction == kUeiGet && !property->readable) ||
        (direction == kUeiSet && !property->writable)) {
        return kErrPermission;
    }
    return kErrNone;
}

}  // namespace

void ModuleQueries::handle(Device& device, const Packet& request, HostConnection& host) {
    const Bytes& data = request.data;
    const uint8_t query = data.size() > 1 ? data[1] : 0;
    Bytes answer(data.begin(), data.end());
    if (query == kQueryBuild && data.size() == 2) {
        const Property* build =
            device.properties().find({kCmdSystem, kSystemBuild, 0, std::nullopt});
        appendBigEndian(answer, build != nullptr ? build->current() : 0, 4);
    } else if (query == kQueryHasUei && data.size() == kHasUeiLength) {
        answer.back() = s_hasUei(device.properties(), data[2], data[3], data[4], data[5]);
    } else if (query == kQueryClassQuantity && data.size() == 3) {
        answer.push_back(device.properties().entityCount(data[2]));
    } else if (query == kQuerySubClassQuantity && data.size() == 4) {
        answer.push_back(entityInfo(data[2], data[3]).subclasses);
    } else if (query == kQueryEntityGroup && data.size() == 4) {
        answer.push_back(entityInfo(data[2], data[3]).group);
    } else {
        ++device.counters().malformed;
        return;
    }
    device.answer(host, std::move(answer));
}

Bytes ModuleQueries::errorReply(const Bytes& request, uint8_t code) const {
    if (request.size() == kHasUeiLength && request[1] == kQueryHasUei) {
        Bytes reply = request;
        reply.back() = code;
        return reply;
    }
    return genericErrorReply(request, code);
}

}  // namespace sim
