#include "browsers/ProfileFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "store/Database.h"

namespace browsers {
namespace {

// Bookmarks, the largest file read whole, is a few MiB with tens of
// thousands of bookmarks. The bound only has to keep a link to /dev/zero or
// a runaway file from taking the memory, which parsing it multiplies.
constexpr std::size_t kSettingsLimitMiB = 64;
constexpr std::string_view kCopyPrefix = "orvalla-copy-";

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor& operator=(Descriptor&&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

[[noreturn]] void Fail(DWORD code, std::string_view who, const std::string& path,
                       const std::string& what) {
    throw store::StoreError{code, std::string(who) + ": \"" + path + "\" " + what};
}

[[noreturn]] void FailWith(int error, std::string_view who, const std::string& path,
                           const char* what) {
    const DWORD code = error == EACCES || error == EPERM ? ERROR_ACCESS_DENIED
                       : error == ENOENT                 ? ERROR_FILE_NOT_FOUND
                       : error == ENOSPC                 ? ERROR_DISK_FULL
                                                         : ERROR_READ_FAULT;
    Fail(code, who, path, std::string(what) + ": " + std::generic_category().message(error));
}

// The regular file at `path` opened for reading, -1 when nothing is there.
// The stat keeps a device from being opened at all (some act on open);
// O_NONBLOCK keeps a FIFO put there meanwhile from blocking, and fstat then
// refuses it.
Descriptor OpenRegular(const std::string& path, std::string_view who, struct stat& status) {
    int fd = -1;
    if (stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) {
        fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
            return Descriptor(-1);
        if (fd < 0 || fstat(fd, &status) != 0) {
            const int error = errno;
            Descriptor closed(fd);
            FailWith(error, who, path, "cannot be opened");
        }
    }
    Descriptor file(fd);
    if (!S_ISREG(status.st_mode))
        Fail(ERROR_FILE_INVALID, who, path, "is not a regular file");
    return file;
}

// At most the size fstat gave at open: a file that keeps growing while it is
// copied must not keep the loop going. One that shrank is copied as it is.
// sendfile copies in the kernel across file systems, which copy_file_range
// refuses on some kernels. False when there is no file to copy.
bool CopyFile(const std::string& source, const std::string& target, std::string_view who) {
    struct stat status;
    const Descriptor from = OpenRegular(source, who, status);
    unlink(target.c_str());
    if (from.get() < 0)
        return false;
    const Descriptor to(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (to.get() < 0)
        FailWith(errno, who, source, "cannot be copied to be read");
    for (off_t left = status.st_size; left > 0;) {
        const ssize_t sent = sendfile(to.get(), from.get(), nullptr, left);
        if (sent < 0 && errno != EINTR)
            FailWith(errno, who, source, "cannot be copied to be read");
        if (sent == 0)
            break;
        left -= std::max<ssize_t>(sent, 0);
    }
    return true;
}

// What every commit changes: in rollback mode the journal and the
// database's change counter (bytes 24 to 27), in WAL mode the WAL, whose
// salts and header checksum (bytes 16 to 31) change when it starts afresh.
// The counter catches a commit within one clock tick of the last, which the
// times miss.
std::vector<std::int64_t> StateOf(const std::string& path, std::string_view who) {
    std::vector<std::int64_t> state;
    for (const char* suffix : {"-journal", "", "-wal"}) {
        struct stat status {};
        const Descriptor file = OpenRegular(path + suffix, who, status);
        std::int64_t header[2] = {};
        if (file.get() >= 0 && pread(file.get(), header, sizeof header, 16) < 0)
            FailWith(errno, who, path + suffix, "cannot be read");
        state.insert(state.end(), {file.get() >= 0, std::int64_t(status.st_ino), status.st_size,
                                   status.st_mtim.tv_sec, status.st_mtim.tv_nsec,
                                   status.st_ctim.tv_nsec, header[0], header[1]});
    }
    return state;
}

std::string TempFolder() {
    const char* const dir = std::getenv("TMPDIR");
    return dir && *dir == '/' ? dir : "/tmp";
}

// Removes the folder `name` of `parent` and the entries in it, following no
// link: a link is removed itself, and a folder in it (none is ever made
// there) keeps it. A folder of another user is left alone.
void RemoveFolder(int parent, const char* name) {
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status;
    DIR* entries = nullptr;
    if (fd < 0 || fstat(fd, &status) != 0 || status.st_uid != geteuid() ||
        !(entries = fdopendir(fd))) {
        Descriptor closed(fd);
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            unlinkat(fd, entry->d_name, 0);
    }
    closedir(entries);
    unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace

bool IsRegularFile(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::optional<std::string> ReadSettingsFile(const std::string& path, std::string_view who) {
    constexpr std::size_t kLimit = kSettingsLimitMiB << 20;
    const std::string tooLarge = "is larger than " + std::to_string(kSettingsLimitMiB) + " MiB";
    struct stat status;
    const Descriptor file = OpenRegular(path, who, status);
    if (file.get() < 0)
        return std::nullopt;
    // Checked again on the bytes read: the file may grow meanwhile.
    if (static_cast<std::uintmax_t>(status.st_size) > kLimit)
        Fail(ERROR_FILE_INVALID, who, path, tooLarge);
    std::string text;
    text.reserve(static_cast<std::size_t>(status.st_size));
    std::string chunk(std::size_t{1} << 16, '\0');
    for (ssize_t got; (got = read(file.get(), chunk.data(), chunk.size())) != 0;) {
        if (got < 0 && errno != EINTR)
            FailWith(errno, who, path, "cannot be read");
        if (got > 0 && text.size() + static_cast<std::size_t>(got) > kLimit)
            Fail(ERROR_FILE_INVALID, who, path, tooLarge);
        text.append(chunk.data(), static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    return text;
}

// Closing this descriptor drops every POSIX lock the process holds on the
// file; it never holds one on a lock file of a browser.
bool HoldsWriteLock(const std::string& path) {
    try {
        struct stat status;
        const Descriptor file = OpenRegular(path, {}, status);
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        return file.get() >= 0 && fcntl(file.get(), F_GETLK, &probe) == 0 &&
               probe.l_type != F_UNLCK;
    } catch (const store::StoreError&) {
        return false;
    }
}

// A hard link is the same file as one elsewhere, which a change would reach
// as surely as through a symbolic link. Folders always have several links.
bool LiesInside(const std::string& path, const std::string& folder) {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::canonical(path, error);
    const std::filesystem::path root =
        error ? std::filesystem::path() : std::filesystem::canonical(folder, error);
    struct stat status;
    if (error || stat(file.c_str(), &status) != 0 ||
        (S_ISREG(status.st_mode) && status.st_nlink > 1))
        return false;
    const auto [inRoot, inFile] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    return inRoot == root.end() && inFile != file.end();
}

// The journal goes first, then the database, then the WAL: a change caught
// halfway in the database copy then has its old pages in the journal copy,
// and a checkpoint caught halfway has all its frames in the WAL copy. A
// transaction begun between two copies, or a WAL begun afresh, would still
// tear the copy, so the files are copied again while a writer changes them;
// the last of a few tries is read as it is.
PrivateCopy::PrivateCopy(const std::string& path, std::string_view who) {
    static std::once_flag leftovers;
    std::call_once(leftovers, RemoveLeftoverCopies);
    std::string folder =
        TempFolder() + "/" + std::string(kCopyPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(folder.data()))
        FailWith(errno, who, path, "cannot be copied to be read");
    folder_ = folder;
    path_ = folder_ + "/store";
    try {
        for (int tries = 3; tries > 0; --tries) {
            const std::vector<std::int64_t> before = StateOf(path, who);
            CopyFile(path + "-journal", path_ + "-journal", who);
            if (!CopyFile(path, path_, who))
                FailWith(ENOENT, who, path, "cannot be copied to be read");
            CopyFile(path + "-wal", path_ + "-wal", who);
            if (StateOf(path, who) == before)
                break;
        }
    } catch (...) {
        Unlink();
        throw;
    }
}

PrivateCopy::~PrivateCopy() {
    Unlink();
}

void PrivateCopy::Unlink() {
    if (!folder_.empty())
        RemoveFolder(AT_FDCWD, folder_.c_str());
    folder_.clear();
}

// A folder's name carries the PID of the process that made it; one whose
// process is gone (ESRCH) is a leftover of a run that was killed. A PID in
// use again keeps its leftover until that process ends too.
void RemoveLeftoverCopies() {
    DIR* const temp = opendir(TempFolder().c_str());
    if (!temp)
        return;
    while (const dirent* entry = readdir(temp)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(kCopyPrefix))
            continue;
        pid_t pid = 0;
        const char* const digits = name.data() + kCopyPrefix.size();
        const auto [end, error] = std::from_chars(digits, name.data() + name.size(), pid);
        struct stat status;
        if (error == std::errc() && pid > 0 && std::strlen(end) == 7 && *end == '-' &&
            kill(pid, 0) != 0 && errno == ESRCH &&
            fstatat(dirfd(temp), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(status.st_mode) && status.st_uid == geteuid())
            RemoveFolder(dirfd(temp), entry->d_name);
    }
    closedir(temp);
}

}  // namespace browsers
