// orvalla-stores as a user runs it: its cache and history commands, its
// arguments and its sample set, against a temporary data directory.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

    // Each line as a JSON object; a line that is not one fails.
    static std::vector<QJsonObject> JsonLines(const std::string& text) {
        std::vector<QJsonObject> objects;
        for (const std::string& line : Lines(text)) {
            QJsonParseError error;
            const QJsonDocument document =
                QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
            EXPECT_TRUE(document.isObject()) << line << ": " << error.errorString().toStdString();
            objects.push_back(document.object());
        }
        return objects;
    }

    static std::string Bytes(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }

    static std::string ConfigHome() { return std::getenv("XDG_CONFIG_HOME"); }

    // A browser's SQLite file at `path`, its folders made, filled by `sql`.
    static void MakeStore(const std::string& path, const char* sql) {
        ASSERT_TRUE(std::filesystem::create_directories(std::filesystem::path(path).parent_path()));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const int made = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
        ASSERT_EQ(made, SQLITE_OK) << path;
    }

    TempDataDir dataDir;
};

TEST_F(OrvallaStores, FiltersTakeSitesAndSourcesAndJsonLinesStayValid) {
    for (const char* address :
         {"Cookie:u@example.com/", "Cookie:u@.WWW.Example.com/a/", "Cookie:u@notexample.com/",
          "Cookie:u@10.0.0.1/", "Cookie:u@1.10.0.0.1/", "http://www.example.com/x.png"})
        ASSERT_EQ(RunTool({"add-cache", address}).exitCode, 0);
    ASSERT_EQ(RunTool({"add-cache", "Cookie:u@odd.example/\x01\xff\"", "--modified", "ft:0",
                       "--expires", "ft:0"})
                  .exitCode,
              0);
    const ToolResult listed = RunTool({"list-cache", "--site", "EXAMPLE.com", "--site=10.0.0.1",
                                       "--source", "orvalla", "--format", "json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    std::vector<std::string> hosts;
    for (const QJsonObject& entry : JsonLines(listed.out)) {
        EXPECT_EQ(entry["source"].toString(), "orvalla");
        hosts.push_back(entry["host"].toString().toStdString());
    }
    EXPECT_EQ(hosts, (std::vector<std::string>{"example.com", ".WWW.Example.com", "10.0.0.1",
                                               "www.example.com"}));
    EXPECT_TRUE(RunTool({"list-cache", "--source", "firefox"}).out.empty());

    // Control characters and bytes that are not UTF-8 keep the line valid;
    // a time the entry does not hold is left out.
    const auto odd =
        JsonLines(RunTool({"list-cache", "--site", "odd.example", "--format=json"}).out);
    ASSERT_EQ(odd.size(), 1u);
    // Qt reads each byte that is not UTF-8 as U+FFFD too.
    EXPECT_EQ(odd[0]["address"].toString(), QString::fromUtf8("Cookie:u@odd.example/\x01\xff\""));
    EXPECT_FALSE(odd[0].contains("modified") || odd[0].contains("expires"));

    ASSERT_EQ(RunTool({"add-history", "https://a.example.com/p", "--title", "A"}).exitCode, 0);
    ASSERT_EQ(RunTool({"add-history", "https://example.org/"}).exitCode, 0);
    const auto pages =
        JsonLines(RunTool({"list-history", "--site", "example.com", "--format", "json"}).out);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0]["url"].toString(), "https://a.example.com/p");
    EXPECT_EQ(pages[0]["path"].toString(), "/p");
    EXPECT_EQ(pages[0]["title"].toString(), "A");
    ExpectRejected({"list-cache", "--format", "xml"});
    ExpectRejected({"list-history", "--site", ""});
}

