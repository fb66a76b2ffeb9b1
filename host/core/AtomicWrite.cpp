// Writing a whole file through a temporary file and a rename, which POSIX makes
// atomic within one folder.
#include "host/core/AtomicWrite.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The file a path finally names: links followed one at a time (a relative
// target from the link's folder), so that a dangling link names the file to
// create.
bool FinalTarget(fs::path& path, std::string& error) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) return true;
        fs::path next = fs::read_symlink(path, ec);
        if (ec) {
            error = path.string() + ": " + ec.message();
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    error = path.string() + ": too many levels of symbolic links";
    return false;
}

std::string Failure(const std::string& what, const fs::path& path, int err) {
    return what + " " + path.string() + ": " + std::strerror(err);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const fs::path& path, std::string_view bytes, std::string& error) {
    fs::path target = path;
    if (!FinalTarget(target, error)) return false;
    fs::path folder = target.parent_path();
    std::error_code ec;
    if (!folder.empty()) fs::create_directories(folder,
                                                ec); // a folder that cannot be made fails the open

    struct stat existing {};
    bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error = "cannot write " + target.string() + ": not a regular file";
        return false;
    }

    // A name no other writer uses: the process id and a counter, created
    // exclusively.
    static std::atomic<unsigned> counter{0};
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                         std::to_string(counter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = Failure("cannot create a temporary file beside", target, errno);
        return false;
    }
    int err = 0;
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) err = errno;
    errno = 0;
    if (!err && !WriteAll(fd, bytes)) err = errno ? errno : EIO;
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(temp.c_str());
        error = Failure("cannot write", target, err);
        return false;
    }
    // The rename itself reaches the disk with the folder's entry.
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
