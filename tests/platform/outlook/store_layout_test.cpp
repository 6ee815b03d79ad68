// How appointments are kept in the store file: stores written in the
// earlier layouts (a table row per property; items numbered by SQLite) open
// with all their data, the ids of deleted items are not given again,
// properties survive other writers' saves, and damaged property data is
// reported rather than read as something else. Stores written before the
// occurrence search's indexes get them when opened.

#include "engine/common/redemption.h"
#include "platform/outlook/prop_blob.h"
#include "platform/outlook/recipient_blob.h"
#include "platform/outlook/sqlite_database.h"
#include "tests/platform/outlook/store_fixture.h"

namespace {

class StoreLayoutTest : public StoreTest {
protected:
    CComPtr<_AppointmentItem> Reopened(const std::u16string& entryId) {
        return Appointment(Open()->GetSession()->GetItemFromID(entryId));
    }
    LONG Named(LONG id, LONG type) {
        CComPtr<_AppointmentItem> any = NewAppointment(Local(2007, 1, 1, 9), 30, u"Mapping");
        return utils_->GetIDsFromNames(any, PSETID_Common, id, true) | type;
    }

    // Rewrites the store in the layout of version 2: SQLite numbered the
    // items (AUTOINCREMENT, its highest id in sqlite_sequence), their ends
    // had an index, and the recipients a table of their own.
    void WriteVersion2Layout() {
        outlook_.Release();
        SqliteDatabase db(StorePath(), false);
        db.Exec(
            "PRAGMA legacy_alter_table=ON; ALTER TABLE items RENAME TO items_v3; "
            "CREATE TABLE items(id INTEGER PRIMARY KEY "
            "AUTOINCREMENT, folder_id INTEGER NOT NULL REFERENCES folders(id), subject TEXT NOT "
            "NULL COLLATE NOCASE, location TEXT NOT NULL COLLATE NOCASE, body TEXT NOT NULL "
            "COLLATE NOCASE, categories TEXT NOT NULL COLLATE NOCASE, resources TEXT NOT NULL "
            "COLLATE NOCASE, start_utc INTEGER NOT NULL, end_utc INTEGER NOT NULL, all_day "
            "INTEGER NOT NULL, sensitivity INTEGER NOT NULL, importance INTEGER NOT NULL, "
            "busy_status INTEGER NOT NULL, reminder_set INTEGER NOT NULL, reminder_minutes "
            "INTEGER NOT NULL, meeting_status INTEGER NOT NULL, rec_type INTEGER, rec_interval "
            "INTEGER, rec_mask INTEGER, rec_day_of_month INTEGER, rec_month_of_year INTEGER, "
            "rec_instance INTEGER, rec_no_end INTEGER, rec_occurrences INTEGER, rec_start_utc "
            "INTEGER, rec_end_utc INTEGER, props BLOB); "
            "INSERT INTO items SELECT id, folder_id, subject, location, body, categories, "
            "resources, start_utc, end_utc, all_day, sensitivity, importance, busy_status, "
            "reminder_set, reminder_minutes, meeting_status, rec_type, rec_interval, rec_mask, "
            "rec_day_of_month, rec_month_of_year, rec_instance, rec_no_end, rec_occurrences, "
            "rec_start_utc, rec_end_utc, props FROM items_v3; "
            "CREATE TABLE recipients(item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE "
            "CASCADE, position INTEGER NOT NULL, name TEXT NOT NULL, address TEXT NOT NULL, type "
            "INTEGER NOT NULL, PRIMARY KEY(item_id, position)) WITHOUT ROWID;");
        SqliteStatement items(db.Handle(),
                              "SELECT id, recipients FROM items_v3 WHERE recipients IS NOT NULL");
        SqliteStatement insert(db.Handle(), "INSERT INTO recipients VALUES(?,?,?,?,?)");
        while (items.Step()) {
            std::vector<RecipientRecord> recipients;
            ASSERT_TRUE(DecodeRecipients(items.BlobView(1), recipients));
            for (size_t i = 0; i < recipients.size(); ++i) {
                insert.Bind(1, items.Int(0)).Bind(2, static_cast<std::int64_t>(i));
                insert.Bind(3, recipients[i].name).Bind(4, recipients[i].address);
                insert.Bind(5, std::int64_t{recipients[i].type}).Run();
            }
        }
        items.Reset();
        db.Exec("DROP TABLE items_v3; "
                "CREATE INDEX items_start ON items(folder_id, start_utc); "
                "CREATE INDEX items_end ON items(folder_id, end_utc); "
                "CREATE INDEX items_subject ON items(folder_id, subject, start_utc); "
                "CREATE INDEX items_series ON items(folder_id) WHERE rec_type IS NOT NULL; "
                "UPDATE sqlite_sequence SET seq = (SELECT max(highest_id, (SELECT max(id) FROM "
                "items)) FROM deleted_items) WHERE name = 'items'; "
                "DROP TABLE deleted_items; PRAGMA user_version=2;");
    }

