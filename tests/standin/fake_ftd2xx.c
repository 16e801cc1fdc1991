/*
 * A stand-in for the D2XX shared library: the nine functions the editor calls,
 * with the same C prototypes, widths and calling convention, plus control
 * functions (fake_ftd2xx_*) through which a test sets up devices, feeds and
 * drains the data, injects failures and reads back what each call received.
 *
 * The model:
 * - up to FAKE_MAX_DEVICES devices, each with a serial number and a
 *   description of 0..64 bytes (a 64-byte one carries no zero byte, as the
 *   library's 64-byte listing buffers allow);
 * - FT_OpenEx opens a device by its serial number (or description) and hands
 *   out a real pointer into this library's data, so the handle is a full
 *   pointer-sized value; a device can be open once at a time;
 * - handles are never reused until fake_ftd2xx_reset(), so a closed handle
 *   stays invalid; any call with a closed or unknown handle returns 1;
 * - each device has an RX queue the test fills, and a TX record of every byte
 *   written; FT_Read takes what is queued, up to the count asked for (or
 *   fewer, once, after fake_ftd2xx_limit_next_read: a read that timed out);
 * - FT_SetBaudRate accepts 183..3,000,000 baud, FT_SetDataCharacteristics
 *   7 or 8 bits, stop bits code 0 or 2 and parity 0..4; anything else is
 *   refused as the library refuses it;
 * - every call of the nine functions is written, in order, to a journal of
 *   text lines stamped with a time the test sets (fake_ftd2xx_set_time), so a
 *   test can check what crossed the library and when: writes with their bytes,
 *   purges with their queues, reads with the count returned.
 *
 * Not thread-safe: the tests drive it from one thread.
 */

#include <stdint.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#define FAKE_EXPORT __declspec(dllexport)
#define FAKE_CALL __stdcall
typedef unsigned long fake_dword;
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#define FAKE_CALL
typedef unsigned int fake_dword;
#endif

typedef fake_dword fake_ulong;
typedef fake_ulong fake_status;
typedef void *fake_handle;

enum {
    FAKE_OK = 0,
    FAKE_INVALID_HANDLE = 1,
    FAKE_DEVICE_NOT_FOUND = 2,
    FAKE_DEVICE_NOT_OPENED = 3,
    FAKE_INSUFFICIENT_RESOURCES = 5,
    FAKE_INVALID_PARAMETER = 6,
    FAKE_INVALID_BAUD_RATE = 7,
};

#define FAKE_LIST_NUMBER_ONLY 0x80000000u
#define FAKE_LIST_BY_INDEX 0x40000000u
#define FAKE_BY_SERIAL_NUMBER 1u
#define FAKE_BY_DESCRIPTION 2u
#define FAKE_PURGE_RX 1u
#define FAKE_PURGE_TX 2u

#define FAKE_MAX_DEVICES 8
#define FAKE_MAX_HANDLES 64
#define FAKE_STRING_SIZE 64
#define FAKE_SERIAL_RECORD 256
#define FAKE_MAX_ARGS 4

/* ---- state -------------------------------------------------------------- */

typedef struct {
    unsigned char *data;
    size_t size;
    size_t capacity;
} fake_bytes;

typedef struct {
    unsigned char serial[FAKE_STRING_SIZE];
    size_t serial_len;
    unsigned char description[FAKE_STRING_SIZE];
    size_t description_len;
    int open_handle; /* index into handles, -1 when closed */
    fake_bytes rx;
    fake_bytes tx;
} fake_device;

typedef struct {
    int device; /* -1 once closed */
} fake_handle_slot;

enum {
    FN_LIST_DEVICES,
    FN_OPEN_EX,
    FN_CLOSE,
    FN_GET_QUEUE_STATUS,
    FN_READ,
    FN_WRITE,
    FN_SET_BAUD_RATE,
    FN_SET_DATA_CHARACTERISTICS,
    FN_PURGE,
    FN_COUNT
};

static const char *const function_names[FN_COUNT] = {
    "FT_ListDevices", "FT_OpenEx",      "FT_Close",
    "FT_GetQueueStatus", "FT_Read",     "FT_Write",
    "FT_SetBaudRate", "FT_SetDataCharacteristics", "FT_Purge",
};

typedef struct {
    unsigned calls;
    unsigned long long args[FAKE_MAX_ARGS];
    int fail_pending;
    fake_status fail_status;
} fake_call_record;

