#include "fuzz/fuzzsupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/zipcontract.h"

namespace tovo::fuzz {
namespace {

void removeScratch() { RemoveTree(ScratchDir()); }

void touch(const char *text, std::size_t length)
{
    volatile unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i)
        sum = sum + static_cast<unsigned char>(text[i]);
}

void touchName(const char *name)
{
    if (name)
        touch(name, std::strlen(name));
}

} // namespace

TargetRegistration::TargetRegistration(const char *name, TargetFunction function)
{
    Targets().push_back({name, function});
}

std::vector<Target> &Targets()
{
    static std::vector<Target> targets;
    return targets;
}

const std::string &ScratchDir()
{
    static const std::string dir = [] {
        const char *base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tovo-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    static const bool registered = std::atexit(removeScratch) == 0;
    (void)registered;
    return dir;
}

void WriteWholeFile(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            std::abort();
        done += std::size_t(n);
    }
    ::close(fd);
}

std::string ReadWholeFile(const std::string &path)
{
    std::string out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, std::size_t(n));
    ::close(fd);
    return out;
}

void RemoveTree(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(path.c_str());
        return;
    }
    ::chmod(path.c_str(), 0700);
    if (DIR *dir = ::opendir(path.c_str())) {
        while (const dirent *e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                RemoveTree(path + "/" + e->d_name);
        }
        ::closedir(dir);
    }
    ::rmdir(path.c_str());
}

int ReadingCallback(int message, void *data, void *)
{
    switch (message) {
    case TOVO_ZIP_MSG_TESTING:
    case TOVO_ZIP_MSG_EXTRACTING:
    case TOVO_ZIP_MSG_LISTING:
    case TOVO_ZIP_MSG_STATS:
    case TOVO_ZIP_MSG_UPDATING:
    case TOVO_ZIP_MSG_ADDING:
    case TOVO_ZIP_MSG_STATUS: {
        const auto *s = static_cast<const TovoZipFileStatsData *>(data);
        touchName(s->fileName);
        if (s->comment)
            touch(s->comment, s->commentLength);
        break;
    }
    case TOVO_ZIP_MSG_DELETING:
    case TOVO_ZIP_MSG_FIXING:
        touchName(static_cast<const char *>(data));
        break;
    case TOVO_ZIP_MSG_SKIPPING:
        touchName(static_cast<const TovoZipSkippingData *>(data)->fileName);
        break;
    case TOVO_ZIP_MSG_REPLACE: {
        auto *r = static_cast<TovoZipReplaceData *>(data);
        touchName(r->fileName);
        r->action = 0;
        break;
    }
    case TOVO_ZIP_MSG_PASSWORD: {
        auto *p = static_cast<TovoZipPasswordData *>(data);
        touchName(p->fileName);
        if (p->password && p->passwordSize > 0)
            p->password[0] = '\0';
        p->action = 0;
        break;
    }
    case TOVO_ZIP_MSG_COMMENT_STORE: {
        const auto *c = static_cast<const TovoZipCommentStoreData *>(data);
        touch(c->text, ::strnlen(c->text, c->length));
        break;
    }
    case TOVO_ZIP_MSG_FILE_COMMENT:
        static_cast<TovoZipFileCommentData *>(data)->commentLength = 0;
        break;
    case TOVO_ZIP_MSG_COMMENT_FETCH: {
        auto *f = static_cast<TovoZipCommentFetchData *>(data);
        f->length = 0;
        f->filled = 1;
        break;
    }
    case TOVO_ZIP_MSG_RENAME: {
        auto *r = static_cast<TovoZipRenameData *>(data);
        if (r->newName && r->newNameSize > 0)
            r->newName[0] = '\0';
        break;
    }
    default:
        break;
    }
    return 0;
}

void PropertyFailed(const char *what)
{
    std::fprintf(stderr, "tovo-fuzz: property failed: %s\n", what);
    std::abort();
}

} // namespace tovo::fuzz
