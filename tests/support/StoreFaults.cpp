#include "StoreFaults.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

struct Capabilities {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
};

Capabilities ThreadCapabilities() {
    Capabilities caps;
    if (syscall(SYS_capget, &caps.header, caps.data) != 0)
        throw std::runtime_error("capget failed");
    return caps;
}

void SetEffective(Capabilities caps, const unsigned (&effective)[2]) {
    caps.data[0].effective = effective[0];
    caps.data[1].effective = effective[1];
    if (syscall(SYS_capset, &caps.header, caps.data) != 0)
        throw std::runtime_error("capset failed");
}

void Clear(unsigned (&set)[2], int capability) {
    set[capability / 32] &= ~(1u << (capability % 32));
}

}  // namespace

UserPermissions::UserPermissions() {
    const Capabilities caps = ThreadCapabilities();
    effective_[0] = caps.data[0].effective;
    effective_[1] = caps.data[1].effective;
    unsigned lowered[2] = {effective_[0], effective_[1]};
    Clear(lowered, CAP_DAC_OVERRIDE);
    Clear(lowered, CAP_DAC_READ_SEARCH);
    Clear(lowered, CAP_FOWNER);
    SetEffective(caps, lowered);
}

UserPermissions::~UserPermissions() {
    SetEffective(ThreadCapabilities(), effective_);
}

ScopedMode::ScopedMode(std::string path, unsigned mode) : path_(std::move(path)) {
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0 || chmod(path_.c_str(), mode) != 0)
        throw std::runtime_error("cannot change the mode of " + path_);
    previous_ = st.st_mode & 07777;
}

ScopedMode::~ScopedMode() {
    chmod(path_.c_str(), previous_);
}

FileSizeLimit::FileSizeLimit(off_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw std::runtime_error("setrlimit failed");
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(previous_);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler_);
}

off_t FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

RowRange DamageMiddlePageOf(const std::string& path, const std::string& table) {
    struct Leaf {
        std::int64_t page;
        int cells;
    };
    std::vector<Leaf> leaves;
    std::int64_t pageSize = 0;
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db,
                       "SELECT pageno, ncell, pgsize FROM dbstat WHERE name = ?1 "
                       "AND pagetype = 'leaf' ORDER BY path",
                       -1, &query, nullptr);
    sqlite3_bind_text(query, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(query) == SQLITE_ROW) {
        leaves.push_back({sqlite3_column_int64(query, 0), sqlite3_column_int(query, 1)});
        pageSize = sqlite3_column_int64(query, 2);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    if (leaves.size() < 3)
        throw std::runtime_error("too few pages in " + table + " to damage one in the middle");

    const std::size_t middle = leaves.size() / 2;
    RowRange rows{0, leaves[middle].cells};
    for (std::size_t i = 0; i < middle; ++i)
        rows.first += leaves[i].cells;
    std::string bytes = ReadBytes(path);
    const auto start = static_cast<std::size_t>((leaves[middle].page - 1) * pageSize);
    for (std::size_t i = start; i < start + static_cast<std::size_t>(pageSize); ++i)
        bytes[i] = static_cast<char>(0xA5 ^ (i * 31));
    WriteBytes(path, bytes);
    return rows;
}

std::vector<std::string> CookieAddresses(int count) {
    std::vector<std::string> addresses;
    for (int i = 0; i < count; ++i) {
        addresses.push_back("Cookie:user@host" + std::to_string(i) + ".example/" +
                            std::string(200, static_cast<char>('a' + i % 26)));
    }
    return addresses;
}

void RemoveStoreFiles(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);
}

std::string Elsewhere(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string first;
    const auto keepFirst = [](void* out, int, char** values, char**) {
        auto& text = *static_cast<std::string*>(out);
        if (text.empty() && values[0])
            text = values[0];
        return 0;
    };
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), keepFirst, &first, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db) << " in " << sql;
    sqlite3_close(db);
    return first;
}