static fake_device devices[FAKE_MAX_DEVICES];
static size_t device_count;
static fake_handle_slot handles[FAKE_MAX_HANDLES];
static size_t handles_used;
static fake_call_record records[FN_COUNT];
static int read_limit_pending;
static size_t read_limit;
static unsigned char last_open_arg[FAKE_SERIAL_RECORD];
static size_t last_open_arg_len;
static fake_bytes journal;
static long long now_ms;

/* ---- helpers ------------------------------------------------------------ */

static int function_id(const char *name)
{
    int i;
    if (!name)
        return -1;
    for (i = 0; i < FN_COUNT; ++i)
        if (strcmp(name, function_names[i]) == 0)
            return i;
    return -1;
}

static unsigned long long pointer_value(const void *p)
{
    return (unsigned long long)(uintptr_t)p;
}

/* Counts the call, keeps its arguments and answers with an injected failure
 * if one is pending (returns 1 then, with *status set). */
static int enter(int fn, unsigned long long a0, unsigned long long a1, unsigned long long a2,
                 unsigned long long a3, fake_status *status)
{
    fake_call_record *r = &records[fn];
    r->calls++;
    r->args[0] = a0;
    r->args[1] = a1;
    r->args[2] = a2;
    r->args[3] = a3;
    if (r->fail_pending) {
        r->fail_pending = 0;
        *status = r->fail_status;
        return 1;
    }
    return 0;
}

/* The device behind an open handle, or NULL for a closed or unknown one. */
static fake_device *device_of(fake_handle h)
{
    const uintptr_t base = (uintptr_t)&handles[0];
    const uintptr_t p = (uintptr_t)h;
    size_t slot;
    if (p < base || (p - base) % sizeof(fake_handle_slot) != 0)
        return NULL;
    slot = (size_t)((p - base) / sizeof(fake_handle_slot));
    if (slot >= handles_used || handles[slot].device < 0)
        return NULL;
    return &devices[handles[slot].device];
}

static int bytes_append(fake_bytes *b, const void *data, size_t n)
{
    if (n == 0)
        return 1;
    if (b->size + n > b->capacity) {
        size_t capacity = b->capacity ? b->capacity : 256;
        unsigned char *grown;
        while (capacity < b->size + n)
            capacity *= 2;
        grown = (unsigned char *)realloc(b->data, capacity);
        if (!grown)
            return 0;
        b->data = grown;
        b->capacity = capacity;
    }
    memcpy(b->data + b->size, data, n);
    b->size += n;
    return 1;
}

static void bytes_free(fake_bytes *b)
{
    free(b->data);
    b->data = NULL;
    b->size = b->capacity = 0;
}

/* Appends one journal line: "@<ms> <name> <details>", and " !<status>" for
 * a call that failed. */
static void journal_add(const char *name, const char *details, fake_status status)
{
    char line[160];
    int n = snprintf(line, sizeof line, "@%lld %s%s%s", now_ms, name, details[0] ? " " : "", details);
    if (n < 0)
        return;
    if ((size_t)n >= sizeof line)
        n = (int)sizeof line - 1;
    if (status != FAKE_OK) {
        const int m = snprintf(line + n, sizeof line - (size_t)n, " !%lu", (unsigned long)status);
        if (m > 0)
            n = (size_t)(n + m) >= sizeof line ? (int)sizeof line - 1 : n + m;
    }
    bytes_append(&journal, line, (size_t)n);
    bytes_append(&journal, "\n", 1);
}

/* A write's bytes for the journal, as upper-case hexadecimal pairs; long
 * writes end in "..." after the first 64 bytes. */
static void journal_write(const void *data, fake_dword n, fake_status status)
{
    static const char digits[] = "0123456789ABCDEF";
    char details[140];
    size_t i, k = 0;
    const unsigned char *b = (const unsigned char *)data;
    for (i = 0; b && i < n && i < 64; ++i) {
        details[k++] = digits[b[i] >> 4];
        details[k++] = digits[b[i] & 15];
    }
    if (b && n > 64) {
        memcpy(details + k, "...", 3);
        k += 3;
    }
    details[k] = 0;
    journal_add("FT_Write", details, status);
}

static fake_device *device_at(int index)
{
    if (index < 0 || (size_t)index >= device_count)
        return NULL;
    return &devices[index];
}

/* ---- the library's functions -------------------------------------------- */

