/* Device discovery: devices on USB, devices on the local network that answer the UDP multicast
 * query, and devices that a device server announces by UDP beacon. Also the multicast socket
 * helpers and the process-wide lock around the beacon interface setting. */
#ifndef LYNKOR_ADISCOVERY_H
#define LYNKOR_ADISCOVERY_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "aLinkSpec.h"

/* Called once per device found. Set *found to count the record; return false to stop the
 * enumeration. The record lives only for the call: copy what you keep. */
typedef bool (*aDiscoveryModuleFoundProc)(const linkSpec* spec, bool* found, void* user);

/* An open multicast socket made by aMulticast_Create. */
typedef struct aMulticast aMulticast;

/* Results of aMulticast_Send, aMulticast_Receive and aMulticast_Destroy besides a byte count. */
#define aMULTICAST_SOCKET_ERROR (-1)
#define aMULTICAST_NULL_HANDLE (-2)
#define aMULTICAST_WRONG_DIRECTION (-3)

LYNKOR_EXTERN_C_BEGIN

/* Enumerates the devices reachable by one link type: USB by the USB bus, TCPIP by the multicast
 * query, the Tethra kinds (4 to 7) by beacon; SERIAL and other values find nothing.
 * networkInterface is an IPv4 address in network byte order; 0 and 127.0.0.1 mean no particular
 * interface. Returns the number of records the callback marked found (at most 255). */
LYNKOR_API uint8_t aDiscovery_EnumerateModules(linkType type, aDiscoveryModuleFoundProc callback,
                                               void* user, uint32_t networkInterface);
/* The beacon enumeration alone: devices that device servers announce. */
LYNKOR_API uint8_t aDiscovery_Enumerate_TethraModules(aDiscoveryModuleFoundProc callback,
                                                      void* user, uint32_t networkInterface);
/* A new record of the device with this serial number, or null; free it with aLinkSpec_Destroy. */
LYNKOR_API linkSpec* aDiscovery_FindModule(linkType type, uint32_t serialNumber,
                                           uint32_t networkInterface);
/* A new record of the first device with a non-zero serial number, or null. */
LYNKOR_API linkSpec* aDiscovery_FindFirstModule(linkType type, uint32_t networkInterface);

/* Writes up to capacity IPv4 addresses (network byte order) of the interfaces that are up;
 * returns how many were written. */
LYNKOR_API uint32_t aDiscovery_GetIPv4Interfaces(uint32_t* addresses, uint32_t capacity);
/* Writes an address (network byte order) as dotted text; returns its length, or 0 when size is
 * below 22 (nothing is written then) or the conversion fails. */
LYNKOR_API size_t aDiscovery_ConvertIPv4Interface(uint32_t address, char* buffer, size_t size);

/* A multicast socket on an interface (network byte order; 0 means 127.0.0.1) for a group given
 * as dotted text and a port. A sender sends to the group; a receiver is bound to the port and
 * receives with a 1000 ms time-out. Returns null on any failure. */
LYNKOR_API aMulticast* aMulticast_Create(uint32_t interfaceAddress, const char* groupAddress,
                                         uint16_t port, bool sender);
/* Bytes sent, or aMULTICAST_SOCKET_ERROR, aMULTICAST_NULL_HANDLE, aMULTICAST_WRONG_DIRECTION. */
LYNKOR_API int aMulticast_Send(aMulticast* handle, const uint8_t* bytes, size_t length);
/* Bytes received (a longer datagram is cut to length), or the same errors as aMulticast_Send. */
LYNKOR_API int aMulticast_Receive(aMulticast* handle, uint8_t* bytes, size_t length);
/* Closes the socket and nulls the handle; aMULTICAST_NULL_HANDLE for a null handle. */
LYNKOR_API int aMulticast_Destroy(aMulticast** handle);

/* The beacon interface is one process-wide setting of the messaging library. Every locking form
 * must be matched by one unlocking form on the same thread. Texts accepted: a dotted IPv4
 * address, "" or "*". */
LYNKOR_API bool zBeaconInterface_setAndLock(const char* interfaceText);
/* As setAndLock, first copying the current interface into the backup. */
LYNKOR_API bool zBeaconInterface_backupSetAndLock(const char* interfaceText);
/* Sets the interface back from the backup and unlocks; returns the unlock's result (0 on
 * success, an error number when this thread does not hold the lock). */
LYNKOR_API int zBeaconInterface_restoreAndUnlock(void);
LYNKOR_API int zBeaconInterface_unlock(void);
/* The current interface text; valid until the interface is next set. */
LYNKOR_API const char* zBeaconInterface_get(void);
LYNKOR_API const char* zBeaconInterface_getAndLock(void);
LYNKOR_API const char* zBeaconInterface_getBackup(void);
LYNKOR_API const char* zBeaconInterface_getBackupAndLock(void);

LYNKOR_EXTERN_C_END

#endif
