// Real read faults for the tests, loaded with LD_PRELOAD: reads of one file
// that touch a byte range fail, come back zeroed, fail once, or never return.
//
//   TARVOK_FAULT_FILE   the file, by the end of its path ("VTS_01_1.VOB")
//   TARVOK_FAULT_FROM   the first byte of the range
//   TARVOK_FAULT_TO     the byte after it
//   TARVOK_FAULT        eio | zero | once | block
//   TARVOK_FAULT_MARK   a file made when a read starts blocking
//   TARVOK_FAULT_DELAY_MS  milliseconds each failing read takes, as a drive's retries do
//   TARVOK_FAULT_COUNT  a file that grows by a byte at each failing read
//
// Without TARVOK_FAULT_FILE every call goes straight through.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

enum { kMostFds = 4096 };
static atomic_bool watched[kMostFds];
static atomic_bool failedOnce;

static int Watches(const char* path)
{
    const char* file = getenv("TARVOK_FAULT_FILE");
    if (!file || !*file || !path) return 0;
    const size_t length = strlen(path), end = strlen(file);
    return length >= end && strcmp(path + length - end, file) == 0;
}

static int Opened(int fd, const char* path)
{
    if (fd >= 0 && fd < kMostFds) atomic_store(&watched[fd], Watches(path));
    return fd;
}

#define REAL(name) static __typeof__(&name) real = 0; if (!real) real = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

int open(const char* path, int flags, ...)
{
    REAL(open);
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    return Opened(real(path, flags, mode), path);
}

// The same on a 64-bit system, where files are large anyway.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int openat(int folder, const char* path, int flags, ...)
{
    REAL(openat);
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    return Opened(real(folder, path, flags, mode), path);
}

int close(int fd)
{
    REAL(close);
    if (fd >= 0 && fd < kMostFds) atomic_store(&watched[fd], 0);
    return real(fd);
}

// What a read of `count` bytes at `offset` meets: 0 nothing; else the fault.
static const char* Fault(int fd, off_t offset, size_t count)
{
    if (fd < 0 || fd >= kMostFds || !atomic_load(&watched[fd])) return 0;
    const char* from = getenv("TARVOK_FAULT_FROM");
    const char* to = getenv("TARVOK_FAULT_TO");
    const char* fault = getenv("TARVOK_FAULT");
    if (!from || !to || !fault) return 0;
    const long long first = atoll(from), end = atoll(to);
    return offset < end && offset + (off_t)count > first ? fault : 0;
}

// A failing read: it takes its time, and is counted.
static void Failing(void)
{
    const char* delay = getenv("TARVOK_FAULT_DELAY_MS");
    if (delay && *delay) {
        const long ms = atol(delay);
        const struct timespec wait = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&wait, 0);
    }
    const char* count = getenv("TARVOK_FAULT_COUNT");
    if (count && *count) {
        const int fd = open(count, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            if (write(fd, "x", 1) != 1) {}  // a count that cannot grow shows as too few
            close(fd);
        }
    }
}

// Reads through `read`, as the fault says.
static ssize_t Faulty(int fd, void* buffer, size_t count, off_t offset, ssize_t (*read)(int, void*, size_t, off_t))
{
    const char* fault = Fault(fd, offset, count);
    if (fault && strcmp(fault, "block") == 0) {
        const char* mark = getenv("TARVOK_FAULT_MARK");
        if (mark && *mark) close(open(mark, O_WRONLY | O_CREAT, 0644));
        for (;;) pause();  // a drive that never answers; signals do not end it
    }
    if (fault && (strcmp(fault, "eio") == 0 || (strcmp(fault, "once") == 0 && !atomic_exchange(&failedOnce, 1)))) {
        Failing();
        errno = EIO;
        return -1;
    }
    const ssize_t got = read(fd, buffer, count, offset);
    if (got > 0 && fault && strcmp(fault, "zero") == 0) {
        const long long first = atoll(getenv("TARVOK_FAULT_FROM")), end = atoll(getenv("TARVOK_FAULT_TO"));
        for (ssize_t i = 0; i < got; ++i)
            if (offset + i >= first && offset + i < end) ((char*)buffer)[i] = 0;
    }
    return got;
}

static ssize_t PlainRead(int fd, void* buffer, size_t count, off_t offset)
{
    (void)offset;
    REAL(read);
    return real(fd, buffer, count);
}

static ssize_t PositionedRead(int fd, void* buffer, size_t count, off_t offset)
{
    REAL(pread);
    return real(fd, buffer, count, offset);
}

ssize_t read(int fd, void* buffer, size_t count)
{
    const off_t offset = fd >= 0 && fd < kMostFds && atomic_load(&watched[fd]) ? lseek(fd, 0, SEEK_CUR) : 0;
    return Faulty(fd, buffer, count, offset, PlainRead);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    return Faulty(fd, buffer, count, offset, PositionedRead);
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset)
{
    return Faulty(fd, buffer, count, offset, PositionedRead);
}
