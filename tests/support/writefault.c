/* A write-failure shim for the tests, loaded with LD_PRELOAD: writes,
 * flushes and renames of files under one folder fail as on a full disk or a
 * failing one. Nothing changes unless TOVO_FAULT_PATH is set.
 *
 *   TOVO_FAULT_PATH=TEXT      only files whose path contains TEXT
 *   TOVO_FAULT_WRITE_AFTER=N   the first N bytes written to such files (in all,
 *                              per process) succeed; the write that crosses N is
 *                              cut short there and every later one fails
 *   TOVO_FAULT_FSYNC=1         fsync and fdatasync of such files fail
 *   TOVO_FAULT_RENAME=1        renames onto such a name fail
 *   TOVO_FAULT_ERRNO=ENOSPC|EIO  the error given (ENOSPC by default)
 *
 * Covered: write, pwrite, pwrite64, writev, pwritev, copy_file_range,
 * sendfile, fsync, fdatasync, rename, renameat, renameat2. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/uio.h>
#include <unistd.h>

static const char *faultPath(void)
{
    const char *text = getenv("TOVO_FAULT_PATH");
    return text && *text ? text : NULL;
}

static int faultErrno(void)
{
    const char *e = getenv("TOVO_FAULT_ERRNO");
    return e && strcmp(e, "EIO") == 0 ? EIO : ENOSPC;
}

static int underDir(const char *path)
{
    const char *text = faultPath();
    return text && path && strstr(path, text) != NULL;
}

static int fdUnderDir(int fd)
{
    if (!faultPath())
        return 0;
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = '\0';
    return underDir(path);
}

static int pathAtUnderDir(int dirfd, const char *path)
{
    if (!path)
        return 0;
    if (path[0] == '/' || dirfd == AT_FDCWD) {
        if (path[0] == '/')
            return underDir(path);
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd))
            return 0;
        char full[8192];
        snprintf(full, sizeof full, "%s/%s", cwd, path);
        return underDir(full);
    }
    return fdUnderDir(dirfd);
}

/* Bytes still allowed for a write of n bytes to fd; n when no limit applies.
 * Sets errno and gives -1 when nothing more may be written. */
static long long allowance(int fd, size_t n)
{
    static long long written = 0;
    const char *limit = getenv("TOVO_FAULT_WRITE_AFTER");
    if (!limit || !*limit || n == 0 || !fdUnderDir(fd))
        return (long long)n;
    const long long max = atoll(limit);
    if (written >= max) {
        errno = faultErrno();
        return -1;
    }
    long long allowed = max - written;
    if (allowed > (long long)n)
        allowed = (long long)n;
    written += allowed;
    return allowed;
}

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

ssize_t write(int fd, const void *buf, size_t n)
{
    const long long a = allowance(fd, n);
    return a < 0 ? -1 : REAL(write)(fd, buf, (size_t)a);
}

ssize_t pwrite(int fd, const void *buf, size_t n, off_t offset)
{
    const long long a = allowance(fd, n);
    return a < 0 ? -1 : REAL(pwrite)(fd, buf, (size_t)a, offset);
}

ssize_t pwrite64(int fd, const void *buf, size_t n, off64_t offset)
{
    const long long a = allowance(fd, n);
    return a < 0 ? -1 : REAL(pwrite64)(fd, buf, (size_t)a, offset);
}

static size_t iovecTotal(const struct iovec *iov, int count)
{
    size_t total = 0;
    for (int i = 0; i < count; ++i)
        total += iov[i].iov_len;
    return total;
}

/* Vectored writes are cut to their first buffers when the allowance ends
 * inside them. */
static ssize_t cutVectored(int fd, const struct iovec *iov, int count, off_t offset, int positioned)
{
    const size_t total = iovecTotal(iov, count);
    const long long a = allowance(fd, total);
    if (a < 0)
        return -1;
    if ((size_t)a == total)
        return positioned ? REAL(pwritev)(fd, iov, count, offset) : REAL(writev)(fd, iov, count);
    size_t left = (size_t)a;
    ssize_t done = 0;
    for (int i = 0; i < count && left > 0; ++i) {
        const size_t part = iov[i].iov_len < left ? iov[i].iov_len : left;
        const ssize_t w = positioned ? REAL(pwrite)(fd, iov[i].iov_base, part, offset + done)
                                     : REAL(write)(fd, iov[i].iov_base, part);
        if (w < 0)
            return done > 0 ? done : -1;
        done += w;
        left -= (size_t)w;
    }
    return done;
}

ssize_t writev(int fd, const struct iovec *iov, int count) { return cutVectored(fd, iov, count, 0, 0); }

ssize_t pwritev(int fd, const struct iovec *iov, int count, off_t offset)
{
    return cutVectored(fd, iov, count, offset, 1);
}

ssize_t copy_file_range(int in, off64_t *inOffset, int out, off64_t *outOffset, size_t n, unsigned int flags)
{
    const long long a = allowance(out, n);
    return a < 0 ? -1 : REAL(copy_file_range)(in, inOffset, out, outOffset, (size_t)a, flags);
}

ssize_t sendfile(int out, int in, off_t *offset, size_t n)
{
    const long long a = allowance(out, n);
    return a < 0 ? -1 : REAL(sendfile)(out, in, offset, (size_t)a);
}

static int syncFails(int fd)
{
    const char *f = getenv("TOVO_FAULT_FSYNC");
    if (f && strcmp(f, "1") == 0 && fdUnderDir(fd)) {
        errno = faultErrno();
        return 1;
    }
    return 0;
}

int fsync(int fd) { return syncFails(fd) ? -1 : REAL(fsync)(fd); }

int fdatasync(int fd) { return syncFails(fd) ? -1 : REAL(fdatasync)(fd); }

static int renameFails(int dirfd, const char *to)
{
    const char *f = getenv("TOVO_FAULT_RENAME");
    if (f && strcmp(f, "1") == 0 && pathAtUnderDir(dirfd, to)) {
        errno = faultErrno();
        return 1;
    }
    return 0;
}

int rename(const char *from, const char *to)
{
    return renameFails(AT_FDCWD, to) ? -1 : REAL(rename)(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    return renameFails(toDir, to) ? -1 : REAL(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned int flags)
{
    return renameFails(toDir, to) ? -1 : REAL(renameat2)(fromDir, from, toDir, to, flags);
}
