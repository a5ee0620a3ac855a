/* Model numbers and their names. */
#ifndef LYNKOR_ADEFS_H
#define LYNKOR_ADEFS_H

#include <stdint.h>

#include "aExport.h"

LYNKOR_EXTERN_C_BEGIN

/* The constant name of a model number, "Unknown" for numbers outside the table. */
LYNKOR_API const char* aDefs_GetModelName(uint32_t model);

LYNKOR_EXTERN_C_END

#endif
