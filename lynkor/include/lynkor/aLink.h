/* aLink: the link engine. A link turns a byte stream to a device into two packet queues and
 * keeps them flowing with a reader and a writer thread; it keeps the stream in step with the
 * device and answers the device's heartbeats itself. Links are named by small positive ids
 * (0 stands for no link) that are never reused within a process; links to the same device are
 * shared, each creation counting one holder and each aLink_Destroy releasing one. */
#ifndef LYNKOR_ALINK_H
#define LYNKOR_ALINK_H

#include <stdbool.h>
#include <stdint.h>

#include "aError.h"
#include "aPacket.h"
#include "aPacketFifo.h"
#include "aStream.h"

typedef uint32_t aLinkRef;

typedef enum linkStatus {
    STATUS_STOPPED = 0,  /* threads not running */
    STATUS_STARTING = 1, /* the threads have been launched */
    STATUS_RUNNING = 2,  /* in step with the device; packets flow */
    STATUS_STOPPING = 3,
    STATUS_SYNCING = 4,   /* bringing the stream in step with the device */
    STATUS_NO_STREAM = 5, /* also the status of an unknown link */
    STATUS_IO_ERROR = 6,  /* the last stream read failed */
    STATUS_FAULT = 8      /* an incoming packet could not be queued */
} linkStatus;

/* A packet to this address with no data asks the device for an empty packet from its own
 * module address. */
#define aLINK_QUERY_ADDRESS 0xAD
/* A packet to this address with one data byte switches the route on (1) or off (0). */
#define aLINK_ROUTE_ADDRESS 0xAF

/* Records in the packet debug log carry one of these marks. */
#define aLINK_LOG_SENT 1
#define aLINK_LOG_RECEIVED 2
/* The largest packet debug log, in bytes. */
#define aLINK_LOG_MAX_SIZE 0x4000000

LYNKOR_EXTERN_C_BEGIN

/* Each creator answers the link id, or 0 on failure (leaving no link behind). */
/* The USB device with this serial number; shared by serial number. Synchronised before use. */
LYNKOR_API aLinkRef aLink_CreateUSB(uint32_t serialNumber);
/* A device's own network interface; `ipAddress` in network byte order. Shared by serial
 * number. */
LYNKOR_API aLinkRef aLink_CreateTCPIP(uint32_t serialNumber, uint32_t ipAddress, uint32_t port);
/* A serial line with the packetized framing at one of the rates 2400, 4800, 9600, 19200, 38400,
 * 57600, 115200 or 230400. Shared by serial number. */
LYNKOR_API aLinkRef aLink_CreateSerial(uint32_t serialNumber, const char* portName,
                                       uint32_t baudRate);
/* A client of a device server. With a non-zero `existing` id, that link gains a holder instead. */
LYNKOR_API aLinkRef aLink_CreateClient(uint32_t ipAddress, uint32_t port, aLinkRef existing);
/* A link over the caller's stream, which the link takes over (also when creation fails). */
LYNKOR_API aLinkRef aLink_Create(aStream* stream);
/* Shares a USB, TCP/IP or serial link with other processes through a device server, and answers
 * the id of a client link to it, or 0. The device link must have no other holder, no server and
 * no user filter; on failure it is left as it was, still the caller's. On success the client
 * link holds the device link: destroying the client destroys the device link and its server.
 * `*interfaceAddress` (IPv4, network byte order) asks for an interface, 0 or 127.0.0.1 for the
 * first found, and answers the one served on; `*port` answers the server's port. In local mode
 * the server listens on 127.0.0.1 only, where any process of this computer can reach it;
 * otherwise on the interface's address, where any host of that network can. */
LYNKOR_API aLinkRef aLink_CreateServer(aLinkRef deviceLink, uint16_t* port,
                                       uint32_t* interfaceAddress, bool localMode);

/* Releases one holder and sets *link to 0; the last holder stops and frees the link. Stopping
 * sends the route switch 0 before the stream closes. */
LYNKOR_API aErr aLink_Destroy(aLinkRef* link);
/* Stops the link, makes a new stream of the same kind and starts again. Serial links and links
 * over a caller's stream cannot be remade. */
LYNKOR_API aErr aLink_Reset(aLinkRef link);
LYNKOR_API linkStatus aLink_GetStatus(aLinkRef link);

/* Queues a copy of the packet for sending. */
LYNKOR_API aErr aLink_PutPacket(aLinkRef link, const aPacket* packet);
/* Received packets; each belongs to the caller (aPacket_Destroy). None waits unless named so. */
LYNKOR_API aPacket* aLink_GetPacket(aLinkRef link);
LYNKOR_API aPacket* aLink_GetFirst(aLinkRef link, aPacketFilter filter, void* reference);
LYNKOR_API aPacket* aLink_AwaitPacket(aLinkRef link, uint32_t timeoutMs);
/* Waits only while the link runs in step with the device; otherwise answers null at once. */
LYNKOR_API aPacket* aLink_AwaitFirst(aLinkRef link, aPacketFilter filter, void* reference,
                                     uint32_t timeoutMs);
/* Removes the received packets that the filter accepts; answers how many. */
LYNKOR_API uint32_t aLink_DrainPackets(aLinkRef link, aPacketFilter filter, void* reference);

/* The user filter sees every arriving packet on the reader thread before anything else; a
 * non-zero answer takes the packet (it is neither queued nor answered as a heartbeat). It must
 * not wait for packets of the same link. A null filter removes it. aErrBusy on a link that a
 * device server serves: its filter is the server's. */
LYNKOR_API aErr aLink_InstallUserPacketFilter(aLinkRef link, aPacketFilter filter, void* reference);
/* With pooling on, the writer sends queued packets in batches of up to about 4 KB. */
LYNKOR_API aErr aLink_EnablePooledPackets(aLinkRef link, bool enable);

/* The packet debug log: a ring of records (mark, length, wire bytes) of the packets sent
 * (aLINK_LOG_SENT) and received (aLINK_LOG_RECEIVED). */
/* Before the log exists: aErrParam above aLINK_LOG_MAX_SIZE, aErrBusy once it exists; a
 * negative size counts as 0 (the default of 65536). */
LYNKOR_API aErr aLink_PacketDebug_SetLogSize(aLinkRef link, int32_t size);
LYNKOR_API aErr aLink_PacketDebug_Enable(aLinkRef link);
/* Stops recording; the records stay. aErrNotReady without a log. */
LYNKOR_API aErr aLink_PacketDebug_Disable(aLinkRef link);
/* Takes out the oldest record; *length is the buffer's capacity on entry, the record's length
 * on return. aErrNotReady without a log. */
LYNKOR_API aErr aLink_PacketDebug_Read(aLinkRef link, uint8_t* mark, uint32_t* length,
                                       uint8_t* buffer);
/* Adds a record of the caller's. aErrNotReady without a log. */
LYNKOR_API aErr aLink_PacketDebug_Write(aLinkRef link, uint8_t mark, uint8_t length,
                                        const uint8_t* bytes);

LYNKOR_EXTERN_C_END

#endif
