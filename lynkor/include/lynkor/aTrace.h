/* aTrace: the library's diagnostic switch. Off by default; when on, the library writes lines of
 * the enabled categories to standard output. */
#ifndef LYNKOR_ATRACE_H
#define LYNKOR_ATRACE_H

#include <stdbool.h>
#include <stdint.h>

#include "aError.h"

/* Categories, one bit each. */
/* Connecting, routing and the UEI exchanges of the object layer. */
#define aTRACE_OBJECTS 0x00000001u

LYNKOR_EXTERN_C_BEGIN

/* Turns tracing on for the categories in the mask, or off. */
LYNKOR_API void aTrace_Set(bool enabled, uint32_t categories);
/* Whether tracing is on and the category is among the enabled ones. */
LYNKOR_API bool aTrace_IsOn(uint32_t category);

LYNKOR_EXTERN_C_END

#endif
