/* Core types of the platform layer: the integer, boolean, handle and wide-character types
 * that the original device's system headers define, with the same names and widths, so
 * that code written for that device builds here unchanged. Usable from C and C++. */
#ifndef PLATFORM_WINDOWS_H
#define PLATFORM_WINDOWS_H

#include <stdint.h>

#ifndef __cplusplus
#include <uchar.h>
#endif

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD; /* 32 bits, as on the original platform (not the 64-bit long) */
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int BOOL;
typedef uintptr_t DWORD_PTR;
typedef void* HANDLE;

/* Wide characters are 16-bit UTF-16 code units, as on the original platform. */
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef char* LPSTR;
typedef const char* LPCSTR;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

#endif /* PLATFORM_WINDOWS_H */
