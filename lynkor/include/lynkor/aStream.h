/* aStream: a byte stream over a file, a serial port, a TCP socket, a USB device or a device
 * server's message socket, with block, record and string reads and writes on top.
 *
 * Three results carry meaning for a caller's loop: aErrNotReady (no byte now, try again),
 * aErrEOF (the source has ended) and aErrConnection or aErrIO (the transport is broken).
 * One thread may read and another write the same stream at the same time; the stream itself
 * takes no locks. */
#ifndef LYNKOR_ASTREAM_H
#define LYNKOR_ASTREAM_H

#include <stddef.h>
#include <stdint.h>

#include "aError.h"

#define aSTREAM_CHECK 0x4321

/* Transport operations; each takes the transport's own context `ref`. */
typedef aErr (*aStreamGetProc)(uint8_t* byte, void* ref);
typedef aErr (*aStreamPutProc)(const uint8_t* byte, void* ref);
typedef aErr (*aStreamWriteProc)(const uint8_t* data, size_t length, void* ref);
typedef aErr (*aStreamCloseProc)(void* ref);

typedef struct aStream aStream;

/* Serial rates are chosen by index: 0 2400, 1 4800, 2 9600, 3 19200, 4 38400, 5 57600,
 * 6 115200, 7 230400. */
#define aSTREAM_BAUD_INDEX_COUNT 8

LYNKOR_EXTERN_C_BEGIN

/* A stream over the given operations; any may be null. The stream owns `ref` and hands it to
 * `close` when destroyed. Null when memory is short. */
LYNKOR_API aStream* aStream_Create(aStreamGetProc get, aStreamPutProc put, aStreamWriteProc write,
                                   aStreamCloseProc close, void* ref);
/* Closes the transport, frees the stream and nulls *stream (also when it was invalid, which
 * answers aErrParam). Returns the result of `close`. */
LYNKOR_API aErr aStream_Destroy(aStream** stream);

/* Reads exactly `count` bytes, or none: on aErrNotReady part-way the bytes taken are kept in
 * the stream for the next read and `buffer` is untouched. On aErrEOF the bytes that came are
 * in `buffer`. */
LYNKOR_API aErr aStream_Read(aStream* stream, uint8_t* buffer, size_t count);
LYNKOR_API aErr aStream_Write(aStream* stream, const uint8_t* buffer, size_t count);

/* Reads up to and without the delimiter, or until `capacity` bytes are stored; the record's
 * length goes to *length when given. */
LYNKOR_API aErr aStream_ReadRecord(aStream* stream, uint8_t* buffer, size_t* length,
                                   size_t capacity, const uint8_t* delimiter,
                                   size_t delimiterLength);
/* A record ended by a zero byte: at most bufferSize - 1 bytes, stored zero-terminated. */
LYNKOR_API aErr aStream_ReadCString(aStream* stream, char* buffer, size_t bufferSize);
/* A record ended by the characters of `delimiter`, stored zero-terminated. */
LYNKOR_API aErr aStream_ReadCStringRecord(aStream* stream, char* buffer, size_t bufferSize,
                                          const char* delimiter);
LYNKOR_API aErr aStream_WriteRecord(aStream* stream, const uint8_t* data, size_t dataLength,
                                    const uint8_t* delimiter, size_t delimiterLength);
/* The string and its terminating zero. */
LYNKOR_API aErr aStream_WriteCString(aStream* stream, const char* string);
/* The string, then the delimiter string with its terminating zero. */
LYNKOR_API aErr aStream_WriteCStringRecord(aStream* stream, const char* string,
                                           const char* delimiter);
/* Copies bytes from one stream to the other until the source ends. */
LYNKOR_API aErr aStream_Flush(aStream* from, aStream* to);

/* Transports. Each returns the new stream through its last argument. */
LYNKOR_API aErr aStream_CreateFileInput(const char* path, aStream** stream);
LYNKOR_API aErr aStream_CreateFileOutput(const char* path, aStream** stream);
/* `portName` is a path, or a name looked up under /dev/. `parity` non-zero selects odd parity;
 * `sevenDataBits` and `twoStopBits` are 0 or 1. The port is held exclusively until closed. */
LYNKOR_API aErr aStream_CreateSerial(const char* portName, uint32_t baudIndex, uint32_t parity,
                                     uint32_t sevenDataBits, uint32_t twoStopBits,
                                     aStream** stream);
/* A serial line carrying each packet as one frame: COBS of its bytes and a CRC-8, then 0. */
LYNKOR_API aErr aStream_CreateSerial_Packetized(const char* portName, uint32_t baudIndex,
                                                uint32_t parity, uint32_t sevenDataBits,
                                                uint32_t twoStopBits, aStream** stream);
/* `ipAddress` in network byte order (first octet in the lowest byte), `port` in host order. */
LYNKOR_API aErr aStream_CreateSocket(uint32_t ipAddress, uint16_t port, aStream** stream);
/* The USB device whose serial number is `deviceId`. */
LYNKOR_API aErr aStream_CreateUSB(uint32_t deviceId, aStream** stream);
/* A client connection to a device server; one message per packet. */
LYNKOR_API aErr aStream_CreateClient(uint32_t ipAddress, uint16_t port, aStream** stream);

LYNKOR_EXTERN_C_END

#endif