static fake_status FT_ListDevices_impl(void *pArg1, void *pArg2, fake_dword Flags)
{
    fake_status status;
    if (enter(FN_LIST_DEVICES, pointer_value(pArg1), pointer_value(pArg2), Flags, 0, &status))
        return status;

    if (Flags & FAKE_LIST_NUMBER_ONLY) {
        if (!pArg1)
            return FAKE_INVALID_PARAMETER;
        *(fake_dword *)pArg1 = (fake_dword)device_count;
        return FAKE_OK;
    }
    if (Flags & FAKE_LIST_BY_INDEX) {
        const fake_dword index = (fake_dword)(uintptr_t)pArg1;
        const fake_dword what = Flags & ~FAKE_LIST_BY_INDEX;
        const fake_device *d;
        const unsigned char *text;
        size_t len;
        if (!pArg2 || (what != FAKE_BY_SERIAL_NUMBER && what != FAKE_BY_DESCRIPTION))
            return FAKE_INVALID_PARAMETER;
        if (index >= device_count)
            return FAKE_DEVICE_NOT_FOUND;
        d = &devices[index];
        text = what == FAKE_BY_SERIAL_NUMBER ? d->serial : d->description;
        len = what == FAKE_BY_SERIAL_NUMBER ? d->serial_len : d->description_len;
        /* Up to 64 bytes, with a terminating zero only when there is room. */
        memcpy(pArg2, text, len);
        if (len < FAKE_STRING_SIZE)
            ((unsigned char *)pArg2)[len] = 0;
        return FAKE_OK;
    }
    return FAKE_INVALID_PARAMETER;
}

FAKE_EXPORT fake_status FAKE_CALL FT_ListDevices(void *pArg1, void *pArg2, fake_dword Flags)
{
    const fake_status status = FT_ListDevices_impl(pArg1, pArg2, Flags);
    journal_add("FT_ListDevices", "", status);
    return status;
}

static fake_status FT_OpenEx_impl(void *pArg1, fake_dword Flags, fake_handle *pHandle)
{
    fake_status status;
    size_t i;

    last_open_arg_len = 0;
    if (pArg1) {
        const unsigned char *s = (const unsigned char *)pArg1;
        while (last_open_arg_len < FAKE_SERIAL_RECORD) {
            last_open_arg[last_open_arg_len] = s[last_open_arg_len];
            if (s[last_open_arg_len++] == 0)
                break;
        }
    }
    if (enter(FN_OPEN_EX, pointer_value(pArg1), Flags, pointer_value(pHandle), 0, &status))
        return status;

    if (!pArg1 || !pHandle || (Flags != FAKE_BY_SERIAL_NUMBER && Flags != FAKE_BY_DESCRIPTION))
        return FAKE_INVALID_PARAMETER;
    *pHandle = NULL;
    for (i = 0; i < device_count; ++i) {
        fake_device *d = &devices[i];
        const unsigned char *text = Flags == FAKE_BY_SERIAL_NUMBER ? d->serial : d->description;
        const size_t len = Flags == FAKE_BY_SERIAL_NUMBER ? d->serial_len : d->description_len;
        if (strlen((const char *)pArg1) != len || memcmp(pArg1, text, len) != 0)
            continue;
        if (d->open_handle >= 0)
            return FAKE_DEVICE_NOT_OPENED; /* already open elsewhere */
        if (handles_used == FAKE_MAX_HANDLES)
            return FAKE_INSUFFICIENT_RESOURCES;
        handles[handles_used].device = (int)i;
        d->open_handle = (int)handles_used;
        *pHandle = &handles[handles_used];
        handles_used++;
        return FAKE_OK;
    }
    return FAKE_DEVICE_NOT_FOUND;
}

FAKE_EXPORT fake_status FAKE_CALL FT_OpenEx(void *pArg1, fake_dword Flags, fake_handle *pHandle)
{
    const fake_status status = FT_OpenEx_impl(pArg1, Flags, pHandle);
    char serial[80];
    const size_t n = last_open_arg_len < sizeof serial - 1 ? last_open_arg_len : sizeof serial - 1;
    memcpy(serial, last_open_arg, n);
    serial[n] = 0;
    journal_add("FT_OpenEx", serial, status);
    return status;
}

