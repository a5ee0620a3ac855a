// Link: one connection to one device, the typed value exchange (UEI) over it, and the values the
// device streams. Every operation answers an aErr; those that talk to the device need a running
// link (aErrConnection otherwise), and those that address a module refuse 0 and odd addresses
// (aErrPacket). A reply that does not come within its wait (1000 ms unless said otherwise) is
// aErrTimeout; an error reply is the device's code, and a reply that makes no sense is
// aErrUnknown. A Link may be used from several threads at once; it cannot be copied.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lynkor/LinkStream.h"
#include "lynkor/aDiscovery.h"
#include "lynkor/aExport.h"
#include "lynkor/aLink.h"
#include "lynkor/aLinkSpec.h"
#include "lynkor/aUEI.h"

namespace Norvane::Lynkor {

// How a Link shares its device with other processes through a device server.
struct TethraConfig {
    bool enabled = true;
    // discoverAndConnect tries the other kind of link once when the first fails.
    bool fallback = true;
    // The device server listens on 127.0.0.1 only, for this computer.
    bool serverFlag = true;
    // The device server's port, once a connect has made one.
    uint16_t assignedPort = 0;
    // IPv4 address in network byte order: the interface that discovery searches and that a
    // device server serves on (127.0.0.1: the first one found); after a connect, the one served.
    uint32_t networkInterface = 0x0100007F;
};

// Longest link name kept.
constexpr size_t kLinkNameMax = 1024;

class LinkImpl;

class LYNKOR_API Link {
public:
    explicit Link(const char* name);
    Link(const linkSpec& spec, const char* name);
    // Stops streaming and the packet logger, then releases the link.
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Connecting. connect opens a link from the stored linkSpec: aErrConnection when this Link
    // already has one, aErrConfiguration without one. With sharing enabled, a USB, TCPIP or
    // SERIAL device's link goes to a device server (local to this computer when serverFlag is
    // set) and this Link connects to it as a client; the config then holds the server's port
    // and interface, where other processes reach the device. A failed connect leaves no link
    // behind.
    aErr connect();
    // Finds the device (serial 0: the first of that model, or the first at all for model 0),
    // stores its linkSpec and connects; falls back once to the other kind when the config allows.
    aErr discoverAndConnect(linkType type, uint32_t serialNumber, uint8_t model = 0);
    // Connects over the link of another, connected Link (a router), as one more holder of it:
    // releasing the router's Link does not end this one's link.
    aErr connectThroughLinkModule(Link& router);
    // Stops streaming and releases the link.
    aErr disconnect();
    // Remakes the link's stream (aLink_Reset) and answers its result; streaming goes on.
    aErr reset();
    bool isConnected();
    linkStatus getStatus();

    aErr getLinkSpecifier(linkSpec* spec);
    // aErrBusy while connected.
    aErr setLinkSpecifier(const linkSpec& spec);
    aErr getConfig(TethraConfig* config);
    // aErrMode while connected.
    aErr setConfig(const TethraConfig& config);
    const char* getName() const;
    // Asks the device at the end of the link for its module address (aErrNotReady, address 0,
    // when it does not answer).
    aErr getModuleAddress(uint8_t* address);

    // Raw packets. sendPacket sends [command, bytes] (at most 27 bytes). receivePacket waits for
    // the first packet from `module` whose leading data bytes equal `match` (at most 28) and
    // copies all its data bytes into `bytes`, which must hold 28; *length is their count.
    aErr sendPacket(uint8_t module, uint8_t command, uint8_t length, const uint8_t* bytes);
    aErr receivePacket(uint8_t module, const uint8_t* match, uint8_t matchLength, uint8_t* length,
                       uint8_t* bytes);
    // Discards queued packets that receivePacket would take for this match, so that a late
    // answer to an earlier request cannot pass for the next one's.
    aErr dropMatchingPackets(uint8_t module, const uint8_t* match, uint8_t matchLength);

    // UEI exchange. sendUEI sends the record as one packet, or a byte array as a run paced
    // against the outbound queue (aErrTimeout when the queue makes no progress for 1 s).
    aErr sendUEI(const uei& request);
    aErr sendUEI(const uei& request, uint8_t subindex);
    // Waits for the reply to (module, command, option byte, index): a value report, an
    // acknowledgement or an error reply. On return `reply` holds the reply's index byte and value.
    aErr receiveUEI(uint8_t module, uint8_t command, uint8_t option, uint8_t index, uei* reply);
    // The same with the caller's filter, which sees the `reply` record as its reference.
    aErr receiveUEI(uint8_t module, uint8_t command, uint8_t option, uint8_t index, uei* reply,
                    aPacketFilter filter);
    // Discards queued replies that receiveUEI would take for these.
    aErr dropMatchingUEIPackets(uint8_t module, uint8_t command, uint8_t option, uint8_t index);