// A dry run prints what would go as the listing does and leaves the files
// byte for byte; the keep list and --keep spare their sites' cookies only.
TEST_F(OrvallaStores, DeleteAllKeepsTheKeptSitesAndADryRunChangesNothing) {
    ASSERT_EQ(RunTool({"sample"}).exitCode, 0);
    std::filesystem::create_directories(ConfigHome() + "/orvalla");
    std::ofstream(ConfigHome() + "/orvalla/keep-sites") << "# mine\n  News.Example.org # news\n\n";
    const std::string cache = dataDir.StoreDir() + "/urlcache.sqlite";
    const std::string history = dataDir.StoreDir() + "/history.sqlite";
    const std::string cacheBytes = Bytes(cache);
    const std::string historyBytes = Bytes(history);

    std::vector<std::string> doomed;
    for (const std::string& line : Lines(RunTool({"list-cache"}).out)) {
        if (line.starts_with("cookie ") && line.find("news.example.org") == std::string::npos &&
            line.find("example.com") == std::string::npos)
            doomed.push_back(line);
    }
    ASSERT_EQ(doomed.size(), 2u);
    const ToolResult dryRun =
        RunTool({"delete-cache", "--all", "--keep", "example.com", "--dry-run"});
    EXPECT_EQ(dryRun.exitCode, 0);
    EXPECT_EQ(Lines(dryRun.out), doomed);
    EXPECT_EQ(dryRun.err,
              "orvalla-stores: delete-cache: keeps 2 sites (1 site from the keep list \"" +
                  ConfigHome() + "/orvalla/keep-sites\", 1 site from --keep)\n");
    EXPECT_EQ(
        JsonLines(RunTool({"delete-cache", "--all", "--dry-run", "--format", "json"}).out).size(),
        4u);
    EXPECT_EQ(RunTool({"delete-cache", "--dry-run", "Cookie:alice@www.example.com/"}).out,
              Lines(RunTool({"list-cache"}).out)[0] + "\n");
    EXPECT_EQ(RunTool({"clear-history", "--dry-run"}).out, RunTool({"list-history"}).out);
    EXPECT_EQ(Bytes(cache), cacheBytes);
    EXPECT_EQ(Bytes(history), historyBytes);

    const ToolResult deleted = RunTool({"delete-cache", "--all", "--keep", "example.com"});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    for (const std::string& line : Lines(RunTool({"list-cache"}).out)) {
        EXPECT_TRUE(!line.starts_with("cookie ") ||
                    line.find("example.com/") != std::string::npos ||
                    line.find("news.example.org/") != std::string::npos)
            << line;
    }
    EXPECT_EQ(Lines(RunTool({"list-cache"}).out).size(), 11u - 2u);
    ExpectRejected({"delete-cache", "--all", "Cookie:alice@www.example.com/"});
    ExpectRejected({"delete-cache", "--site", "example.com", "Cookie:alice@www.example.com/"});
    ExpectRejected({"delete-cache", "--format", "json", "Cookie:alice@www.example.com/"});
    ExpectRejected({"clear-history", "--site", "example.com"});
}

TEST_F(OrvallaStores, EachCommandShowsItsUseWithAnExample) {
    for (const char* name :
         {"add-cache", "list-cache", "delete-cache", "add-history", "list-history",
          "delete-history", "clear-history", "forget", "sources", "sample"}) {
        const ToolResult help = RunTool({"help", name});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind(std::string("usage: orvalla-stores ") + name, 0), 0u) << help.out;
        EXPECT_NE(help.out.find(std::string("example:\n  orvalla-stores ") + name),
                  std::string::npos);
        EXPECT_EQ(RunTool({name, "x", "--help"}).out, help.out);
    }
    EXPECT_EQ(RunTool({"help"}).out, RunTool({"--help"}).out);
    EXPECT_EQ(RunTool({"help", "nothing"}).exitCode, 2);
    EXPECT_EQ(RunTool({"list-cache", "--colour"}).exitCode, 2);
}

