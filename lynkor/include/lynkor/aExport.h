/* Symbol export and C linkage for the flat API. Everything not marked LYNKOR_API stays hidden. */
#ifndef LYNKOR_AEXPORT_H
#define LYNKOR_AEXPORT_H

#define LYNKOR_API __attribute__((visibility("default")))

#ifdef __cplusplus
#define LYNKOR_EXTERN_C_BEGIN extern "C" {
#define LYNKOR_EXTERN_C_END }
#else
#define LYNKOR_EXTERN_C_BEGIN
#define LYNKOR_EXTERN_C_END
#endif

#endif