static fake_status FT_Close_impl(fake_handle ftHandle)
{
    fake_status status;
    fake_device *d;
    if (enter(FN_CLOSE, pointer_value(ftHandle), 0, 0, 0, &status))
        return status;
    d = device_of(ftHandle);
    if (!d)
        return FAKE_INVALID_HANDLE;
    handles[d->open_handle].device = -1;
    d->open_handle = -1;
    return FAKE_OK;
}

FAKE_EXPORT fake_status FAKE_CALL FT_Close(fake_handle ftHandle)
{
    const fake_status status = FT_Close_impl(ftHandle);
    journal_add("FT_Close", "", status);
    return status;
}

static fake_status FT_GetQueueStatus_impl(fake_handle ftHandle, fake_dword *dwRxBytes)
{
    fake_status status;
    fake_device *d;
    if (enter(FN_GET_QUEUE_STATUS, pointer_value(ftHandle), pointer_value(dwRxBytes), 0, 0,
              &status))
        return status;
    d = device_of(ftHandle);
    if (!d)
        return FAKE_INVALID_HANDLE;
    if (!dwRxBytes)
        return FAKE_INVALID_PARAMETER;
    *dwRxBytes = (fake_dword)d->rx.size;
    return FAKE_OK;
}

FAKE_EXPORT fake_status FAKE_CALL FT_GetQueueStatus(fake_handle ftHandle, fake_dword *dwRxBytes)
{
    const fake_status status = FT_GetQueueStatus_impl(ftHandle, dwRxBytes);
    char details[24];
    snprintf(details, sizeof details, "%lu", status == FAKE_OK && dwRxBytes ? (unsigned long)*dwRxBytes : 0ul);
    journal_add("FT_GetQueueStatus", details, status);
    return status;
}

static fake_status FT_Read_impl(fake_handle ftHandle, void *lpBuffer,
                                          fake_dword dwBytesToRead, fake_dword *lpBytesReturned)
{
    fake_status status;
    fake_device *d;
    size_t n;
    if (enter(FN_READ, pointer_value(ftHandle), pointer_value(lpBuffer), dwBytesToRead,
              pointer_value(lpBytesReturned), &status))
        return status;
    d = device_of(ftHandle);
    if (!d)
        return FAKE_INVALID_HANDLE;
    if (!lpBytesReturned || (!lpBuffer && dwBytesToRead > 0))
        return FAKE_INVALID_PARAMETER;
    n = d->rx.size < dwBytesToRead ? d->rx.size : dwBytesToRead;
    if (read_limit_pending) {
        read_limit_pending = 0;
        if (n > read_limit)
            n = read_limit;
    }
    if (n > 0) {
        memcpy(lpBuffer, d->rx.data, n);
        memmove(d->rx.data, d->rx.data + n, d->rx.size - n);
        d->rx.size -= n;
    }
    *lpBytesReturned = (fake_dword)n;
    return FAKE_OK;
}

FAKE_EXPORT fake_status FAKE_CALL FT_Read(fake_handle ftHandle, void *lpBuffer, fake_dword dwBytesToRead, fake_dword *lpBytesReturned)
{
    const fake_status status = FT_Read_impl(ftHandle, lpBuffer, dwBytesToRead, lpBytesReturned);
    char details[24];
    snprintf(details, sizeof details, "%lu", status == FAKE_OK && lpBytesReturned ? (unsigned long)*lpBytesReturned : 0ul);
    journal_add("FT_Read", details, status);
    return status;
}

static fake_status FT_Write_impl(fake_handle ftHandle, void *lpBuffer,
                                           fake_dword dwBytesToWrite, fake_dword *lpBytesWritten)
{
    fake_status status;
    fake_device *d;
    if (enter(FN_WRITE, pointer_value(ftHandle), pointer_value(lpBuffer), dwBytesToWrite,
              pointer_value(lpBytesWritten), &status))
        return status;
    d = device_of(ftHandle);
    if (!d)
        return FAKE_INVALID_HANDLE;
    if (!lpBytesWritten || (!lpBuffer && dwBytesToWrite > 0))
        return FAKE_INVALID_PARAMETER;
    if (!bytes_append(&d->tx, lpBuffer, dwBytesToWrite))
        return FAKE_INSUFFICIENT_RESOURCES;
    *lpBytesWritten = dwBytesToWrite;
    return FAKE_OK;
}

FAKE_EXPORT fake_status FAKE_CALL FT_Write(fake_handle ftHandle, void *lpBuffer, fake_dword dwBytesToWrite, fake_dword *lpBytesWritten)
{
    const fake_status status = FT_Write_impl(ftHandle, lpBuffer, dwBytesToWrite, lpBytesWritten);
    journal_write(lpBuffer, dwBytesToWrite, status);
    return status;
}

