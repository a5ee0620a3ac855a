// The creators: share an existing link to the same device, or make, start and (for USB)
// synchronise a new one.
#include <algorithm>
#include <atomic>

#include "link/link_life.h"
#include "link/link_table.h"
#include "lynkor/aLinkSpec.h"
#include "stream/serial_rates.h"

namespace lynkor::link {

namespace {

std::atomic<int32_t> s_clientCount{0};

void s_discard(aLinkRef id) {
    aLink_Destroy(&id);
}

// Initialises and starts a new entry over its stream; on failure the entry goes again.
aLinkRef s_startNew(aLinkRef id, aStream* stream) {
    if (aLink_Init(id, stream) != aErrNone || aLink_Start(id) != aErrNone) {
        s_discard(id);
        return 0;
    }
    return id;
}

}  // namespace

aErr sOpenStream(int type, int32_t ident0, int32_t ident1, int32_t ident2, aStream** stream) {
    switch (type) {
        case USB:
            return aStream_CreateUSB(static_cast<uint32_t>(ident0), stream);
        case TCPIP:
            return aStream_CreateSocket(static_cast<uint32_t>(ident1),
                                        static_cast<uint16_t>(ident2), stream);
        case TETHRA_CLIENT:
        case TETHRA_USB:
        case TETHRA_TCPIP:
        case TETHRA_SERIAL:
            return aStream_CreateClient(static_cast<uint32_t>(ident0),
                                        static_cast<uint16_t>(ident1), stream);
        default:
            return aErrParam;
    }
}

}  // namespace lynkor::link

using namespace lynkor::link;

extern "C" {

aLinkRef aLink_CreateUSB(uint32_t serialNumber) {
    bool isNew = false;
    aLinkRef id = sShareOrCreate(static_cast<int32_t>(serialNumber), 0, 0, USB, isNew);
    if (!isNew || id == 0) {
        return id;
    }
    aStream* stream = nullptr;
    if (aStream_CreateUSB(serialNumber, &stream) != aErrNone) {
        s_discard(id);
        return 0;
    }
    if (s_startNew(id, stream) == 0) {
        return 0;
    }
    if (aLink_Sync(id) != aErrNone) {
        s_discard(id);
        return 0;
    }
    return id;
}

aLinkRef aLink_CreateTCPIP(uint32_t serialNumber, uint32_t ipAddress, uint32_t port) {
    bool isNew = false;
    aLinkRef id =
        sShareOrCreate(static_cast<int32_t>(serialNumber), static_cast<int32_t>(ipAddress),
                       static_cast<int32_t>(port), TCPIP, isNew);
    if (!isNew || id == 0) {
        return id;
    }
    aStream* stream = nullptr;
    if (port > UINT16_MAX ||
        aStream_CreateSocket(ipAddress, static_cast<uint16_t>(port), &stream) != aErrNone) {
        s_discard(id);
        return 0;
    }
    return s_startNew(id, stream);
}

aLinkRef aLink_CreateSerial(uint32_t serialNumber, const char* portName, uint32_t baudRate) {
    bool isNew = false;
    aLinkRef id = sShareOrCreate(static_cast<int32_t>(serialNumber), 0, 0, SERIAL, isNew);
    if (!isNew || id == 0) {
        return id;
    }
    const auto& rates = lynkor::kSerialBaudRates;
    const auto rate = std::find(rates.begin(), rates.end(), baudRate);
    const auto rateIndex = static_cast<uint32_t>(rate - rates.begin());
    aStream* stream = nullptr;
    if (rate == rates.end() ||
        aStream_CreateSerial_Packetized(portName, rateIndex, 0, 0, 0, &stream) != aErrNone) {
        s_discard(id);
        return 0;
    }
    return s_startNew(id, stream);
}

aLinkRef aLink_CreateClient(uint32_t ipAddress, uint32_t port, aLinkRef existing) {
    if (existing != 0) {
        return sChangeUseCount(existing, 1) > 0 ? existing : 0;
    }
    aLinkRef id = sCreate2(static_cast<int32_t>(ipAddress), static_cast<int32_t>(port),
                           s_clientCount++, kEntryTypeClient);
    if (id == 0) {
        return 0;
    }
    aStream* stream = nullptr;
    if (port > UINT16_MAX ||
        aStream_CreateClient(ipAddress, static_cast<uint16_t>(port), &stream) != aErrNone) {
        s_discard(id);
        return 0;
    }
    return s_startNew(id, stream);
}

aLinkRef aLink_Create(aStream* stream) {
    if (stream == nullptr) {
        return 0;
    }
    aLinkRef id = sCreate(-1, 0, kEntryTypeStream);
    if (id == 0) {
        aStream_Destroy(&stream);
        return 0;
    }
    return s_startNew(id, stream);
}
}
