/* aLogger: writes a link's packet debug log (aLink_PacketDebug_*) to a text file from a thread of
 * its own, one line per record: its length, ">" for a sent packet or "<" otherwise, then each
 * byte as "0x%X " (text records as characters), then "\r\n". */
#ifndef LYNKOR_ALOGGER_H
#define LYNKOR_ALOGGER_H

#include <stdint.h>

#include "aError.h"
#include "aLink.h"

/* Records of this mark are text (written as characters), such as the "START" marker. */
#define aLOGGER_TEXT_RECORD 3

typedef struct aLogger aLogger;

LYNKOR_EXTERN_C_BEGIN

/* A stopped logger of the link's records into a new file of that name; null when the file
 * cannot be made or the link is unknown. */
LYNKOR_API aLogger* aLogger_Create(aLinkRef link, const char* fileName);
/* Starts the writing thread (again); aErrNone when it already runs. */
LYNKOR_API aErr aLogger_Enable(aLogger* logger);
/* Stops the writing thread: aErrNone once it has ended; aErrTimeout when it did not end within
 * 5 s (it is then left to end on its own, and touches nothing that is freed). */
LYNKOR_API aErr aLogger_Disable(aLogger* logger);
/* Stops the thread, closes the file and sets *logger to null. */
LYNKOR_API aErr aLogger_Destroy(aLogger** logger);

LYNKOR_EXTERN_C_END

#endif
