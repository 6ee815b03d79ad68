// A folder's Items in creation order are read a window of items at a time;
// these tests hold such walks to the Count/Item contract and to what single
// reads of the same items give.

#include "engine/common/redemption.h"
#include "tests/platform/outlook/store_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Enough items for three windows.
constexpr int kItems = 150;

std::u16string Numbered(int n) {
    std::string text = "Item " + std::to_string(n);
    return std::u16string(text.begin(), text.end());
}

class ItemWalkTest : public StoreTest {
protected:
    void AddNumbered(int count) {
        for (int n = 1; n <= count; ++n) {
            NewAppointment(Local(2007, 3, 1 + n % 28, 9), 30, Numbered(n));
        }
    }
    static std::u16string SubjectAt(const CComPtr<_Items>& items, LONG i) {
        return Appointment(items->Item(_variant_t(i, VT_INT)))->GetSubject();
    }
    static std::vector<std::u16string> NumberedList(int from, int to, std::vector<int> leftOut) {
        std::vector<std::u16string> list;
        for (int n = from; n <= to; ++n) {
            if (std::find(leftOut.begin(), leftOut.end(), n) == leftOut.end()) {
                list.push_back(Numbered(n));
            }
        }
        return list;
    }
};

TEST_F(ItemWalkTest, EveryItemComesOnceInCreationOrderAcrossWindows) {
    AddNumbered(kItems);
    CComPtr<_Items> items = Calendar()->GetItems();
    ASSERT_EQ(items->GetCount(), kItems);
    std::vector<std::u16string> byIndex, byCursor;
    for (LONG i = 1; i <= kItems; ++i) {
        byIndex.push_back(SubjectAt(items, i));
    }
    for (CComPtr<IUnknown> item = items->GetFirst(); item; item = items->GetNext()) {
        byCursor.push_back(Appointment(item)->GetSubject());
    }
    EXPECT_EQ(byIndex, NumberedList(1, kItems, {}));
    EXPECT_EQ(byCursor, byIndex);
    EXPECT_THROW(items->Item(_variant_t(kItems + 1, VT_INT)), _com_error);
}

TEST_F(ItemWalkTest, ItemsCanBeReachedOutOfOrderAndTwice) {
    AddNumbered(kItems);
    CComPtr<_Items> items = Calendar()->GetItems();
    const LONG order[] = {100, 3, 3, 4, 149, 70, 1, 150, 2};
    for (LONG i : order) {
        EXPECT_EQ(SubjectAt(items, i), Numbered(i)) << i;
    }
}

TEST_F(ItemWalkTest, AWalkHandsOutTheRemainingItemsOnceWhileOthersAddAndDelete) {
    AddNumbered(kItems);
    CComPtr<_Items> walk = Calendar()->GetItems();
    std::vector<std::u16string> seen;
    for (LONG i = 1; i <= 10; ++i) {
        seen.push_back(SubjectAt(walk, i));
    }
    // One item already passed, one in the current window, one further on.
    for (LONG at : {100, 20, 5}) {
        Appointment(Calendar()->GetItems()->Item(_variant_t(at, VT_INT)))->Delete();
    }
    NewAppointment(Local(2007, 4, 1, 9), 30, u"Added");

    int missing = 0;
    for (LONG i = 11; i <= walk->GetCount(); ++i) {
        try {
            seen.push_back(SubjectAt(walk, i));
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), MAPI_E_NOT_FOUND) << i;
            ++missing;
        }
    }
    EXPECT_EQ(walk->GetCount(), kItems);
    EXPECT_EQ(seen, NumberedList(1, kItems, {20, 100}));
    EXPECT_EQ(missing, 2);
    EXPECT_EQ(Calendar()->GetItems()->GetCount(), kItems - 3 + 1);
}

TEST_F(ItemWalkTest, AWalkCountsWhatWasWrittenAfterItsCollectionWasCounted) {
    AddNumbered(3);
    CComPtr<_Items> items = Calendar()->GetItems();
    ASSERT_EQ(items->GetCount(), 3);
    // A delete leaves the highest id as it was: only the store's writes tell.
    Appointment(Calendar()->GetItems()->Item(_variant_t(1, VT_INT)))->Delete();
    EXPECT_EQ(SubjectAt(items, 1), Numbered(2));
    EXPECT_EQ(items->GetCount(), 2);

    CComPtr<_Items> again = Calendar()->GetItems();
    ASSERT_EQ(again->GetCount(), 2);
    NewAppointment(Local(2007, 4, 1, 9), 30, u"Added");
    EXPECT_EQ(SubjectAt(again, 3), u"Added");
    EXPECT_EQ(again->GetCount(), 3);
}

