// A started runtime and an empty data directory for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDataDir.h"
#include "platform/comptr.h"
#include "platform/objbase.h"
#include "platform/urlhist.h"

class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
    std::string StorePath() const { return dataDir_.StoreDir() + "/history.sqlite"; }

    TempDataDir dataDir_;
};

// The history object as the window reaches it: IUnknown first, then
// IUrlHistoryStg2. Fails the test and returns nothing when either step fails.
ComPtr<IUrlHistoryStg2> OpenHistory();

// A producer entry with all three times; titles may be nullptr.
void PutEntry(const char16_t* url, const char16_t* title, std::uint64_t visited = 1,
              std::uint64_t updated = 2, std::uint64_t expires = 3, DWORD flags = 0);

// The remaining addresses one Next(1) at a time, in UTF-8; `end`, when
// given, receives the result of the Next that ended them.
std::vector<std::string> RemainingUrls(IEnumSTATURL* walk, HRESULT* end = nullptr);

// The addresses `history` lists now, or a fresh object's when none is given.
std::vector<std::string> Listed(IUrlHistoryStg* history = nullptr);
