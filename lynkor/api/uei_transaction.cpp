#include "api/uei_transaction.h"

namespace lynkor::api {

aErr transact(Norvane::Lynkor::Link& link, const uei& request, std::optional<uint8_t> subindex,
              uint8_t replyOption, uei& reply) {
    const uint8_t index = request.index & UEI_INDEX_MASK;
    link.dropMatchingUEIPackets(request.module, request.command, replyOption, index);
    aErr result = subindex.has_value() ? link.sendUEI(request, *subindex) : link.sendUEI(request);
    if (result == aErrNone) {
        result = link.receiveUEI(request.module, request.command, replyOption, index, &reply);
    }
    if (result == aErrTimeout) {
        link.dropMatchingUEIPackets(request.module, request.command, replyOption, index);
    }
    return result;
}

uint32_t replyValue(const uei& reply) {
    switch (reply.ueiType) {
        case ueiTypeByte:
            return reply.byteValue;
        case ueiTypeShort:
            return reply.shortValue;
        case ueiTypeInt:
            return reply.intValue;
        default:
            return 0;
    }
}

}  // namespace lynkor::api
