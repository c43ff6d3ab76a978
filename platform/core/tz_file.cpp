#include "tz_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tz {

namespace {

constexpr std::size_t kHeaderSize = 44;

class Bytes {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

    bool Has(std::size_t count) const { return bytes_.size() - at_ >= count; }
    std::size_t At() const { return at_; }
    void Skip(std::size_t count) { at_ += count; }
    std::string_view Rest() const { return bytes_.substr(at_); }

    std::uint64_t Unsigned(int size) {
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes_[at_++]);
        return value;
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(bytes_[at_++]); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

struct Counts {
    std::uint64_t utIndicators, standardIndicators, leaps, changes, types, characters;

    std::size_t DataSize(std::size_t timeSize) const {
        return changes * timeSize + changes + types * 6 + characters + leaps * (timeSize + 4) +
               standardIndicators + utIndicators;
    }
};

std::optional<Counts> ReadHeader(Bytes& in, char& version) {
    if (!in.Has(kHeaderSize) || in.Rest().substr(0, 4) != "TZif")
        return std::nullopt;
    in.Skip(4);
    version = static_cast<char>(in.Byte());
    in.Skip(15);
    Counts counts{};
    counts.utIndicators = in.Unsigned(4);
    counts.standardIndicators = in.Unsigned(4);
    counts.leaps = in.Unsigned(4);
    counts.changes = in.Unsigned(4);
    counts.types = in.Unsigned(4);
    counts.characters = in.Unsigned(4);
    // Far beyond any real zone; keeps the sizes below from overflowing.
    constexpr std::uint64_t kLargest = 1 << 20;
    if (counts.utIndicators > kLargest || counts.standardIndicators > kLargest ||
        counts.leaps > kLargest || counts.changes > kLargest || counts.types > 256 ||
        counts.characters > kLargest)
        return std::nullopt;
    return counts;
}

}  // namespace

std::optional<ZoneTable> ParseZoneTable(std::string_view bytes) {
    Bytes in(bytes);
    char version = 0;
    const std::optional<Counts> first = ReadHeader(in, version);
    if (!first || version < '2' || !in.Has(first->DataSize(4)))
        return std::nullopt;
    in.Skip(first->DataSize(4));

    const std::optional<Counts> counts = ReadHeader(in, version);
    if (!counts || counts->leaps != 0 || counts->types == 0 || !in.Has(counts->DataSize(8)))
        return std::nullopt;

    ZoneTable table;
    table.changes.reserve(counts->changes);
    for (std::uint64_t i = 0; i < counts->changes; ++i) {
        const auto change = static_cast<std::int64_t>(in.Unsigned(8));
        if (!table.changes.empty() && change <= table.changes.back())
            return std::nullopt;
        table.changes.push_back(change);
    }
    std::vector<std::uint8_t> typeOfChange(counts->changes);
    for (std::uint8_t& type : typeOfChange) {
        type = in.Byte();
        if (type >= counts->types)
            return std::nullopt;
    }
    std::vector<std::int32_t> offsetOfType(counts->types);
    for (std::int32_t& offset : offsetOfType) {
        offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.Unsigned(4)));
        in.Skip(2);  // daylight flag, designation
    }
    for (std::uint8_t type : typeOfChange)
        table.offsetsFrom.push_back(offsetOfType[type]);
    in.Skip(counts->characters + counts->standardIndicators + counts->utIndicators);

    // "\n" rule "\n"; an empty rule leaves the time after the table open.
    const std::string_view rest = in.Rest();
    if (rest.size() < 2 || rest.front() != '\n')
        return std::nullopt;
    const std::size_t close = rest.find('\n', 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    table.footer = std::string(rest.substr(1, close - 1));
    return table;
}

namespace {

FileIdentity IdentityOfStat(const struct stat& info) {
    FileIdentity identity;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modified = info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec;
    identity.changed = info.st_ctim.tv_sec * 1'000'000'000LL + info.st_ctim.tv_nsec;
    return identity;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return IdentityOfStat(info);
}

std::optional<ZoneFile> ReadZoneFile(const std::string& path) {
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    // Zone files are a few kilobytes; anything far larger is not one.
    constexpr off_t kLargest = 1 << 22;
    if (info.st_size > kLargest)
        return std::nullopt;
    ZoneFile zone;
    zone.identity = IdentityOfStat(info);
    zone.bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < zone.bytes.size()) {
        const ssize_t count = read(file.Get(), zone.bytes.data() + got, zone.bytes.size() - got);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return std::nullopt;
        got += static_cast<std::size_t>(count);
    }
    return zone;
}

}  // namespace tz
