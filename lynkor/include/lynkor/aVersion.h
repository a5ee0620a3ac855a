/* aVersion: the library's own version and the packed 32-bit firmware version value.
 * A packed value below 0x2F000000 has the legacy layout (major 4 bits, minor 4 bits, patch 24
 * bits); from 0x2F000000 up the current one (top byte 0x2F, then major, minor, patch bytes). */
#ifndef LYNKOR_AVERSION_H
#define LYNKOR_AVERSION_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "aExport.h"

#define aVERSION_MAJOR 2
#define aVERSION_MINOR 12
#define aVERSION_PATCH 0
#define aVERSION_CURRENT_LAYOUT_BASE 0x2F000000u
/* The longest text aVersion_ParseString writes, "15.15.16777215", and its terminator. */
#define aVERSION_STRING_SIZE 15

LYNKOR_EXTERN_C_BEGIN

LYNKOR_API uint8_t aVersion_GetMajor(void);
LYNKOR_API uint8_t aVersion_GetMinor(void);
LYNKOR_API uint32_t aVersion_GetPatch(void);
/* "2.12.0"; the text is built once and lives as long as the process. */
LYNKOR_API const char* aVersion_GetString(void);
/* True when the library's own version is at or above the given one. */
LYNKOR_API bool aVersion_IsAtLeast(uint8_t major, uint8_t minor, uint8_t patch);
/* True when version 1 is at or above version 2. */
LYNKOR_API bool aVersion_IsAtLeastCompare(uint8_t major1, uint8_t minor1, uint8_t patch1,
                                          uint8_t major2, uint8_t minor2, uint8_t patch2);
/* Up to 2.14.x packs in the legacy layout (a minor above 15 with a major below 2 keeps only its
 * low four bits); 2.15.0 and later in the current layout. */
LYNKOR_API uint32_t aVersion_Pack(uint8_t major, uint8_t minor, uint8_t patch);
LYNKOR_API uint8_t aVersion_ParseMajor(uint32_t packed);
LYNKOR_API uint8_t aVersion_ParseMinor(uint32_t packed);
LYNKOR_API uint32_t aVersion_ParsePatch(uint32_t packed);
/* Writes "major.minor.patch"; answers the count of characters written, or -1 (a null buffer or
 * one too small for the whole text, which is then left empty). */
LYNKOR_API int aVersion_ParseString(uint32_t packed, char* buffer, size_t size);
LYNKOR_API bool aVersion_IsLegacyFormat(uint32_t packed);
/* A newly allocated text "<name> - <description>" per feature; free with
 * aVersion_DestroyFeatureList. Null when out of memory. */
LYNKOR_API char* aVersion_GetFeatureList(void);
LYNKOR_API void aVersion_DestroyFeatureList(char** list);
/* Case-sensitive match against the features' names ("VERSION"). */
LYNKOR_API bool aVersion_HasFeature(const char* name);

LYNKOR_EXTERN_C_END

#endif
