#include "Floors.h"

#include <QCollator>
#include <QLocale>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "FuncUnit.h"
#include "PlainSql.h"
#include "platform/dateutils.h"
#include "platform/regional.h"
#include "platform/wininet.h"

namespace {

std::string StoreFile(const char* name) {
    return qEnvironmentVariable("XDG_DATA_HOME").toStdString() + "/orvalla/" + name;
}

// What the store sets on its connections beside the file's own WAL mode and
// schema (its page cache and checkpoints are SQLite's defaults); kept in step
// with platform/store/DatabaseOpen.cpp by hand, since the store does not
// publish it.
constexpr const char* kStoreSettings = "PRAGMA synchronous=NORMAL";

// A time from an entry's packed values, which hold the last-modified time
// at byte 12 and the expiry at byte 20, little-endian.
std::uint64_t PackedTime(const std::string& values, int index) {
    return qFromLittleEndian<std::uint64_t>(values.data() + 12 + 8 * index);
}

TDateTime DateKey(const QString& text) {
    const std::string bytes = text.toStdString();
    return bytes == FallbackDateText ? EncodeDate(1980, 1, 1) : StrToDateTime(bytes);
}

// Parses every row's key once, orders the rows by the keys, and puts the
// items back in that order in one batch.
template <typename Parse>
void SortBareList(QTreeWidget& list, int column, Parse parse) {
    const int count = list.topLevelItemCount();
    using Key = decltype(parse(QString()));
    std::vector<Key> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        keys.push_back(parse(list.topLevelItem(i)->text(column)));
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys[a] < keys[b]; });

    const QList<QTreeWidgetItem*> items = list.invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(count);
    for (int index : order)
        sorted.append(items[index]);
    list.addTopLevelItems(sorted);
}

// What a history scan keeps of a row: its texts and its three times.
struct HistoryRow {
    std::string url;
    std::string title;
    std::uint64_t times[3];
};

}  // namespace

double WalkFloor(Texts texts, const Shown& shown) {
    PlainDatabase db(StoreFile("urlcache.sqlite"), kStoreSettings);
    sqlite3_stmt* scan = db.Prepare(
        texts == Texts::Made
            ? "SELECT id, entry_type, hit_rate, url, entry_values FROM url_cache_entries "
              "ORDER BY id"
            : "SELECT id, entry_type, hit_rate, url, entry_values FROM url_cache_entries "
              "WHERE entry_type & 1048576 ORDER BY id");
    return FillFloor<BareList>("walk", shown, [&](std::vector<RowTexts>& made) {
        // Each entry's record is read in turn into the same place, as the
        // walk hands the entries over one by one; only the cookie rows kept.
        std::int64_t numbers[3];  // id, type, hits
        std::string url;
        std::string values;
        std::size_t cookies = 0;
        while (db.Step(scan)) {
            for (int column = 0; column < 3; ++column)
                numbers[column] = sqlite3_column_int64(scan, column);
            AssignColumn(scan, 3, url);
            AssignColumn(scan, 4, values);
            const bool cookie = numbers[1] & COOKIE_CACHE_ENTRY;
            if (cookie && texts == Texts::Made) {
                made.push_back({CaptionText(url), QString::number(static_cast<DWORD>(numbers[2])),
                                DateText(PackedTime(values, 0), FallbackDateText),
                                DateText(PackedTime(values, 1), FallbackDateText),
                                QString::fromStdString(url)});
            }
            cookies += cookie;
        }
        if (texts == Texts::Ready) {
            Require(cookies == shown.rows.size(), "the cookie scan finds every listed cookie");
            made = shown.rows;
        }
    });
}

double OrderingFloor(const std::vector<RowTexts>& cacheOrder, int column, const Shown& shown) {
    BareList list(shown.size);
    list.Fill(cacheOrder);
    QCollator collator{QLocale(QString::fromStdString(FormatSettings().LocaleName))};
    collator.setCaseSensitivity(Qt::CaseSensitive);
    const double elapsed = Timed([&] {
        if (column == 0)
            SortBareList(list, column, [&](const QString& text) { return collator.sortKey(text); });
        else if (column == 1)
            SortBareList(list, column, [](const QString& text) { return text.toUInt(); });
        else
            SortBareList(list, column, DateKey);
    });
    Require(list.topLevelItemCount() == static_cast<int>(shown.rows.size()),
            "the list keeps its rows");
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        Require(list.topLevelItem(i)->text(4) == shown.rows[i][4],
                "the header click orders as its floor");
    return elapsed;
}

void CheckpointUrlCache() {
    PlainDatabase(StoreFile("urlcache.sqlite"), kStoreSettings)
        .Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

double DeleteFloor(const std::vector<std::string>& urls, Commits commits, const Shown& shown) {
    PlainDatabase db(StoreFile("urlcache.sqlite"), kStoreSettings);
    sqlite3_stmt* remove = db.Prepare("DELETE FROM url_cache_entries WHERE url = ?1");
    return FillFloor<BareList>("delete", shown, [&](auto& made) {
        if (commits == Commits::Once)
            db.Exec("BEGIN IMMEDIATE");
        for (const std::string& url : urls) {
            sqlite3_bind_blob64(remove, 1, url.data(), url.size(), SQLITE_STATIC);
            db.Run(remove);
        }
        if (commits == Commits::Once)
            db.Exec("COMMIT");
        made = shown.rows;
    });
}

double HistoryFloor(Texts texts, const Shown& shown) {
    PlainDatabase db(StoreFile("history.sqlite"), kStoreSettings);
    sqlite3_stmt* scan = db.Prepare(
        "SELECT url, title, last_visited, last_updated, expires FROM history "
        "WHERE substr(url, 1, 7) = 'http://' ORDER BY id");
    return FillFloor<BareGrid>("history", shown, [&](auto& made) {
        std::vector<HistoryRow> scanned;
        while (db.Step(scan)) {
            HistoryRow& row = scanned.emplace_back();
            AssignColumn(scan, 0, row.url);
            AssignColumn(scan, 1, row.title);
            for (int i = 0; i < 3; ++i)
                row.times[i] = static_cast<std::uint64_t>(sqlite3_column_int64(scan, 2 + i));
        }
        if (texts == Texts::Ready) {
            Require(scanned.size() == shown.rows.size(),
                    "the history scan finds every listed page");
            made = shown.rows;
            return;
        }
        made.reserve(scanned.size());
        for (const HistoryRow& row : scanned) {
            made.push_back({DateText(row.times[0], kHistoryOutside),
                            QString::fromStdString(row.title), QString::fromStdString(row.url),
                            DateText(row.times[1], kHistoryOutside),
                            DateText(row.times[2], kHistoryOutside)});
        }
    });
}

double CheckAllFloor(const Shown& shown) {
    BareList list(shown.size);
    for (const RowTexts& texts : shown.rows) {
        list.Fill({texts});
        list.indexFromItem(list.topLevelItem(list.topLevelItemCount() - 1));
    }
    return Timed([&] {
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            list.topLevelItem(i)->setCheckState(0, Qt::Checked);
    });
}
