// Another process adds, replaces and deletes cache entries while this one
// walks the cache over and over and deletes the entries its user checked.
#include <gtest/gtest.h>

#include <set>

#include "CacheTestSupport.h"
#include "StorePeer.h"

namespace {

constexpr int kRounds = 200;
constexpr int kStable = 40;

using UrlCacheChurn = CacheStoreTest;

// Entries of this process, the stable ones never touched and the checked
// ones deleted one a round, spread over the cache.
struct OwnEntries {
    Urls stable;
    Urls checked;
};

OwnEntries AddOwnEntries() {
    OwnEntries own;
    for (int i = 0; i < kRounds + kStable; ++i) {
        const bool stable = i % 6 == 0;
        Urls& kind = stable ? own.stable : own.checked;
        kind.push_back(std::string("Cookie:") + (stable ? "stable" : "checked") + "@host" +
                       std::to_string(i) + ".example/");
        AddEntry(kind.back(), COOKIE_CACHE_ENTRY);
    }
    return own;
}

// The entries of `walk` that are in `subset`, in the walk's order.
Urls Within(const Urls& walk, const Urls& subset) {
    const std::set<std::string> wanted(subset.begin(), subset.end());
    Urls found;
    for (const std::string& url : walk) {
        if (wanted.count(url))
            found.push_back(url);
    }
    return found;
}

TEST_F(UrlCacheChurn, WalksStayWholeWhileAnotherProcessChangesTheCache) {
    const OwnEntries own = AddOwnEntries();
    ASSERT_GE(own.checked.size(), static_cast<std::size_t>(kRounds));
    StorePeer peer({"churn", "Cookie:peer@churn", "1000000"});
    ASSERT_TRUE(peer.Ready()) << peer.FirstReport();

    std::set<std::string> deleted;
    int walksWithPeerEntries = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::string& checked = own.checked[round];
        const std::set<std::string> deletedBefore = deleted;
        // Every other round the checked entry goes half way through the walk.
        const bool midWalk = round % 2 == 1;
        std::size_t yielded = 0;
        const WalkResult walk = Walk([&](const std::string&) {
            if (midWalk && ++yielded == 20) {
                EXPECT_TRUE(DeleteUrlCacheEntry(checked.c_str())) << LastErrorDetail();
                deleted.insert(checked);
            }
        });
        ASSERT_EQ(walk.end, ERROR_NO_MORE_ITEMS) << "round " << round << ": " << walk.detail;

        const std::set<std::string> distinct(walk.urls.begin(), walk.urls.end());
        ASSERT_EQ(distinct.size(), walk.urls.size()) << "an entry came twice in round " << round;
        ASSERT_EQ(Within(walk.urls, own.stable), own.stable) << "round " << round;
        for (const std::string& gone : deletedBefore)
            ASSERT_EQ(distinct.count(gone), 0u) << gone << " came back in round " << round;
        for (const std::string& url : walk.urls)
            walksWithPeerEntries += url.rfind("Cookie:peer@", 0) == 0 ? 1 : 0;

        if (!midWalk) {
            EXPECT_TRUE(DeleteUrlCacheEntry(checked.c_str())) << LastErrorDetail();
            deleted.insert(checked);
        }
    }
    const std::string report = peer.Stop();
    EXPECT_EQ(report.rfind("done ", 0), 0u) << report;
    EXPECT_TRUE(peer.ExitedCleanly());
    EXPECT_GT(walksWithPeerEntries, 0);

    // Exactly the checked entries went; the rest of this process's are there.
    const Urls last = Walk().urls;
    EXPECT_EQ(Within(last, own.stable), own.stable);
    EXPECT_EQ(Within(last, own.checked), Urls(own.checked.begin() + kRounds, own.checked.end()));
}

}  // namespace
