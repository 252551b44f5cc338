/* Preloaded into a program under test to make two file-system calls fail
 * as they do on file systems that lack them: fallocate() with
 * ORVANE_FAIL_FALLOCATE set, open() with O_TMPFILE with ORVANE_FAIL_TMPFILE
 * set, both with EOPNOTSUPP. Each failure made is noted in the file
 * ORVANE_FAULT_LOG names, so a test can tell that the path was taken. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

typedef int (*OpenFunction)(const char*, int, ...);
typedef int (*FallocateFunction)(int, int, off_t, off_t);

/* The library's own function; dlsym gives it as an object pointer, which ISO C
 * converts to a function pointer only through memory. */
static OpenFunction NextOpen(const char* name) {
    OpenFunction next;
    *(void**)&next = dlsym(RTLD_NEXT, name);
    return next;
}

static int Fail(const char* what) {
    const char* log = getenv("ORVANE_FAULT_LOG");
    if (log != NULL) {
        const OpenFunction next = NextOpen("open");
        const int fd = next(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0) {
            size_t length = 0;
            while (what[length] != '\0') ++length;
            if (write(fd, what, length) < 0) { /* the note is a courtesy */ }
            close(fd);
        }
    }
    errno = EOPNOTSUPP;
    return -1;
}

static int Open(const char* name, const char* path, int flags, va_list rest) {
    const mode_t mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    if ((flags & O_TMPFILE) == O_TMPFILE && getenv("ORVANE_FAIL_TMPFILE") != NULL) return Fail("O_TMPFILE\n");
    const OpenFunction next = NextOpen(name);
    return next(path, flags, mode);
}

int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = Open("open", path, flags, rest);
    va_end(rest);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = Open("open64", path, flags, rest);
    va_end(rest);
    return fd;
}

static int Fallocate(const char* name, int fd, int mode, off_t offset, off_t length) {
    if (getenv("ORVANE_FAIL_FALLOCATE") != NULL) return Fail("fallocate\n");
    FallocateFunction next;
    *(void**)&next = dlsym(RTLD_NEXT, name);
    return next(fd, mode, offset, length);
}

int fallocate(int fd, int mode, off_t offset, off_t length) { return Fallocate("fallocate", fd, mode, offset, length); }
int fallocate64(int fd, int mode, off_t offset, off_t length) { return Fallocate("fallocate64", fd, mode, offset, length); }
