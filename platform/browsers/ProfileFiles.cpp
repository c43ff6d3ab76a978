#include "browsers/ProfileFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "store/Database.h"

namespace browsers {
namespace {

// Bookmarks, the largest file read whole, is a few MiB with tens of
// thousands of bookmarks. The bound only has to keep a link to /dev/zero or
// a runaway file from taking the memory, which parsing it multiplies.
constexpr std::size_t kSettingsLimitMiB = 64;
constexpr std::string_view kCopyPrefix = "orvalla-copy-";

// A descriptor closed with the object; -1 while nothing is open.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
};

[[noreturn]] void Fail(DWORD code, std::string_view who, const std::string& path,
                       const std::string& what) {
    throw store::StoreError{code, std::string(who) + ": \"" + path + "\" " + what};
}

[[noreturn]] void FailWithErrno(std::string_view who, const std::string& path, const char* what) {
    const int error = errno;
    Fail(error == EACCES || error == EPERM ? ERROR_ACCESS_DENIED
         : error == ENOSPC                 ? ERROR_DISK_FULL
                                           : ERROR_READ_FAULT,
         who, path, std::string(what) + " (" + std::strerror(error) + ")");
}

[[noreturn]] void FailTooLarge(std::string_view who, const std::string& path) {
    Fail(ERROR_FILE_INVALID, who, path,
         "is larger than " + std::to_string(kSettingsLimitMiB) + " MiB");
}

// Opens the regular file at `path` for reading into `file`, which stays -1
// when nothing is there. The stat keeps a device from being opened at all
// (some act on open); O_NONBLOCK keeps a FIFO put there meanwhile from
// blocking, and fstat then refuses it.
void OpenRegular(const std::string& path, std::string_view who, Descriptor& file,
                 struct stat& status) {
    if (stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        FailWithErrno(who, path, "cannot be opened");
    }
    if (S_ISREG(status.st_mode)) {
        file.fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (file.fd < 0 || fstat(file.fd, &status) != 0)
            FailWithErrno(who, path, "cannot be opened");
    }
    if (!S_ISREG(status.st_mode))
        Fail(ERROR_FILE_INVALID, who, path, "is not a regular file");
}

// At most the size fstat gave at open, so that a file growing meanwhile
// cannot keep the loop going. sendfile copies across file systems, which
// copy_file_range refuses on some kernels. False when there is no file.
bool CopyFile(const std::string& source, const std::string& target, std::string_view who) {
    struct stat status {};
    Descriptor from;
    OpenRegular(source, who, from, status);
    if (from.fd < 0)
        return false;
    const Descriptor to{open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (to.fd < 0)
        FailWithErrno(who, source, "cannot be copied to be read");
    for (off_t left = status.st_size; left > 0;) {
        const ssize_t sent = sendfile(to.fd, from.fd, nullptr, left);
        if (sent < 0 && errno != EINTR)
            FailWithErrno(who, source, "cannot be copied to be read");
        if (sent == 0)
            break;
        left -= std::max<ssize_t>(sent, 0);
    }
    return true;
}

std::string TempFolder() {
    const char* const dir = std::getenv("TMPDIR");
    return dir && *dir == '/' ? dir : "/tmp";
}

// Removes the folder `name` of `parent` with the files in it, following no
// link. A folder of another user is left alone.
void RemoveFolder(int parent, const char* name) {
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status {};
    DIR* const entries =
        fd >= 0 && fstat(fd, &status) == 0 && status.st_uid == geteuid() ? fdopendir(fd) : nullptr;
    if (!entries) {
        const Descriptor closed{fd};
        return;
    }
    while (const dirent* entry = readdir(entries))
        unlinkat(fd, entry->d_name, 0);  // "." and ".." are folders, which this skips
    closedir(entries);
    unlinkat(parent, name, AT_REMOVEDIR);
}

// A folder's name carries the PID of the process that made it; one whose
// process is gone (ESRCH) is a leftover of a run that was killed. A PID in
// use again keeps its leftover until that process ends too.
void RemoveCopiesOfEndedRuns() {
    DIR* const temp = opendir(TempFolder().c_str());
    if (!temp)
        return;
    while (const dirent* entry = readdir(temp)) {
        const std::string_view name = entry->d_name;
        pid_t pid = 0;
        const char* const digits = name.data() + std::min(name.size(), kCopyPrefix.size());
        const auto [end, error] = std::from_chars(digits, name.data() + name.size(), pid);
        struct stat status {};
        if (name.starts_with(kCopyPrefix) && error == std::errc() && pid > 0 &&
            std::strlen(end) == 7 && *end == '-' && kill(pid, 0) != 0 && errno == ESRCH &&
            fstatat(dirfd(temp), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(status.st_mode) && status.st_uid == geteuid())
            RemoveFolder(dirfd(temp), entry->d_name);
    }
    closedir(temp);
}

}  // namespace

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::optional<std::string> ReadSettingsFile(const std::string& path, std::string_view who) {
    constexpr std::size_t kLimit = kSettingsLimitMiB << 20;
    struct stat status {};
    Descriptor file;
    OpenRegular(path, who, file, status);
    if (file.fd < 0)
        return std::nullopt;
    // The bytes read are counted too: the file may grow meanwhile.
    std::string text(std::min<std::size_t>(status.st_size, kLimit) + 1, '\0');
    std::size_t size = 0;
    for (ssize_t got = 1; got != 0 && size < text.size();) {
        got = read(file.fd, text.data() + size, text.size() - size);
        if (got < 0 && errno != EINTR)
            FailWithErrno(who, path, "cannot be read");
        size += std::max<ssize_t>(got, 0);
        if (size == text.size() && size <= kLimit)
            text.resize(std::min(2 * size, kLimit + 1));
    }
    if (size > kLimit)
        FailTooLarge(who, path);
    text.resize(size);
    return text;
}

bool OpenSettingsFile(const std::string& path, std::string_view who, QFile& file) {
    struct stat status {};
    Descriptor opened;
    OpenRegular(path, who, opened, status);
    if (opened.fd < 0)
        return false;
    if (static_cast<std::uint64_t>(status.st_size) > kSettingsLimitMiB << 20)
        FailTooLarge(who, path);
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        Fail(ERROR_READ_FAULT, who, path, "cannot be opened");
    opened.fd = -1;  // the file's now
    return true;
}

// Closing this descriptor drops every POSIX lock the process holds on the
// file; it never holds one on a lock file of a browser.
std::optional<bool> HoldsWriteLock(const std::string& path) {
    try {
        struct stat status {};
        Descriptor file;
        OpenRegular(path, {}, file, status);
        if (file.fd < 0)
            return false;
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        if (fcntl(file.fd, F_GETLK, &probe) != 0)
            return std::nullopt;
        return probe.l_type != F_UNLCK;
    } catch (const store::StoreError&) {
        return std::nullopt;
    }
}

// Files are told by device and inode, so that any path or link to them
// counts. Processes of other users, and those that end or close their
// folders meanwhile, are nothing to this user's browsers.
std::optional<bool> OpenInAnotherProcess(const std::vector<std::string>& paths) {
    // Far beyond what a desktop session holds, so that a runaway count of
    // processes or descriptors answers "cannot tell" rather than late.
    constexpr int kLookLimit = 1'000'000;
    std::vector<std::pair<dev_t, ino_t>> files;
    for (const std::string& path : paths) {
        struct stat status {};
        if (stat(path.c_str(), &status) == 0)
            files.emplace_back(status.st_dev, status.st_ino);
    }
    if (files.empty())
        return false;
    DIR* const processes = opendir("/proc");
    if (!processes)
        return std::nullopt;
    const uid_t user = getuid();
    const std::string self = std::to_string(getpid());
    int looked = 0;
    bool held = false;
    while (const dirent* process = readdir(processes)) {
        struct stat status {};
        const char* const name = process->d_name;
        if (held || ++looked > kLookLimit)
            break;
        if (*name < '1' || *name > '9' || name == self ||
            fstatat(dirfd(processes), name, &status, 0) != 0 || status.st_uid != user)
            continue;
        const int fdFolder = openat(dirfd(processes), (std::string(name) + "/fd").c_str(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* const descriptors = fdFolder >= 0 ? fdopendir(fdFolder) : nullptr;
        if (!descriptors) {
            const Descriptor closed{fdFolder};
            continue;
        }
        while (const dirent* fd = readdir(descriptors)) {
            if (++looked > kLookLimit)
                break;
            // Attributes as the kernel holds them: asking a network or FUSE
            // file system afresh could wait without bound on a hung server.
            struct statx file {};
            if (*fd->d_name != '.' &&
                statx(fdFolder, fd->d_name, AT_STATX_DONT_SYNC, STATX_INO, &file) == 0 &&
                std::find(files.begin(), files.end(),
                          std::pair(makedev(file.stx_dev_major, file.stx_dev_minor),
                                    static_cast<ino_t>(file.stx_ino))) != files.end()) {
                held = true;
                break;
            }
        }
        closedir(descriptors);
    }
    closedir(processes);
    if (held)
        return true;
    return looked > kLookLimit ? std::nullopt : std::optional<bool>(false);
}

bool LiesInside(const std::string& path, const std::string& folder) {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::canonical(path, error);
    const std::filesystem::path root =
        error ? std::filesystem::path() : std::filesystem::canonical(folder, error);
    const auto [inRoot, inFile] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    return !error && inRoot == root.end() && inFile != file.end();
}

// The journal goes first, then the database, then the WAL: a change caught
// halfway in the database copy then has its old pages in the journal copy,
// and a checkpoint caught halfway has all its frames in the WAL copy.
PrivateCopy::PrivateCopy(const std::string& path, std::string_view who) {
    RemoveLeftoverCopies();
    std::string folder =
        TempFolder() + "/" + std::string(kCopyPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(folder.data()))
        FailWithErrno(who, path, "cannot be copied to be read");
    folder_ = folder;
    path_ = folder_ + "/store";
    try {
        CopyFile(path + "-journal", path_ + "-journal", who);
        if (!CopyFile(path, path_, who))
            Fail(ERROR_FILE_NOT_FOUND, who, path, "cannot be copied to be read: it is gone");
        CopyFile(path + "-wal", path_ + "-wal", who);
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

void RemoveLeftoverCopies() {
    static std::once_flag once;
    std::call_once(once, RemoveCopiesOfEndedRuns);
}

}  // namespace browsers
