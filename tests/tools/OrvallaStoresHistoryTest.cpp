// orvalla-stores' history commands and sample, against a temporary data
// directory.
#include <gtest/gtest.h>

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

}  // namespace
