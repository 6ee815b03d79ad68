// Text bound to a store statement: every parameter keeps its own text until
// the statement has run, whatever else is bound after it.

#include "platform/com/com_error.h"
#include "platform/outlook/sqlite_database.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(SqliteStatementTest, EachBoundTextIsStoredAsItWasGiven) {
    TempFolder folder;
    SqliteDatabase db(folder.File("texts.db"), true);
    db.Exec("CREATE TABLE t(a, b, c, d, e)");
    const std::u16string texts[] = {
        u"short",                      // kept inside the string object
        std::u16string(300, u'x'),     // kept on the heap
        u"Gr\u00f6\u00dfe \U0001F600", // not ASCII
        u"\u00e9t\u00e9",
        u"",
    };
    for (bool lastFirst : {false, true}) {
        SqliteStatement insert(db.Handle(), "INSERT INTO t VALUES(?,?,?,?,?)");
        for (int i = 0; i < 5; ++i) {
            const int index = lastFirst ? 5 - i : i + 1;
            insert.Bind(index, texts[index - 1]);
        }
        insert.Run();
        EXPECT_THROW(insert.Bind(6, texts[0]), _com_error);
    }

    SqliteStatement rows(db.Handle(), "SELECT a, b, c, d, e FROM t");
    int count = 0;
    while (rows.Step()) {
        ++count;
        for (int column = 0; column < 5; ++column) {
            EXPECT_EQ(rows.Text16(column), texts[column]) << column;
        }
    }
    EXPECT_EQ(count, 2);
}

TEST(SqliteStatementTest, BytesFilledForEachParameterAreStoredAsTheyWereFilled) {
    TempFolder folder;
    SqliteDatabase db(folder.File("bytes.db"), true);
    db.Exec("CREATE TABLE t(a, b, c)");
    const std::vector<std::uint8_t> values[] = {{1, 2, 3}, std::vector<std::uint8_t>(5000, 7), {}};
    SqliteStatement insert(db.Handle(), "INSERT INTO t VALUES(?,?,?)");
    for (int round = 0; round < 2; ++round) {
        // Each round fills every buffer anew, the second time from a larger start.
        for (int i = 0; i < 3; ++i) {
            insert.BindBytes(i + 1, [&](std::vector<std::uint8_t>& bytes) {
                bytes.assign(100 * round, 9);
                bytes = values[i];
            });
        }
        insert.Run();
    }
    EXPECT_THROW(insert.BindBytes(4, [](std::vector<std::uint8_t>&) {}), _com_error);

    SqliteStatement rows(db.Handle(), "SELECT a, b, c, typeof(c) FROM t");
    int count = 0;
    while (rows.Step()) {
        ++count;
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(rows.Blob(column), values[column]) << column;
        }
        EXPECT_EQ(rows.Text(3), "blob");
    }
    EXPECT_EQ(count, 2);
}

} // namespace

namespace {

// What SQLite itself reports as the limit, not what the connection remembers.
std::int64_t ReportedCacheSize(SqliteDatabase& db) {
    SqliteStatement query(db.Handle(), "PRAGMA cache_size");
    return query.Step() ? query.Int(0) : 0;
}

TEST(SqliteDatabaseTest, SmallCacheHoldsNestAndTheLastReleaseRestoresTheLimit) {
    TempFolder folder;
    SqliteDatabase db(folder.File("cache.db"), true);
    db.SetCacheSize(-32768);
    db.HoldSmallCache();
    db.HoldSmallCache();
    EXPECT_EQ(ReportedCacheSize(db), -256);
    db.ReleaseSmallCache();
    EXPECT_EQ(ReportedCacheSize(db), -256);
    db.ReleaseSmallCache();
    EXPECT_EQ(ReportedCacheSize(db), -32768);
    EXPECT_EQ(db.CacheSize(), -32768);
}

} // namespace