    // Rewrites the store the way the earlier layout kept properties: a row
    // per property in a table of their own, and the layout's version 1.
    void WriteEarlierLayout() {
        WriteVersion2Layout();
        SqliteDatabase db(StorePath(), false);
        db.Exec("CREATE TABLE props(item_id INTEGER NOT NULL, prop_id INTEGER NOT NULL, "
                "type INTEGER NOT NULL, value, PRIMARY KEY(item_id, prop_id)) WITHOUT ROWID");
        SqliteStatement items(db.Handle(), "SELECT id, props FROM items WHERE props IS NOT NULL");
        SqliteStatement insert(db.Handle(), "INSERT INTO props VALUES(?,?,?,?)");
        while (items.Step()) {
            PropMap props;
            ASSERT_TRUE(DecodeProps(items.BlobView(1), props));
            for (const auto& [id, value] : props) {
                insert.Bind(1, items.Int(0)).Bind(2, std::int64_t{id});
                insert.Bind(3, std::int64_t{value.type});
                if (value.type == PT_BINARY) {
                    insert.Bind(4, value.bytes);
                } else if (value.type == PT_UNICODE || value.type == PT_STRING8) {
                    insert.Bind(4, value.text);
                } else {
                    insert.Bind(4, value.number);
                }
                insert.Run();
            }
        }
        items.Reset();
        db.Exec("ALTER TABLE items DROP COLUMN props; PRAGMA user_version=1;");
    }

    StoreRedemption redemption_;
    CComPtr<IMAPIUtils>& utils_ = redemption_.utils;
};

TEST_F(StoreLayoutTest, AStoreOfTheEarlierLayoutOpensWithEveryProperty) {
    const LONG number = Named(0x9001, PT_LONG);
    const LONG bytes = Named(0x9002, PT_BINARY);
    const LONG date = Named(0x9003, PT_SYSTIME);
    const LONG commonStart = Named(dispidCommonStart, PT_SYSTIME);
    CComPtr<_AppointmentItem> rich = NewAppointment(Local(2007, 3, 5, 9), 60, u"Rich");
    utils_->HrSetOneProp(rich, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"ann@x.org"), false);
    utils_->HrSetOneProp(rich, number, _variant_t(LONG{-42}), false);
    utils_->HrSetOneProp(rich, bytes, _variant_t(std::vector<BYTE>{0, 1, 0xFE, 0xFF}), false);
    utils_->HrSetOneProp(rich, date, _variant_t(Local(2008, 2, 29, 23, 59), VT_DATE), false);
    rich->Save();
    const std::u16string plainId = NewAppointment(Local(2007, 3, 6, 9), 30, u"Plain")->GetEntryID();
    const std::u16string richId = rich->GetEntryID();
    rich.Release();
    WriteEarlierLayout();

