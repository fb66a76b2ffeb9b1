// Writing a whole file through a temporary file and a rename.
#include "host/core/AtomicWrite.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int err) { return std::strerror(err); }

// The file a chain of symbolic links ends at (path itself when it is no link, or names nothing yet); a
// relative link target counts from the link's folder. 0, or the system's reason (ELOOP past 40 links).
int FollowLinks(std::string path, std::string& out) {
    constexpr int kMaxLinks = 40;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return 0;
        }
        std::string to(static_cast<size_t>(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n < 0) return errno;
        to.resize(static_cast<size_t>(n));
        if (!to.empty() && to[0] != '/') {
            const size_t slash = path.find_last_of('/');
            if (slash != std::string::npos) to = path.substr(0, slash + 1) + to;
        }
        path = std::move(to);
    }
    return ELOOP;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         bool createFolders) {
    std::string quoted = "\"" + path + "\"";
    std::string target;
    if (const int err = FollowLinks(path, target)) {
        error = "cannot follow the link " + quoted + ": " + Reason(err);
        return false;
    }
    if (target != path) quoted += " (a link to \"" + target + "\")";
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    if (createFolders) {
        std::error_code ec; // a folder that cannot be made fails the temporary file's creation below
        std::filesystem::create_directories(folder, ec);
    }
    struct stat existing{};
    const bool exists = ::stat(target.c_str(), &existing) == 0;

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a temporary file next to " + quoted + ": " + Reason(errno);
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    int err = ::fchmod(fd, exists ? (existing.st_mode & 07777) : 0644) != 0 ? errno : 0;
    errno = 0;
    if (!err && !WriteAll(fd, bytes)) err = errno ? errno : EIO;
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (err) {
        ::unlink(temp.c_str());
        error = "cannot write " + quoted + ": " + Reason(err);
        return false;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        ::unlink(temp.c_str());
        error = "cannot replace " + quoted + ": " + Reason(err);
        return false;
    }
    // The rename itself reaches the disk with the folder's entry.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