// A profile whose browser has not written a store yet is a source too.
TEST_F(OrvallaStores, SourcesNamesTheOwnStoresAndEveryProfileFound) {
    const std::string firefox = std::string(std::getenv("HOME")) + "/.mozilla/firefox";
    std::filesystem::create_directories(firefox + "/ab.fresh");
    std::ofstream(firefox + "/profiles.ini")
        << "[Profile0]\nName=fresh\nIsRelative=1\nPath=ab.fresh\n";
    const std::string store = dataDir.StoreDir();
    EXPECT_EQ(RunTool({"sources"}).out,
              "orvalla cache absent " + store + "/urlcache.sqlite\norvalla history absent " +
                  store + "/history.sqlite\nfirefox.fresh browser=Firefox folder=" + firefox +
                  "/ab.fresh stores=- closed\n");
    ASSERT_EQ(RunTool({"sample"}).exitCode, 0);
    // Clearing that profile alone leaves the own history as it was.
    const std::string history = RunTool({"list-history"}).out;
    EXPECT_EQ(RunTool({"clear-history", "--source", "firefox", "--dry-run"}).out, "");
    EXPECT_EQ(RunTool({"clear-history", "--source", "firefox"}).exitCode, 0);
    EXPECT_EQ(RunTool({"list-history"}).out, history);
    const auto sources = JsonLines(RunTool({"sources", "--format", "json"}).out);
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources[0]["state"].toString(), "present");
    EXPECT_EQ(sources[2]["profile"].toString(), "Firefox (fresh)");
    EXPECT_EQ(sources[2]["stores"].toArray(), QJsonArray());
    EXPECT_EQ(sources[2]["running"].toString(), "closed");
}

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
    ExpectRejected({"clear-history", "--source", "firefox"});
    const ToolResult cleared = RunTool({"clear-history", "--source", "orvalla"});
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

// --site takes a site's pages of every scheme, in the chosen sources only;
// a dry run prints them as the listing does and changes nothing.
TEST_F(OrvallaStores, DeleteHistoryBySiteTakesEverySchemeOfTheChosenSources) {
    ASSERT_EQ(RunTool({"sample"}).exitCode, 0);
    ASSERT_EQ(RunTool({"add-history", "file://www.example.com/share/a.html"}).exitCode, 0);
    const std::string history = dataDir.StoreDir() + "/history.sqlite";
    const std::string bytes = Bytes(history);
    const ToolResult dryRun = RunTool({"delete-history", "--site", "Example.COM", "--dry-run"});
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_EQ(dryRun.out, RunTool({"list-history", "--site", "example.com"}).out);
    std::vector<std::string> urls;
    for (const QJsonObject& page : JsonLines(
             RunTool({"delete-history", "--dry-run", "--format", "json", "--site", "example.com"})
                 .out))
        urls.push_back(page["url"].toString().toStdString());
    EXPECT_EQ(urls, (std::vector<std::string>{
                        "http://www.example.com/index.html", "https://secure.example.com/login",
                        "http://old.example.com/", "file://www.example.com/share/a.html"}));
    const ToolResult elsewhere =
        RunTool({"delete-history", "--site", "example.com", "--source", "firefox"});
    EXPECT_EQ(elsewhere.exitCode, 0) << elsewhere.err;
    EXPECT_EQ(Bytes(history), bytes);

    const ToolResult deleted =
        RunTool({"delete-history", "--site", "example.com", "--source", "orvalla"});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    const std::string left = RunTool({"list-history"}).out;
    EXPECT_EQ(Lines(left).size(), 6u);
    EXPECT_EQ(left.find("example.com/"), std::string::npos) << left;
    ExpectRejected({"delete-history", "--site", "example.com", "http://www.example.com/"});
    ExpectRejected({"delete-history", "http://www.example.com/", "--format", "json"});
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
    MakeStore(dataDir.Path() + "/epiphany/ephy-history.db",
              "CREATE TABLE urls (id INTEGER PRIMARY KEY, url, title, visit_count, "
              "last_visit_time); INSERT INTO urls VALUES (1, 'http://a.example/', 'A', 1, 1);");
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

// Falkon is known to run by the lock on its cookie store; a store that
// cannot be asked for its lock tells nothing, and nothing is changed.
TEST_F(OrvallaStores, AFalkonWhoseLockCannotBeAskedIsLeftAlone) {
    const std::string profile = ConfigHome() + "/falkon/profiles/default";
    MakeStore(profile + "/browsedata.db",
              "CREATE TABLE history (id INTEGER PRIMARY KEY, url, title, date, count); "
              "INSERT INTO history VALUES (1, 'http://a.example/', 'A', 1000, 1);");
    std::ofstream(profile + "/Cookies") << "not a database";

    const ToolResult cleared = RunTool({"clear-history"});
    EXPECT_EQ(cleared.exitCode, 1);
    EXPECT_EQ(cleared.err,
              "orvalla-stores: clear-history: cannot tell whether Falkon (default) is "
              "running: its store \"" +
                  profile + "/Cookies\" cannot be asked for its lock\n");
    EXPECT_NE(RunTool({"list-history"}).out.find("http://a.example/"), std::string::npos);
}

}  // namespace
