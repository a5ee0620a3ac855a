/* aEmulation: whether the library sees the real USB bus and HID devices, or the emulated bus that
 * a simulator serves in a directory (for machines without the hardware, and for tests).
 *
 * The choice holds for the whole process. Unless a program makes it, it is taken once, at the
 * first device access, from the environment variable LYNKOR_USB_EMULATION (a directory; unset or
 * empty means the real bus). Devices opened before a change keep the bus they were opened on. */
#ifndef LYNKOR_AEMULATION_H
#define LYNKOR_AEMULATION_H

#include "aError.h"

LYNKOR_EXTERN_C_BEGIN

/* Selects the emulated bus in `directory`, or the real bus when it is null or empty; replaces
 * any earlier choice, the environment's included. */
LYNKOR_API aErr aEmulation_Select(const char* directory);

LYNKOR_EXTERN_C_END

#endif
