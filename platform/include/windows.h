/* Core services of the platform layer: the integer, boolean, handle and wide-character types
 * of the original device's system headers, and its file, time, error and text services, with
 * the same names, widths, values and signatures, so that code written for that device builds
 * here unchanged. Usable from C and C++. */
#ifndef PLATFORM_WINDOWS_H
#define PLATFORM_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

#ifndef __cplusplus
#include <uchar.h>
#endif

#define PLATFORM_API __attribute__((visibility("default")))
#define WINAPI
#define CALLBACK

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD; /* 32 bits, as on the original platform (not the 64-bit long) */
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int BOOL;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;

/* Wide characters are 16-bit UTF-16 code units, as on the original platform. */
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
/* TEXT("...") is a WCHAR string (or character) literal, as in wide-character builds of the
 * original, so that the same source text builds wherever WCHAR is another 16-bit type. */
#define PLATFORM_TEXT_(quote) u##quote
#define TEXT(quote) PLATFORM_TEXT_(quote)

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES; /* accepted, never used */
typedef struct _OVERLAPPED* LPOVERLAPPED;                   /* must be NULL */

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

/* Files. */
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#ifdef __cplusplus /* the same values without C casts, for code built with -Wold-style-cast */
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#else
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#endif
/* Kinds of object behind a file handle (GetFileType). */
#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu

/* Error codes of GetLastError. */
#define ERROR_SUCCESS 0
#define NO_ERROR 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_TOO_MANY_OPEN_FILES 4
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_WRITE_FAULT 29
#define ERROR_READ_FAULT 30
#define ERROR_SHARING_VIOLATION 32
#define ERROR_HANDLE_EOF 38
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_NAME 123
#define ERROR_NEGATIVE_SEEK 131
#define ERROR_ALREADY_EXISTS 183
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_FILE_TOO_LARGE 223
#define ERROR_INVALID_FLAGS 1004
#define ERROR_NO_UNICODE_TRANSLATION 1113

/* Time. */
#define INFINITE 0xFFFFFFFFu

/* Code pages and conversion flags. */
#define CP_ACP 0
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u

#ifdef __cplusplus
extern "C" {
#endif

/* Names are UTF-16, converted to UTF-8 paths; relative names resolve against the working
 * directory. Access is GENERIC_READ and/or GENERIC_WRITE (0 opens a handle that can only be
 * sized and moved). Share modes are checked but advisory only: Linux never refuses a second
 * opener, and an open file may be deleted. A file whose mode bits grant no write permission is
 * read-only, for root too: writing, emptying or replacing it fails with ERROR_ACCESS_DENIED, as
 * do directories. TRUNCATE_EXISTING without GENERIC_WRITE fails with ERROR_INVALID_PARAMETER.
 * CREATE_ALWAYS and OPEN_ALWAYS leave ERROR_ALREADY_EXISTS as the last error when the file
 * existed, ERROR_SUCCESS otherwise. Opening never waits: a FIFO opens at once, whether its other
 * end is open or not (for writing only, without a reader, it fails with ERROR_ACCESS_DENIED).
 * The handle of a FIFO, socket or device stays non-blocking: a read returns what is there now,
 * and fails with ERROR_READ_FAULT when that is nothing while a writer is open; a write that
 * finds no room fails with ERROR_WRITE_FAULT. A symbolic link opens what it points to. */
PLATFORM_API HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                                DWORD flagsAndAttributes, HANDLE templateFile);
/* Synchronous only: overlapped must be NULL. The count pointer may be NULL (the count is then
 * not reported). Reading at the end succeeds with 0 bytes; a write the file system stops part
 * way fails and reports the bytes written. */
PLATFORM_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                           LPOVERLAPPED overlapped);
PLATFORM_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                            LPOVERLAPPED overlapped);
PLATFORM_API DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh,
                                  DWORD moveMethod);
PLATFORM_API DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
/* FILE_TYPE_DISK for a regular file, FILE_TYPE_PIPE for a FIFO or socket, FILE_TYPE_CHAR for a
 * character device (/dev/null, /dev/zero, a terminal), FILE_TYPE_UNKNOWN for anything else
 * (then with the last error NO_ERROR) and for a handle that is not an open file (then with
 * ERROR_INVALID_HANDLE). */
PLATFORM_API DWORD GetFileType(HANDLE file);
/* Closes a file, or releases a wave device (a forced close, see mmsystem.h). There are no
 * processes to stand for here, so INVALID_HANDLE_VALUE (on the original also the current
 * process's pseudo handle, which closes without effect) fails with ERROR_INVALID_HANDLE. */
PLATFORM_API BOOL CloseHandle(HANDLE object);
PLATFORM_API BOOL DeleteFileW(LPCWSTR fileName);
/* Copies content and permission bits. A read-only or directory target is not replaced
 * (ERROR_ACCESS_DENIED); a copy onto the source itself fails with ERROR_SHARING_VIOLATION. */
PLATFORM_API BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists);
PLATFORM_API DWORD GetLastError(void);
PLATFORM_API void SetLastError(DWORD errorCode);

PLATFORM_API void Sleep(DWORD milliseconds);

/* Formats into at most 1024 wide characters, terminator included: %s (wide string), %d %i %u
 * %x %X %c %p, with flags, width and precision as the original documents them ("%0.6d" of 21
 * gives "000021"). Returns the characters written, terminator not counted. %S and %hs take
 * narrow (UTF-8) strings, %C and %hc narrow characters; a character of value zero is left out.
 * The l size is int-sized, as long is 32 bits on the original: pass a LONG or DWORD for %ld,
 * %lu, %lx, never a 64-bit long; I (%Ix) takes a number of a pointer's size, I64 (%I64d) a
 * 64-bit one. '*' widths are not supported; after '%', a character that is no conversion
 * stands for itself ("%%" gives "%"). */
PLATFORM_API int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
/* CP_ACP is UTF-8. With MB_ERR_INVALID_CHARS, invalid input fails with
 * ERROR_NO_UNICODE_TRANSLATION; without it, each ill-formed sequence becomes one U+FFFD.
 * Flags other than MB_ERR_INVALID_CHARS, and with CP_ACP MB_PRECOMPOSED (accepted, no
 * effect), fail with ERROR_INVALID_FLAGS. */
PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte,
                                     int multiByteCount, LPWSTR wide, int wideCount);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_WINDOWS_H */
