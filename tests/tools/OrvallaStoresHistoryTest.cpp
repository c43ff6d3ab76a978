// orvalla-stores' history commands and sample, against a temporary data
// directory.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QProcess>

#include <csignal>

#include "RunTool.h"
#include "TempDataDir.h"

namespace {

class OrvallaStoresHistory : public ::testing::Test {
protected:
    TempDataDir dataDir;
};

TEST_F(OrvallaStoresHistory, AddedPagesAreListedWithTheirTimesAndTitles) {
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

TEST_F(OrvallaStoresHistory, BadArgumentsAreRejectedWithOneLine) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"add-history"},
          {"add-history", "http://a/", "--visited", "yesterday"},
          {"add-history", "http://a/", "--title"},
          {"list-history", "extra"},
          {"clear-history", "extra"}}) {
        const ToolResult result = RunTool(args);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    }
    EXPECT_TRUE(RunTool({"list-history"}).out.empty());
}

TEST_F(OrvallaStoresHistory, SampleHoldsSeveralSchemesAndNonAsciiTitles) {
    ASSERT_EQ(RunTool({"sample"}).exitCode, 0);
    const std::string listing = RunTool({"list-history"}).out;
    for (const char* part : {"http://", "https://", "file://", "Caf\xC3\xA9 Z\xC3\xBCrich"}) {
        EXPECT_NE(listing.find(part), std::string::npos) << part;
    }
}

TEST_F(OrvallaStoresHistory, ClearHistoryLeavesNoEntry) {
    ASSERT_EQ(RunTool({"sample"}).exitCode, 0);
    const ToolResult result = RunTool({"clear-history"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(RunTool({"list-history"}).out.empty());
}

// A GNOME Web whose session bus is stopped may be running: its history is
// listed at once and kept, and the refusal says why.
TEST_F(OrvallaStoresHistory, AStoppedSessionBusLeavesGnomeWebAlone) {
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
