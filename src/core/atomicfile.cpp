// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/atomicfile.h"

#include "core/errors.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kt90 {

namespace {

[[noreturn]] void fail(int err) { throw Error(std::strerror(err)); }

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A target that is a symbolic link is written where the link points.
std::string resolved(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char real[PATH_MAX];
        if (realpath(path.c_str(), real))
            return real;
    }
    return path;
}

// "<name>.tmp-<pid>-<n>" files of the target whose writer no longer runs.
void removeLeftovers(const std::string& path)
{
    const std::string prefix = fileNameOf(path) + ".tmp-";
    DIR* dir = opendir(directoryOf(path).c_str());
    if (!dir)
        return;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == getpid())
            continue;
        if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            unlinkat(dirfd(dir), name.c_str(), 0);
    }
    closedir(dir);
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace

void WriteFileAtomically(const std::string& wanted, const void* data, std::size_t size)
{
    const std::string path = resolved(wanted);
    static std::atomic<unsigned> counter{0};
    std::string temp;
    Fd out;
    for (int attempt = 0; out.fd < 0; ++attempt) {
        temp = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        // 0666 before the umask, as for any new file; an existing target's
        // permissions are kept below.
        out.fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out.fd < 0 && (errno != EEXIST || attempt > 100))
            fail(errno);
    }
    auto abandon = [&](int err) {
        unlink(temp.c_str());
        fail(err);
    };
    struct stat old;
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        fchmod(out.fd, old.st_mode & 07777);

    const char* p = static_cast<const char*>(data);
    for (std::size_t left = size; left > 0;) {
        const ssize_t n = write(out.fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            abandon(n < 0 ? errno : EIO);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (fsync(out.fd) != 0)
        abandon(errno);
    const int fd = out.fd;
    out.fd = -1;
    if (close(fd) != 0)
        abandon(errno);
    if (rename(temp.c_str(), path.c_str()) != 0)
        abandon(errno);
    // The rename itself reaches the disk with the directory.
    Fd dir;
    dir.fd = open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0)
        fsync(dir.fd);
    removeLeftovers(path);
}

} // namespace kt90
