// orvalla-stores as a user runs it: its cache and history commands, its
// arguments and its sample set, against a temporary data directory.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QProcess>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "RunTool.h"
#include "TempDataDir.h"

namespace {

class OrvallaStores : public ::testing::Test {
protected:
    // A failure is one line on stderr, nothing on stdout, and a non-zero exit.
    static void ExpectRejected(const std::vector<std::string>& args) {
        const ToolResult result = RunTool(args);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }

    TempDataDir dataDir;
};

TEST_F(OrvallaStores, HelpNamesEveryCommandAndBadArgumentsAreRejectedWithOneLine) {
    const ToolResult result = RunTool({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* name :
         {"add-cache ADDRESS", "list-cache", "delete-cache ADDRESS...", "delete-history URL...",
          "clear-history", "sample", "--type", "--hits"}) {
        EXPECT_NE(result.out.find(name), std::string::npos) << name;
    }

    ExpectRejected({});
    ExpectRejected({"no-such-command"});
    ExpectRejected({"add-cache"});
    ExpectRejected({"add-cache", "http://a/", "http://b/"});
    ExpectRejected({"add-cache", "http://a/", "--type", "biscuit"});
    ExpectRejected({"add-cache", "http://a/", "--hits"});
    ExpectRejected({"add-cache", "http://a/", "--hits", "4294967296"});
    ExpectRejected({"add-cache", "http://a/", "--hits", "-1"});
    ExpectRejected({"add-cache", "http://a/", "--modified", "2026-02-29T00:00:00Z"});
    ExpectRejected({"add-cache", "http://a/", "--expires", "2026-01-02 03:04:05"});
    ExpectRejected({"add-cache", "http://a/", "--expires", "ft:18446744073709551616"});
    ExpectRejected({"add-cache", "http://a/", "--colour", "red"});
    ExpectRejected({"list-cache", "extra"});
    ExpectRejected({"delete-cache"});
    ExpectRejected({"add-history"});
    ExpectRejected({"add-history", "http://a/", "--visited", "yesterday"});
    ExpectRejected({"add-history", "http://a/", "--title"});
    ExpectRejected({"list-history", "extra"});
    ExpectRejected({"clear-history", "extra"});
    ExpectRejected({"delete-history"});
    ExpectRejected({"delete-history", ""});
    // Nothing was written by any of them.
    EXPECT_TRUE(RunTool({"list-cache"}).out.empty());
    EXPECT_TRUE(RunTool({"list-history"}).out.empty());
}

TEST_F(OrvallaStores, AddedEntriesAreListedInOrder) {
    ASSERT_EQ(RunTool({"add-cache", "Cookie:user@host.example/path/", "--hits", "4294967295",
                       "--modified", "2026-01-02T03:04:05Z", "--expires", "ft:0"})
                  .exitCode,
              0);
    ASSERT_EQ(RunTool({"add-cache", "http://host.example/a.png", "--modified=ft:116444736000000000",
                       "--expires", "2107-12-31T23:59:58Z"})
                  .exitCode,
              0);
    ASSERT_EQ(RunTool({"add-cache", "--type", "history", "--", "--odd-address"}).exitCode, 0);

    const ToolResult result = RunTool({"list-cache"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    EXPECT_EQ(lines[0],
              "cookie hits=4294967295 modified=2026-01-02T03:04:05Z "
              "expires=1601-01-01T00:00:00Z Cookie:user@host.example/path/");
    EXPECT_EQ(lines[1],
              "normal hits=0 modified=1970-01-01T00:00:00Z expires=2107-12-31T23:59:58Z "
              "http://host.example/a.png");
    EXPECT_EQ(lines[2].substr(0, 8), "history ");
    EXPECT_EQ(lines[2].substr(lines[2].size() - 14), " --odd-address");
}

// A terminal escape must not reach the terminal, nor a line end split an
// entry; the escapes still tell every byte, and delete-cache reads them.
TEST_F(OrvallaStores, ListingsEscapeControlCharacters) {
    const std::string odd = "http://a.example/\x1b[2J\n\r\t\\x41\x7f\xC2\x9B\xC3\xA9";
    const std::string escaped = R"(http://a.example/\x1b[2J\n\r\t\\x41\x7f\xc2\x9bé)";
    ASSERT_EQ(RunTool({"add-cache", odd, "--modified", "ft:0", "--expires", "ft:0"}).exitCode, 0);
    ASSERT_EQ(RunTool({"add-history", odd, "--title", odd, "--visited", "ft:0"}).exitCode, 0);
    EXPECT_EQ(RunTool({"list-cache"}).out,
              "normal hits=0 modified=1601-01-01T00:00:00Z "
              "expires=1601-01-01T00:00:00Z " +
                  escaped + "\n");
    const std::string history = RunTool({"list-history"}).out;
    EXPECT_EQ(history.substr(history.find("Z source=")),
              "Z source=orvalla " + escaped + " title=" + escaped + "\n");
    // An address is taken back as printed.
    EXPECT_EQ(RunTool({"delete-cache", escaped}).exitCode, 0);
    EXPECT_EQ(RunTool({"list-cache"}).out, "");
}

// Every address is tried; each that matches nothing is one error line,
// escaped as the listings are.
TEST_F(OrvallaStores, DeleteCacheRemovesTheEntriesAndNamesEachUnknownAddress) {
    for (const char* address : {"Cookie:a@x.example/", "http://x.example/", "Cookie:b@x.example/"})
        ASSERT_EQ(RunTool({"add-cache", address}).exitCode, 0);
    const ToolResult result =
        RunTool({"delete-cache", "Cookie:a@x.example/", "http://\x1b[2J.example/", "gone\nagain",
                 "Cookie:b@x.example/"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "orvalla-stores: delete-cache: http://\\x1b[2J.example/: no entry has this address\n"
              "orvalla-stores: delete-cache: gone\\nagain: no entry has this address\n");
    const auto lines = Lines(RunTool({"list-cache"}).out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].rfind(' ')), " http://x.example/");
}

TEST_F(OrvallaStores, SampleFillsBothStoresAndClearHistoryEmptiesTheHistory) {
    const ToolResult sample = RunTool({"sample"});
    ASSERT_EQ(sample.exitCode, 0) << sample.err;
    const auto lines = Lines(RunTool({"list-cache"}).out);
    int cookies = 0;
    int others = 0;
    bool farExpiry = false;
    bool topBitHits = false;
    for (const std::string& line : lines) {
        (line.rfind("cookie ", 0) == 0 ? cookies : others)++;
        farExpiry |= line.find("expires=2200-") != std::string::npos;
        topBitHits |= line.find("hits=3000000000") != std::string::npos;
    }
    EXPECT_GE(cookies, 4);
    EXPECT_GE(others, 3);
    EXPECT_TRUE(farExpiry);
    EXPECT_TRUE(topBitHits);

    const std::string history = RunTool({"list-history"}).out;
    for (const char* part : {"http://", "https://", "file://", "Caf\xC3\xA9 Z\xC3\xBCrich"})
        EXPECT_NE(history.find(part), std::string::npos) << part;

    // Running it again replaces the same entries.
    ASSERT_EQ(RunTool({"sample"}).exitCode, 0);
    EXPECT_EQ(Lines(RunTool({"list-cache"}).out), lines);
    const ToolResult cleared = RunTool({"clear-history"});
    EXPECT_EQ(cleared.exitCode, 0) << cleared.err;
    EXPECT_TRUE(RunTool({"list-history"}).out.empty());
}

// Pages of any scheme go; each address no history holds is one line, and
// the others are deleted all the same. Each line names its source.
TEST_F(OrvallaStores, DeleteHistoryRemovesThePagesAndLinesNameTheirSource) {
    ASSERT_EQ(RunTool({"sample"}).exitCode, 0);
    const ToolResult result =
        RunTool({"delete-history", "https://secure.example.com/login", "http://gone\x1b.example/",
                 "file:///home/alice/Documents/notes.html",
                 "https://news.example.org/world/europe/story.html"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "orvalla-stores: delete-history: \"http://gone\\x1b.example/\" is in no history\n");
    const auto lines = Lines(RunTool({"list-history"}).out);
    EXPECT_EQ(lines.size(), 6u);
    for (const std::string& line : lines)
        EXPECT_NE(line.find("Z source=orvalla http://"), std::string::npos) << line;
}

TEST_F(OrvallaStores, AddedPagesAreListedWithTheirTimesAndTitles) {
    ASSERT_EQ(
        RunTool({"add-history", "http://a.example/", "--title", "Caf\xC3\xA9", "--visited",
                 "2026-01-02T03:04:05Z", "--updated", "ft:0", "--expires", "2026-02-01T00:00:00Z"})
            .exitCode,
        0);
    ASSERT_EQ(RunTool({"add-history", "https://b.example/"}).exitCode, 0);
    // Adding a page again updates it in its place.
    ASSERT_EQ(RunTool({"add-history", "http://a.example/", "--title", "Again", "--visited",
                       "2026-03-04T05:06:07Z"})
                  .exitCode,
              0);
    const std::vector<std::string> lines = Lines(RunTool({"list-history"}).out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("visited=2026-03-04T05:06:07Z"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("http://a.example/"), std::string::npos);
    EXPECT_NE(lines[0].find("title=Again"), std::string::npos);
    EXPECT_NE(lines[1].find("https://b.example/"), std::string::npos);
}

TEST_F(OrvallaStores, StoreFailureIsOneLineNamingTheStore) {
    std::filesystem::create_directories(dataDir.StoreDir());
    std::ofstream(dataDir.StoreDir() + "/urlcache.sqlite") << "not a database";
    ExpectRejected({"list-cache"});
    ExpectRejected({"add-cache", "http://a/"});
    const ToolResult result = RunTool({"list-cache"});
    EXPECT_NE(result.err.find("URL cache"), std::string::npos) << result.err;
}

// A GNOME Web whose session bus is stopped may be running: its history is
// listed at once and kept, and the refusal says why.
TEST_F(OrvallaStores, AStoppedSessionBusLeavesGnomeWebAlone) {
    const QString folder = QString::fromStdString(dataDir.Path() + "/epiphany");
    ASSERT_TRUE(QDir().mkpath(folder));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder + "/ephy-history.db").toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE urls (id INTEGER PRIMARY KEY, url, title, visit_count, "
                           "last_visit_time); INSERT INTO urls VALUES (1, 'http://a.example/', "
                           "'A', 1, 1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    QProcess bus;  // killed with the object
    bus.start("dbus-daemon",
              {"--config-file=" ORVALLA_TEST_BUS_CONFIG, "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted(10000)) << "dbus-daemon did not start";
    while (!bus.canReadLine() && bus.waitForReadyRead(10000)) {
    }
    const QByteArray address = bus.readLine().trimmed();
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon gave no address within 10 s";
    ::kill(static_cast<pid_t>(bus.processId()), SIGSTOP);
    const ScopedEnv busAddress("DBUS_SESSION_BUS_ADDRESS", address.constData());

    const ToolResult listed = RunTool({"list-history"}, 20000);
    EXPECT_EQ(listed.exitCode, 0) << "list-history did not end within 20 s";
    EXPECT_NE(listed.out.find("http://a.example/"), std::string::npos);
    const ToolResult cleared = RunTool({"clear-history"}, 20000);
    EXPECT_EQ(cleared.exitCode, 1) << cleared.err;
    EXPECT_EQ(cleared.err,
              "orvalla-stores: clear-history: cannot tell whether GNOME Web (default) is "
              "running: the session bus did not answer in 2 s\n");
    EXPECT_NE(RunTool({"list-history"}, 20000).out.find("http://a.example/"), std::string::npos);
}

}  // namespace