static fake_status FT_SetBaudRate_impl(fake_handle ftHandle, fake_ulong dwBaudRate)
{
    fake_status status;
    if (enter(FN_SET_BAUD_RATE, pointer_value(ftHandle), dwBaudRate, 0, 0, &status))
        return status;
    if (!device_of(ftHandle))
        return FAKE_INVALID_HANDLE;
    if (dwBaudRate < 183 || dwBaudRate > 3000000)
        return FAKE_INVALID_BAUD_RATE;
    return FAKE_OK;
}

FAKE_EXPORT fake_status FAKE_CALL FT_SetBaudRate(fake_handle ftHandle, fake_ulong dwBaudRate)
{
    const fake_status status = FT_SetBaudRate_impl(ftHandle, dwBaudRate);
    char details[24];
    snprintf(details, sizeof details, "%lu", (unsigned long)dwBaudRate);
    journal_add("FT_SetBaudRate", details, status);
    return status;
}

static fake_status FT_SetDataCharacteristics_impl(fake_handle ftHandle,
                                                            unsigned char uWordLength,
                                                            unsigned char uStopBits,
                                                            unsigned char uParity)
{
    fake_status status;
    if (enter(FN_SET_DATA_CHARACTERISTICS, pointer_value(ftHandle), uWordLength, uStopBits,
              uParity, &status))
        return status;
    if (!device_of(ftHandle))
        return FAKE_INVALID_HANDLE;
    if ((uWordLength != 7 && uWordLength != 8) || (uStopBits != 0 && uStopBits != 2)
        || uParity > 4)
        return FAKE_INVALID_PARAMETER;
    return FAKE_OK;
}

FAKE_EXPORT fake_status FAKE_CALL FT_SetDataCharacteristics(fake_handle ftHandle, unsigned char uWordLength, unsigned char uStopBits, unsigned char uParity)
{
    const fake_status status = FT_SetDataCharacteristics_impl(ftHandle, uWordLength, uStopBits, uParity);
    char details[24];
    snprintf(details, sizeof details, "%u %u %u", uWordLength, uStopBits, uParity);
    journal_add("FT_SetDataCharacteristics", details, status);
    return status;
}

static fake_status FT_Purge_impl(fake_handle ftHandle, fake_ulong Mask)
{
    fake_status status;
    fake_device *d;
    if (enter(FN_PURGE, pointer_value(ftHandle), Mask, 0, 0, &status))
        return status;
    d = device_of(ftHandle);
    if (!d)
        return FAKE_INVALID_HANDLE;
    if (Mask & FAKE_PURGE_RX)
        d->rx.size = 0;
    /* Writes reach the device at once: a TX purge finds nothing to discard,
     * and the record of what was written stays. */
    return FAKE_OK;
}

FAKE_EXPORT fake_status FAKE_CALL FT_Purge(fake_handle ftHandle, fake_ulong Mask)
{
    const fake_status status = FT_Purge_impl(ftHandle, Mask);
    journal_add("FT_Purge", (Mask & 3) == 3 ? "RX TX" : (Mask & 1) ? "RX" : (Mask & 2) ? "TX" : "", status);
    return status;
}

/* ---- control functions for the tests ------------------------------------ */

/* Forgets every device, handle, byte, record and pending failure. */
FAKE_EXPORT void fake_ftd2xx_reset(void)
{
    size_t i;
    for (i = 0; i < FAKE_MAX_DEVICES; ++i) {
        bytes_free(&devices[i].rx);
        bytes_free(&devices[i].tx);
    }
    memset(devices, 0, sizeof devices);
    device_count = 0;
    memset(handles, 0, sizeof handles);
    handles_used = 0;
    memset(records, 0, sizeof records);
    read_limit_pending = 0;
    read_limit = 0;
    memset(last_open_arg, 0, sizeof last_open_arg);
    last_open_arg_len = 0;
    bytes_free(&journal);
    now_ms = 0;
}

/* Adds a device; the strings are taken as exactly serial_len and
 * description_len bytes (at most 64 each). Returns its index, or -1 if the
 * lengths are too long or the table is full. */
