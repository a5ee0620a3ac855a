/* linkSpec: how to reach one device. Its 128 little-endian bytes are also its wire form in
 * beacons and in the device server. */
#ifndef LYNKOR_ALINKSPEC_H
#define LYNKOR_ALINKSPEC_H

#include <stdint.h>

#include "aError.h"

typedef enum linkType {
    INVALID = 0,
    USB = 1,
    TCPIP = 2,
    SERIAL = 3,
    TETHRA_CLIENT = 4,
    TETHRA_USB = 5,
    TETHRA_TCPIP = 6,
    TETHRA_SERIAL = 7
} linkType;

#define aLINKSPEC_SIZE 128
#define aLINKSPEC_SERIAL_PORT_SIZE 100

typedef struct linkSpec {
    int32_t type;
    uint32_t serial_num;
    uint32_t module;
    uint32_t router;
    uint32_t router_serial_num;
    uint32_t model;
    union {
        struct {
            /* Network byte order: the first octet is the lowest byte. */
            uint32_t ip_address;
            uint32_t ip_port;
        };
        uint32_t usb_id;
        struct {
            uint32_t baud_rate;
            char serial_port[aLINKSPEC_SERIAL_PORT_SIZE];
        };
    };
} linkSpec;

LYNKOR_EXTERN_C_BEGIN

LYNKOR_API linkSpec* aLinkSpec_Create(linkType type);
LYNKOR_API linkSpec* aLinkSpec_Copy(linkSpec spec);
LYNKOR_API aErr aLinkSpec_Destroy(linkSpec** spec);

LYNKOR_EXTERN_C_END

#endif