    CComPtr<_AppointmentItem> stored = Reopened(richId);
    EXPECT_EQ(stored->GetSubject(), u"Rich");
    EXPECT_EQ(utils_->HrGetOneProp(stored, PR_SENDER_EMAIL_ADDRESS).ToString(), u"ann@x.org");
    EXPECT_EQ(utils_->HrGetOneProp(stored, number).ToLong(), -42);
    EXPECT_EQ(utils_->HrGetOneProp(stored, bytes).ToBytes(), (std::vector<BYTE>{0, 1, 0xFE, 0xFF}));
    EXPECT_EQ(utils_->HrGetOneProp(stored, date).ToDate(), Local(2008, 2, 29, 23, 59));
    EXPECT_EQ(utils_->HrGetOneProp(Reopened(plainId), commonStart).ToDate(), Local(2007, 3, 6, 14));

    // The opened store takes new saves in its new layout.
    utils_->HrSetOneProp(stored, number, _variant_t(LONG{7}), true);
    EXPECT_EQ(utils_->HrGetOneProp(Reopened(richId), number).ToLong(), 7);
    EXPECT_EQ(utils_->HrGetOneProp(Reopened(richId), PR_SENDER_EMAIL_ADDRESS).ToString(),
              u"ann@x.org");
}

// A version 2 store keeps its items, their ids and parts, and the highest
// id it gave: the item deleted last is not found under its id again.
TEST_F(StoreLayoutTest, AStoreOfVersion2KeepsItsItemsAndTheIdsItGave) {
    CComPtr<_AppointmentItem> series = NewAppointment(Local(2007, 3, 5, 9), 60, u"Weekly");
    series->GetRecurrencePattern()->PutOccurrences(3);
    series->Save();
    series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 9))->Delete();
    CComPtr<_AppointmentItem> meeting = NewAppointment(Local(2007, 3, 6, 9), 30, u"Meeting");
    meeting->GetRecipients()->Add(u"ann@x.org");
    meeting->GetRecipients()->Add(u"bob@x.org")->PutType(olOptional);
    meeting->Save();
    CComPtr<_AppointmentItem> last = NewAppointment(Local(2007, 3, 7, 9), 30, u"Last");
    const std::u16string seriesId = series->GetEntryID();
    const std::u16string meetingId = meeting->GetEntryID();
    const std::u16string lastId = last->GetEntryID();
    last->Delete();
    series.Release();
    meeting.Release();
    last.Release();
    WriteVersion2Layout();

    outlook_ = Open();
    CComPtr<_AppointmentItem> storedSeries = Reopened(seriesId);
    EXPECT_EQ(storedSeries->GetSubject(), u"Weekly");
    CComPtr<_Items> occurrences = Calendar()->GetItems();
    occurrences->Sort(u"[Start]");
    occurrences->PutIncludeRecurrences(true);
    CComPtr<_Items> weekly = occurrences->Restrict(u"[Subject] = 'Weekly'");
    std::vector<DATE> starts;
    for (CComPtr<IUnknown> i = weekly->GetFirst(); i; i = weekly->GetNext()) {
        starts.push_back(Appointment(i)->GetStart());
    }
    EXPECT_EQ(starts, (std::vector<DATE>{Local(2007, 3, 5, 9), Local(2007, 3, 19, 9)}));
    CComPtr<Recipients> recipients = Reopened(meetingId)->GetRecipients();
    ASSERT_EQ(recipients->GetCount(), 2);
    EXPECT_EQ(recipients->Item(_variant_t(1, VT_INT))->GetAddress(), u"ann@x.org");
    EXPECT_EQ(recipients->Item(_variant_t(2, VT_INT))->GetAddress(), u"bob@x.org");
    EXPECT_EQ(recipients->Item(_variant_t(2, VT_INT))->GetType(), olOptional);

    const std::u16string newId = NewAppointment(Local(2007, 3, 8, 9), 30, u"New")->GetEntryID();
    EXPECT_NE(newId, lastId);
    EXPECT_THROW(Reopened(lastId), _com_error);
    EXPECT_EQ(Reopened(newId)->GetSubject(), u"New");
}