FAKE_EXPORT int fake_ftd2xx_add_device(const char *serial, const char *description,
                                       size_t serial_len, size_t description_len)
{
    fake_device *d;
    if (device_count == FAKE_MAX_DEVICES || serial_len > FAKE_STRING_SIZE
        || description_len > FAKE_STRING_SIZE || (serial_len && !serial)
        || (description_len && !description))
        return -1;
    d = &devices[device_count];
    memset(d, 0, sizeof *d);
    if (serial_len)
        memcpy(d->serial, serial, serial_len);
    d->serial_len = serial_len;
    if (description_len)
        memcpy(d->description, description, description_len);
    d->description_len = description_len;
    d->open_handle = -1;
    return (int)device_count++;
}

/* Queues bytes for the device's RX side. Returns 0 on success, -1 otherwise. */
FAKE_EXPORT int fake_ftd2xx_push_rx(int device, const void *bytes, size_t n)
{
    fake_device *d = device_at(device);
    if (!d || (n && !bytes))
        return -1;
    return bytes_append(&d->rx, bytes, n) ? 0 : -1;
}

/* Bytes still waiting in the device's RX queue. */
FAKE_EXPORT size_t fake_ftd2xx_rx_pending(int device)
{
    fake_device *d = device_at(device);
    return d ? d->rx.size : 0;
}

/* Copies up to capacity bytes of everything written to the device since the
 * last take (or purge), clears the record and returns its full size. */
FAKE_EXPORT size_t fake_ftd2xx_take_tx(int device, void *out, size_t capacity)
{
    fake_device *d = device_at(device);
    size_t size;
    if (!d)
        return 0;
    size = d->tx.size;
    if (out && capacity && size)
        memcpy(out, d->tx.data, size < capacity ? size : capacity);
    d->tx.size = 0;
    return size;
}

/* Makes the next successful FT_Read return at most max bytes, as a read that
 * timed out before the rest arrived; the rest stays queued. */
FAKE_EXPORT void fake_ftd2xx_limit_next_read(size_t max)
{
    read_limit_pending = 1;
    read_limit = max;
}

/* The handle the device is open under, or NULL when it is closed. */
FAKE_EXPORT void *fake_ftd2xx_device_handle(int device)
{
    fake_device *d = device_at(device);
    if (!d || d->open_handle < 0)
        return NULL;
    return &handles[d->open_handle];
}

/* Makes the next call of the named function ("FT_Write", ...) return status
 * without doing anything (its arguments are still recorded). Returns 0, or -1
 * for an unknown name. */
FAKE_EXPORT int fake_ftd2xx_fail_next(const char *function, unsigned int status)
{
    const int fn = function_id(function);
    if (fn < 0)
        return -1;
    records[fn].fail_pending = 1;
    records[fn].fail_status = (fake_status)status;
    return 0;
}

/* How often the named function was called since the last reset; 0 for an
 * unknown name. */
FAKE_EXPORT unsigned int fake_ftd2xx_call_count(const char *function)
{
    const int fn = function_id(function);
    return fn < 0 ? 0 : records[fn].calls;
}

/* Argument `position` (0-based, in prototype order) of the named function's
 * last call: integers as their value, pointers as their address.
 * ~0 for an unknown name or position. */
FAKE_EXPORT unsigned long long fake_ftd2xx_last_arg(const char *function, int position)
{
    const int fn = function_id(function);
    if (fn < 0 || position < 0 || position >= FAKE_MAX_ARGS)
        return ~0ull;
    return records[fn].args[position];
}

/* The bytes the last FT_OpenEx found at its first argument, up to and
 * including the first zero byte (at most 256). Copies up to capacity of them
 * to out and returns how many there were. */
FAKE_EXPORT size_t fake_ftd2xx_last_open_arg(void *out, size_t capacity)
{
    if (out && capacity && last_open_arg_len)
        memcpy(out, last_open_arg, last_open_arg_len < capacity ? last_open_arg_len : capacity);
    return last_open_arg_len;
}

/* Sets the time that stamps the journal's lines, in milliseconds. */
FAKE_EXPORT void fake_ftd2xx_set_time(long long ms)
{
    now_ms = ms;
}

/* Copies up to capacity bytes of the journal (lines ended by \n, no zero
 * byte) to out and returns its full size. */
FAKE_EXPORT size_t fake_ftd2xx_journal(char *out, size_t capacity)
{
    if (out && capacity && journal.size)
        memcpy(out, journal.data, journal.size < capacity ? journal.size : capacity);
    return journal.size;
}
