/* aHid: a USB HID device, reached by report: for boot ROMs that speak over HID reports.
 *
 * The device is found on the real bus (hidapi) or on the emulated bus that aEmulation.h
 * selects. Reports carry their report ID as the first byte, in both directions. */
#ifndef LYNKOR_AHID_H
#define LYNKOR_AHID_H

#include <stddef.h>
#include <stdint.h>

#include "aError.h"

#define aHID_CHECK 0x4849

typedef struct aHid aHid;

LYNKOR_EXTERN_C_BEGIN

/* Opens the first device with these identifiers. aErrNotFound when none is there, aErrBusy when
 * another host holds it, aErrIO when it cannot be opened. */
LYNKOR_API aErr aHid_Open(uint16_t vendorId, uint16_t productId, aHid** device);
/* Sends one output report, report ID first. aErrIO when the device has gone or refused it. */
LYNKOR_API aErr aHid_Write(aHid* device, const uint8_t* report, size_t length);
/* Receives one input report of at most `capacity` bytes, report ID first, waiting at most
 * `timeoutMs`; its length goes to *received. aErrTimeout when none came in time, aErrIO when the
 * device has gone. */
LYNKOR_API aErr aHid_Read(aHid* device, uint8_t* buffer, size_t capacity, size_t* received,
                          uint32_t timeoutMs);
/* Closes the device and nulls *device (also when it was invalid, which answers aErrParam). */
LYNKOR_API aErr aHid_Destroy(aHid** device);

LYNKOR_EXTERN_C_END

#endif
