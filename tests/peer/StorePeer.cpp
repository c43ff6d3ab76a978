// Another program that uses the stores the way a browser does: for every
// change it opens the store afresh and closes it again. Each store must hold
// a row whose url is TEMPLATE; new rows are copies of it under other
// addresses, so nothing here knows the stores' other columns.
//
// usage: store_peer STORE TEMPLATE [STORE TEMPLATE]...
//   Runs a round for each line read: in round r it adds TEMPLATE + "keep-r"
//   and TEMPLATE + "gone-r" to each store, then deletes the "gone-r" one.
//   Exits 0 when every round went through; otherwise names the round and the
//   failure on stderr.
#include <sqlite3.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A url equals a parameter only in the same storage class, and the stores
// keep theirs as text or as a blob.
std::string UrlIs(const char* param) {
    return std::string("(url = ") + param + " OR url = CAST(" + param + " AS BLOB))";
}

// One connection to a store, opened for one change.
class Store {
public:
    explicit Store(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            Fail("open " + path);
        sqlite3_busy_timeout(db_, 10'000);
        // As the stores' own connections: a commit waits for no disk.
        Run("PRAGMA synchronous=NORMAL", {}, SQLITE_DONE);
        // The table of entries is the one with a url column.
        Run("SELECT m.name, group_concat(c.name) FILTER (WHERE c.name NOT IN ('id', 'url')) "
            "FROM sqlite_schema AS m, pragma_table_info(m.name) AS c WHERE m.type = 'table' "
            "GROUP BY m.name HAVING count(*) FILTER (WHERE c.name = 'url') = 1",
            {}, SQLITE_ROW);
    }
    ~Store() { sqlite3_close(db_); }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    void Copy(const std::string& from, const std::string& to) {
        Run("INSERT INTO " + table_ + " (url, " + columns_ +
                ") SELECT CASE typeof(url) WHEN 'blob' THEN CAST(?1 AS BLOB) ELSE ?1 END, " +
                columns_ + " FROM " + table_ + " WHERE " + UrlIs("?2"),
            {to, from}, SQLITE_DONE);
    }
    void Delete(const std::string& url) {
        Run("DELETE FROM " + table_ + " WHERE " + UrlIs("?1"), {url}, SQLITE_DONE);
    }

private:
    // Runs `sql`, which must give `expected` and, when a change, change one
    // row; a row read names the table and its other columns.
    void Run(const std::string& sql, const std::vector<std::string>& params, int expected) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            Fail(sql);
        for (std::size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), params[i].c_str(), -1,
                              SQLITE_TRANSIENT);
        const int result = sqlite3_step(statement);
        if (result == SQLITE_ROW) {
            table_ = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            columns_ = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
        }
        sqlite3_finalize(statement);
        if (result != expected)
            Fail(sql);
        if (!params.empty() && sqlite3_changes(db_) != 1)
            throw std::runtime_error("not one row changed by " + sql + " for " + params[0]);
    }
    [[noreturn]] void Fail(const std::string& what) {
        throw std::runtime_error(what + ": " + sqlite3_errmsg(db_));
    }

    sqlite3* db_ = nullptr;
    std::string table_;
    std::string columns_;
};

void Round(const std::string& path, const std::string& templateUrl, int round) {
    const std::string keep = templateUrl + "keep-" + std::to_string(round);
    const std::string gone = templateUrl + "gone-" + std::to_string(round);
    Store(path).Copy(templateUrl, keep);
    Store(path).Copy(templateUrl, gone);
    Store(path).Delete(gone);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 != 1) {
        std::fprintf(stderr, "usage: %s STORE TEMPLATE [STORE TEMPLATE]...\n", argv[0]);
        return 2;
    }
    int round = 0;
    for (std::string line; std::getline(std::cin, line); ++round) {
        for (int i = 1; i + 1 < argc; i += 2) {
            try {
                Round(argv[i], argv[i + 1], round);
            } catch (const std::exception& error) {
                std::fprintf(stderr, "round %d: %s\n", round, error.what());
                return 1;
            }
        }
    }
    return 0;
}