// A version 2 store whose move to the new layout fails midway (here a
// table is in the way of the old items table's new name) is left as it
// was: the open reports the failure, and once the obstacle is gone the
// store opens with its data.
TEST_F(StoreLayoutTest, AVersion2StoreWhoseMoveFailsIsLeftAsItWas) {
    const std::u16string id = NewAppointment(Local(2007, 3, 5, 9), 60, u"Kept")->GetEntryID();
    WriteVersion2Layout();
    {
        SqliteDatabase db(StorePath(), false);
        db.Exec("CREATE TABLE items_v2(x)");
    }
    EXPECT_THROW(Open(), _com_error);
    {
        SqliteDatabase db(StorePath(), false);
        SqliteStatement version(db.Handle(), "PRAGMA user_version");
        ASSERT_TRUE(version.Step());
        EXPECT_EQ(version.Int(0), 2);
        version.Reset();
        db.Exec("DROP TABLE items_v2");
    }
    EXPECT_EQ(Reopened(id)->GetSubject(), u"Kept");
}

// The id of the item saved last is not given to the next one once it is
// deleted: its entry id finds nothing rather than another appointment.
TEST_F(StoreLayoutTest, TheIdOfADeletedItemIsNotGivenAgain) {
    NewAppointment(Local(2007, 3, 5, 9), 60, u"Kept");
    CComPtr<_AppointmentItem> gone = NewAppointment(Local(2007, 3, 6, 9), 60, u"Gone");
    const std::u16string goneId = gone->GetEntryID();
    gone->Delete();
    gone.Release();
    const std::u16string newId = NewAppointment(Local(2007, 3, 7, 9), 30, u"New")->GetEntryID();
    EXPECT_NE(newId, goneId);
    EXPECT_THROW(Reopened(goneId), _com_error);
}

TEST_F(StoreLayoutTest, AChangedPropertyKeepsThePropertiesAnotherWriterSavedMeanwhile) {
    const std::u16string id = NewAppointment(Local(2007, 3, 5, 9), 60, u"Shared")->GetEntryID();
    CComPtr<_AppointmentItem> mine = Reopened(id);
    CComPtr<_AppointmentItem> theirs = Reopened(id);
    utils_->HrSetOneProp(theirs, PR_SENDER_NAME, _variant_t(u"Theirs"), true);
    utils_->HrSetOneProp(mine, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"me@x.org"), true);
    // Saved twice in a row by the same object: the second save starts from the first.
    utils_->HrSetOneProp(mine, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"me2@x.org"), true);

    CComPtr<_AppointmentItem> after = Reopened(id);
    EXPECT_EQ(utils_->HrGetOneProp(after, PR_SENDER_NAME).ToString(), u"Theirs");
    EXPECT_EQ(utils_->HrGetOneProp(after, PR_SENDER_EMAIL_ADDRESS).ToString(), u"me2@x.org");
}

TEST_F(StoreLayoutTest, DamagedPropertiesOrRecipientsAreReportedAsADamagedStore) {
    const std::u16string id = NewAppointment(Local(2007, 3, 5, 9), 60, u"Hit")->GetEntryID();
    outlook_.Release();
    for (const char* damage : {"UPDATE items SET props = x'0180'",
                               "UPDATE items SET props = NULL, recipients = x'01000000020000'"}) {
        {
            SqliteDatabase db(StorePath(), false);
            db.Exec(damage);
        }
        try {
            Reopened(id);
            ADD_FAILURE() << "the damaged item was read: " << damage;
        } catch (const _com_error& e) {
            EXPECT_NE(e.Description().find(u"damaged"), std::u16string::npos) << damage;
        }
    }
}

