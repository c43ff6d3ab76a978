#include "Floors.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <stdexcept>

#include "FloorTexts.h"
#include "FuncUnit.h"
#include "Measure.h"
#include "PlainSql.h"
#include "platform/dateutils.h"
#include "platform/regional.h"
#include "platform/wininet.h"

namespace {

std::string StoreFile(const char* name) {
    const char* home = std::getenv("XDG_DATA_HOME");
    return std::string(home ? home : "") + "/orvalla/" + name;
}

// What the store sets on its connections beside the file's own WAL mode and
// schema (its page cache and checkpoints are SQLite's defaults); kept in step
// with platform/store/DatabaseOpen.cpp by hand, since the store does not
// publish it.
constexpr const char* kStoreSettings = "PRAGMA synchronous=NORMAL";

// What a scan keeps of a row: its texts and three numbers (hits and two
// times of a cookie; three times of a history entry).
struct ScannedRow {
    std::string url;
    std::string title;
    std::int64_t values[3];
};

// A time from an entry's packed values, which hold the last-modified time
// at byte 12 and the expiry at byte 20, little-endian.
std::int64_t PackedTime(sqlite3_stmt* statement, int column, int index) {
    const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | bytes[12 + 8 * index + i];
    return static_cast<std::int64_t>(value);
}

std::vector<ScannedRow> ScanCookies(PlainDatabase& db) {
    sqlite3_stmt* scan = db.Prepare(
        "SELECT url, hit_rate, entry_values FROM url_cache_entries "
        "WHERE entry_type & 1048576 ORDER BY id");
    std::vector<ScannedRow> rows;
    while (db.Step(scan)) {
        rows.push_back(
            {ColumnText(scan, 0),
             {},
             {sqlite3_column_int64(scan, 1), PackedTime(scan, 2, 0), PackedTime(scan, 2, 1)}});
    }
    return rows;
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

std::uint64_t Quad(std::int64_t value) {
    return static_cast<std::uint64_t>(value);
}

RowTexts CookieTexts(const ScannedRow& row, sqlite3_stmt* scan) {
    return {CaptionText(row.url), QString::number(static_cast<std::uint32_t>(row.values[2])),
            DateText(Quad(PackedTime(scan, 4, 0)), FallbackDateText),
            DateText(Quad(PackedTime(scan, 4, 1)), FallbackDateText),
            QString::fromUtf8(row.url.data(), static_cast<qsizetype>(row.url.size()))};
}

RowTexts HistoryTexts(const ScannedRow& row) {
    return {DateText(Quad(row.values[0]), kHistoryOutside),
            QString::fromUtf8(row.title.data(), static_cast<qsizetype>(row.title.size())),
            QString::fromUtf8(row.url.data(), static_cast<qsizetype>(row.url.size())),
            DateText(Quad(row.values[1]), kHistoryOutside),
            DateText(Quad(row.values[2]), kHistoryOutside)};
}

}  // namespace

double WalkFloor(const std::vector<RowTexts>& rows, QSize listSize) {
    PlainDatabase db(StoreFile("urlcache.sqlite"), kStoreSettings);
    sqlite3_stmt* scan = db.Prepare(
        "SELECT id, url, entry_type, hit_rate, entry_values FROM url_cache_entries ORDER BY id");
    const auto list = MakeBareList(listSize);

    const Stopwatch watch;
    // Each entry's record is read in turn into the same place, as the walk
    // hands the entries over one by one; only the cookie rows are kept.
    ScannedRow entry;
    std::string values;
    std::vector<RowTexts> made;
    while (db.Step(scan)) {
        AssignColumn(scan, 1, entry.url);
        AssignColumn(scan, 4, values);
        entry.values[0] = sqlite3_column_int64(scan, 0);
        entry.values[1] = sqlite3_column_int64(scan, 2);
        entry.values[2] = sqlite3_column_int64(scan, 3);
        if (entry.values[1] & COOKIE_CACHE_ENTRY)
            made.push_back(CookieTexts(entry, scan));
    }
    FillBareList(*list, made);
    SettleEvents();
    const double elapsed = watch.ElapsedMs();
    RequireSameTexts("walk", made, rows);
    return elapsed;
}

double WalkCookieScanFloor(const std::vector<RowTexts>& rows, QSize listSize) {
    PlainDatabase db(StoreFile("urlcache.sqlite"), kStoreSettings);
    const auto list = MakeBareList(listSize);

    const Stopwatch watch;
    const std::vector<ScannedRow> scanned = ScanCookies(db);
    FillBareList(*list, rows);
    SettleEvents();
    const double elapsed = watch.ElapsedMs();
    if (scanned.size() != rows.size())
        throw std::runtime_error("walk floor: the scan found " + std::to_string(scanned.size()) +
                                 " cookies, the list has " + std::to_string(rows.size()));
    return elapsed;
}

double OrderingFloor(const std::vector<RowTexts>& rows, int column, QSize listSize,
                     std::vector<QString>& order) {
    const auto list = MakeBareList(listSize);
    FillBareList(*list, rows);
    QCollator collator{QLocale(QString::fromStdString(FormatSettings().LocaleName))};
    collator.setCaseSensitivity(Qt::CaseSensitive);
    SettleEvents();

    const Stopwatch watch;
    switch (column) {
        case 0:
            SortBareList(*list, column,
                         [&](const QString& text) { return collator.sortKey(text); });
            break;
        case 1:
            SortBareList(*list, column, [](const QString& text) { return text.toUInt(); });
            break;
        default:
            SortBareList(*list, column, DateKey);
            break;
    }
    SettleEvents();
    const double elapsed = watch.ElapsedMs();

    order.clear();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        order.push_back(list->topLevelItem(i)->text(4));
    return elapsed;
}

void CheckpointUrlCache() {
    PlainDatabase db(StoreFile("urlcache.sqlite"), kStoreSettings);
    db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

double DeleteFloor(const std::vector<std::string>& urls, const std::vector<RowTexts>& remaining,
                   QSize listSize, Commits commits) {
    PlainDatabase db(StoreFile("urlcache.sqlite"), kStoreSettings);
    sqlite3_stmt* remove = db.Prepare("DELETE FROM url_cache_entries WHERE url = ?1");
    const auto list = MakeBareList(listSize);

    const Stopwatch watch;
    if (commits == Commits::Once)
        db.Exec("BEGIN IMMEDIATE");
    for (const std::string& url : urls) {
        sqlite3_bind_blob64(remove, 1, url.data(), url.size(), SQLITE_STATIC);
        db.Run(remove);
    }
    if (commits == Commits::Once)
        db.Exec("COMMIT");
    FillBareList(*list, remaining);
    SettleEvents();
    return watch.ElapsedMs();
}

double HistoryFloor(const std::vector<RowTexts>& rows, QSize gridSize, Texts texts) {
    PlainDatabase db(StoreFile("history.sqlite"), kStoreSettings);
    sqlite3_stmt* scan = db.Prepare(
        "SELECT url, title, last_visited, last_updated, expires FROM history "
        "WHERE substr(url, 1, 7) = 'http://' ORDER BY id");
    BareGrid grid(gridSize);

    const Stopwatch watch;
    std::vector<ScannedRow> scanned;
    while (db.Step(scan)) {
        scanned.push_back({ColumnText(scan, 0),
                           ColumnText(scan, 1),
                           {sqlite3_column_int64(scan, 2), sqlite3_column_int64(scan, 3),
                            sqlite3_column_int64(scan, 4)}});
    }
    if (texts == Texts::Ready) {
        grid.model.Fill(rows);
    } else {
        std::vector<RowTexts> made;
        made.reserve(scanned.size());
        for (const ScannedRow& row : scanned)
            made.push_back(HistoryTexts(row));
        grid.model.Fill(made);
    }
    SettleEvents();
    const double elapsed = watch.ElapsedMs();
    if (texts == Texts::Made)
        RequireSameTexts("history", grid.model.Rows(), rows);
    else if (scanned.size() != rows.size())
        throw std::runtime_error("history floor: the scan found " + std::to_string(scanned.size()) +
                                 " entries, the grid has " + std::to_string(rows.size()));
    return elapsed;
}