    // Store slots (cmdSLOT). unloadStoreSlot copies at most `length` bytes, reports how many it
    // received, and answers aErrOverrun when the slot holds more than the buffer.
    aErr loadStoreSlot(uint8_t module, uint8_t store, uint8_t slot, const uint8_t* bytes,
                       uint32_t length);
    aErr unloadStoreSlot(uint8_t module, uint8_t store, uint8_t slot, uint8_t* buffer,
                         uint32_t length, uint32_t* count);
    aErr storeSlotSize(uint8_t module, uint8_t store, uint8_t slot, uint32_t* size);
    aErr storeSlotCapacity(uint8_t module, uint8_t store, uint8_t slot, uint32_t* capacity);

    // Factory data (cmdFACTORY), blocks 0-15. A read whose data reaches `length` is aErrOverrun.
    aErr getFactoryData(uint8_t module, uint8_t block, uint8_t* buffer, uint32_t length,
                        uint32_t* count);
    aErr setFactoryData(uint8_t module, uint8_t block, const uint8_t* bytes, uint32_t length);

    // Streaming. Registrations are patterns: kStreamWildcard in the module-less elements
    // matches any value. Enabling tells the device (cmdLINK option 1, disabling option 2) and
    // takes the registration back when the device refuses. Callbacks run in arrival order on
    // this Link's dispatcher thread; once a disable, a replacement or disconnect returns, the
    // old callback is not called again (unless it is running and called that itself).
    aErr enableStream(uint8_t module, uint8_t command, uint8_t option, uint8_t index, bool enable);
    aErr registerStreamCallback(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                                bool enable, StreamCallback callback, void* user);
    // The last sample of an exact key: aErrNone the first time it is read, aErrStreamStale
    // after, aErrNotFound when none came.
    aErr getStreamValue(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                        uint8_t subindex, uint32_t* value);
    // The watched exact keys matching the pattern: aErrSize when more match than fit.
    aErr getStreamStatus(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                         uint8_t subindex, StreamStatusEntry* entries, uint32_t capacity,
                         uint32_t* count);
    std::vector<uint64_t> filterActiveStreamKeys(uint8_t module, uint8_t command, uint8_t option,
                                                 uint8_t index, uint8_t subindex, bool lock);
    // Asks the device whether it streams (cmdLINK option 1).
    aErr isLinkStreaming(uint8_t module, uint8_t* streaming);

    static uint64_t createStreamKey(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                                    uint8_t subindex);
    static uint8_t getStreamKeyElement(uint64_t key, STREAM_KEY element);
    static bool getStreamPacketType(const aPacket* packet, STREAM_PACKET* type);
    // aErrPacket for a packet that is no sample or has the wrong length, aErrSize for a byte
    // array, aErrUnknown for an unknown type.
    static aErr getStreamSample(const aPacket* packet, uint64_t* time, uint32_t* value,
                                uint8_t* subindex);
    static void getTimestampParts(uint64_t time, uint32_t* high, uint32_t* low);
    static bool isStreamPacket(const aPacket* packet);
    static bool isStreamSample(const aPacket* packet);
    static bool isSubindexType(STREAM_PACKET type);
    // The link's packet filter: takes every stream packet and feeds the cache and callbacks of
    // the Links registered on the link. `user` is what the filter was installed with.
    static uint8_t linkStreamFilter(const aPacket* packet, void* user);

    // The packet log: the link's packet record written to a file by a logger thread.
    aErr enablePacketLog(const char* fileName);
    aErr disablePacketLog();
    aErr enablePooledPackets(bool enable);

    // Discovery: aErrNone when something was found, else aErrNotFound.
    static aErr sDiscover(linkType type, aDiscoveryModuleFoundProc callback, void* user,
                          uint32_t networkInterface);
    static aErr sDiscover(linkType type, std::vector<linkSpec>& specs, uint32_t networkInterface);
    // The callback of the list form: appends a copy of the linkSpec (`user` is the list).
    static bool sFindAll(const linkSpec* spec, bool* found, void* user);

private:
    friend class EntityClass;
    // The get of a byte array (EntityClass::getUEIBytes): `run` names the entity option (bare
    // option and index) and the buffer. The run is collected on the link's reader thread from
    // before the request goes out, so that no length of run can overflow the reply queue.
    aErr receiveByteArray(uei& run);
    // receiveUEI with the caller's wait (EntityClass::awaitUEI32Val).
    aErr receiveUEIWithin(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                          uei* reply, aPacketFilter filter, uint32_t timeoutMs);

    std::unique_ptr<LinkImpl> impl_;
};

}  // namespace Norvane::Lynkor