// A store written before the occurrence search's indexes existed gets them
// when opened, and a search by subject then finds the series in it.
TEST_F(StoreLayoutTest, AStoreWithoutTheSearchIndexesGetsThemOnOpen) {
    CComPtr<_AppointmentItem> series = NewAppointment(Local(2007, 3, 5, 9), 60, u"Weekly");
    series->GetRecurrencePattern()->PutOccurrences(3);
    series->Save();
    NewAppointment(Local(2007, 3, 13, 9), 30, u"weekly");
    const char* indexes[] = {"items_series_start", "exceptions_subject", "items_series_subject"};
    outlook_.Release();
    {
        SqliteDatabase db(StorePath(), false);
        for (const char* index : indexes) {
            db.Exec(std::string("DROP INDEX ") + index);
        }
    }
    outlook_ = Open();
    {
        SqliteDatabase db(StorePath(), false);
        for (const char* index : indexes) {
            SqliteStatement query(db.Handle(),
                                  std::string("SELECT count(*) FROM sqlite_master WHERE type = "
                                              "'index' AND name = '") +
                                      index + "'");
            ASSERT_TRUE(query.Step());
            EXPECT_EQ(query.Int(0), 1) << index;
        }
    }
    CComPtr<_Items> items = Calendar()->GetItems();
    items->Sort(u"[Start]");
    items->PutIncludeRecurrences(true);
    CComPtr<_Items> found = items->Restrict(u"[Subject] = 'WEEKLY' And [Start] >= '3/12/2007' And "
                                            u"[Start] <= '3/19/2007 11:00 PM'");
    found->Sort(u"[Start]");
    found->PutIncludeRecurrences(true);
    std::vector<DATE> starts;
    for (CComPtr<IUnknown> i = found->GetFirst(); i; i = found->GetNext()) {
        starts.push_back(Appointment(i)->GetStart());
    }
    EXPECT_EQ(starts, (std::vector<DATE>{Local(2007, 3, 12, 9), Local(2007, 3, 13, 9),
                                         Local(2007, 3, 19, 9)}));
}

TEST(RecipientBlobTest, RecipientsComeBackAsWrittenAndCutBytesAreRejected) {
    const std::vector<RecipientRecord> written = {
        {u"Ann", u"ann@x.org", 1}, {u"", u"", 2}, {u"J\u00f6rg \U0001F600", u"j@x.org", 3}};
    std::vector<std::uint8_t> bytes = {9, 9, 9};
    EncodeRecipients(written, bytes);
    std::vector<RecipientRecord> read;
    ASSERT_TRUE(DecodeRecipients(bytes, read));
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].name, written[i].name);
        EXPECT_EQ(read[i].address, written[i].address);
        EXPECT_EQ(read[i].type, written[i].type);
    }
    // A cut between two recipients reads the first ones; any other is damage.
    const size_t firstEnd = 12 + 2 * (3 + 9);
    const size_t secondEnd = firstEnd + 12;
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        const bool whole = cut == firstEnd || cut == secondEnd;
        EXPECT_EQ(DecodeRecipients(std::span(bytes.data(), cut), read), whole) << cut;
    }
}

TEST(PropBlobTest, TruncatedOrMalformedBytesAreRejected) {
    PropMap props;
    props[0x0C1F] = {PT_UNICODE, 0, u"a\u00e9", {}};
    props[0x8001] = {PT_SYSTIME, -5, u"", {}};
    props[0x8003] = {PT_BINARY, 0, u"", {9, 8, 7}};
    std::vector<std::uint8_t> bytes = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                       12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                       23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
    EncodeProps(props, bytes);
    PropMap read;
    ASSERT_TRUE(DecodeProps(bytes, read));
    EXPECT_EQ(read, props);
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        if (!DecodeProps(std::span(bytes.data(), cut), read)) {
            continue;
        }
        // A cut may fall between two properties: then it reads the first ones whole.
        EXPECT_LT(read.size(), props.size()) << cut;
        for (const auto& [id, value] : read) {
            EXPECT_EQ(value, props.at(id)) << cut;
        }
    }
    std::vector<std::uint8_t> oddText = bytes;
    oddText[4] = 3; // the text's length: not a whole number of UTF-16 units
    EXPECT_FALSE(DecodeProps(oddText, read));
}

} // namespace