TEST_F(ItemWalkTest, AddingThroughTheWalkingCollectionStartsItAfresh) {
    AddNumbered(3);
    CComPtr<_Items> items = Calendar()->GetItems();
    EXPECT_EQ(SubjectAt(items, 1), Numbered(1));
    CComPtr<_AppointmentItem> added = Appointment(items->Add());
    added->PutSubject(u"Added");
    added->Save();
    ASSERT_EQ(items->GetCount(), 4);
    EXPECT_EQ(SubjectAt(items, 4), u"Added");
}

class WalkPartsTest : public ItemWalkTest {
protected:
    // An item with recipients, a label, and for every third a series with a
    // deleted occurrence; items of another folder lie between them.
    void AddRichItem(const CComPtr<MAPIFolder>& folder, int n) {
        CComPtr<_AppointmentItem> item = Appointment(folder->GetItems()->Add());
        item->PutStart(Local(2007, 3, 5, 9));
        item->PutDuration(60);
        item->PutSubject(Numbered(n));
        for (int r = 0; r < n % 4; ++r) {
            item->GetRecipients()->Add(Numbered(n * 10 + r) + u"@example.com");
        }
        item->Save();
        const LONG label = utils_->GetIDsFromNames(item, PSETID_Appointment, 0x8214, true);
        utils_->HrSetOneProp(item, label | PT_LONG, _variant_t(LONG{n % 10}), true);
        if (n % 3 == 0) {
            CComPtr<RecurrencePattern> pattern = item->GetRecurrencePattern();
            pattern->PutRecurrenceType(olRecursDaily);
            pattern->PutOccurrences(5);
            item->Save();
            pattern->GetOccurrence(Local(2007, 3, 6, 9))->Delete();
        }
    }

    struct Parts {
        std::vector<std::u16string> recipients;
        std::vector<DATE> exceptions;
        LONG label = -1;
        bool operator==(const Parts&) const = default;
    };
    Parts PartsOf(const CComPtr<_AppointmentItem>& item) {
        Parts parts;
        CComPtr<Recipients> recipients = item->GetRecipients();
        for (LONG r = 1; r <= recipients->GetCount(); ++r) {
            parts.recipients.push_back(recipients->Item(_variant_t(r, VT_INT))->GetAddress());
        }
        if (item->GetIsRecurring()) {
            CComPtr<Exceptions> exceptions = item->GetRecurrencePattern()->GetExceptions();
            for (LONG e = 1; e <= exceptions->GetCount(); ++e) {
                parts.exceptions.push_back(
                    exceptions->Item(_variant_t(e, VT_INT))->GetOriginalDate());
            }
        }
        const LONG label = utils_->GetIDsFromNames(item, PSETID_Appointment, 0x8214, false);
        parts.label = utils_->HrGetOneProp(item, label | PT_LONG).ToLong();
        return parts;
    }

    StoreRedemption redemption_;
    CComPtr<IMAPIUtils>& utils_ = redemption_.utils;
};

TEST_F(WalkPartsTest, WindowsCarryTheSamePartsAsSingleReads) {
    CComPtr<MAPIFolder> other = Calendar()->GetFolders()->Add(u"Other");
    for (int n = 1; n <= 80; ++n) {
        AddRichItem(Calendar(), n);
        AddRichItem(other, 1000 + n);
    }
    CComPtr<_Items> items = Calendar()->GetItems();
    ASSERT_EQ(items->GetCount(), 80);
    for (LONG i = 1; i <= 80; ++i) {
        CComPtr<_AppointmentItem> walked = Appointment(items->Item(_variant_t(i, VT_INT)));
        CComPtr<_AppointmentItem> single =
            Appointment(outlook_->GetSession()->GetItemFromID(walked->GetEntryID()));
        Parts parts = PartsOf(walked);
        EXPECT_EQ(parts, PartsOf(single)) << i;
        EXPECT_EQ(parts.recipients.size(), static_cast<size_t>(i % 4)) << i;
        EXPECT_EQ(parts.exceptions.size(), i % 3 == 0 ? 1u : 0u) << i;
        EXPECT_EQ(parts.label, i % 10) << i;
    }
}

} // namespace
