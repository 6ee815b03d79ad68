// The calendar store's speed goals: saving many appointments (each in a
// transaction of its own, or in batches), writing one property of a stored
// one, reading one by index in constant time and all its fields in one
// query, finding one by start, end and subject among a million (or finding
// none), finding a series' occurrences by subject and range, and opening a
// store of a million without reading it.

#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_folder.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/common/redemption.h"
#include "engine/common/save_batch.h"
#include "platform/outlook/outlook_store.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace {

// The stores live in a folder of their own, removed when the program ends.
class BenchFolder {
public:
    BenchFolder() {
        setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
        path_ = std::filesystem::temp_directory_path() /
                ("quillane-store-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(path_);
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

BenchFolder& Folder() {
    static BenchFolder folder;
    return folder;
}

CComPtr<_Application> Open(const std::string& file) {
    return OpenOutlookStore(Folder().File(file), true, u"14.0", OutlookHooks{});
}

CComPtr<_Items> CalendarItems(const CComPtr<_Application>& outlook) {
    return outlook->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems();
}

std::u16string Subject(long i) {
    const std::string text = "Appointment " + std::to_string(i);
    return std::u16string(text.begin(), text.end());
}

// Appointment i starts on day i / 8 of 2007 at one of eight hours.
DATE StartOf(long i) {
    return COleDateTime(2007, 1, 1, 8 + static_cast<int>(i % 8), 0, 0) + static_cast<double>(i / 8);
}

void AddAppointment(const CComPtr<_Items>& items, long i) {
    CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(items->Add());
    item->PutStart(StartOf(i));
    item->PutDuration(30);
    item->PutSubject(Subject(i));
    item->PutLocation(u"Room 4");
    item->PutCategories(u"Business");
    item->Save();
}

// A store of n appointments, made once per size (in transactions of 100,000
// so that building a million takes seconds).
std::string StoreOf(long n) {
    static std::map<long, std::string> made;
    auto found = made.find(n);
    if (found != made.end()) {
        return found->second;
    }
    const std::string file = "store-" + std::to_string(n) + ".db";
    CComPtr<_Application> outlook = Open(file);
    CComPtr<_Items> items = CalendarItems(outlook);
    for (long start = 0; start < n; start += 100000) {
        StoreTransaction transaction(outlook);
        for (long i = start; i < n && i < start + 100000; ++i) {
            AddAppointment(items, i);
        }
        transaction.Commit();
    }
    return made[n] = file;
}

// Every Save is a transaction of its own, as a save outside an import is.
void BM_AddAndSave(benchmark::State& state) {
    CComPtr<_Application> outlook = Open("save-" + std::to_string(state.range(0)) + ".db");
    CComPtr<_Items> items = CalendarItems(outlook);
    long i = 0;
    for (auto _ : state) {
        AddAppointment(items, i++);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddAndSave)->Arg(100000)->Iterations(100000)->Unit(benchmark::kMicrosecond);

// Saves bound into batches of the store, as the import makes them.
void BM_AddAndSaveInBatches(benchmark::State& state) {
    CComPtr<_Application> outlook = Open("batched-" + std::to_string(state.range(0)) + ".db");
    CComPtr<_Items> items = CalendarItems(outlook);
    SaveBatch batch(outlook,
                    [](const std::string& text, LONG, int) { std::fputs(text.c_str(), stderr); });
    long i = 0;
    for (auto _ : state) {
        batch.NextItem();
        AddAppointment(items, i++);
    }
    batch.Commit();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddAndSaveInBatches)->Arg(100000)->Iterations(100000)->Unit(benchmark::kMicrosecond);

// One property written with HrSetOneProp to stored appointments with a
// growing number of recipients: only the property is written, so the time
// stays flat.
void BM_SetOnePropertyOfStoredItem(benchmark::State& state) {
    CComPtr<_Application> outlook = Open("one-prop-" + std::to_string(state.range(0)) + ".db");
    SetRedemptionFactory(CreateStoreRedemptionObject);
    CComPtr<IMAPIUtils> utils;
    CreateRedemptionObject(kProgIdMapiUtils, utils);
    CComPtr<_AppointmentItem> item =
        QueryInterface<_AppointmentItem>(CalendarItems(outlook)->Add());
    item->PutSubject(u"Many attendees");
    item->PutBody(std::u16string(4000, u'b'));
    for (long i = 0; i < state.range(0); ++i) {
        item->GetRecipients()->Add(Subject(i) + u"@example.com");
    }
    item->Save();
    long i = 0;
    for (auto _ : state) {
        utils->HrSetOneProp(item, PR_SENDER_EMAIL_ADDRESS, _variant_t(Subject(i++)), true);
    }
    SetRedemptionFactory(nullptr);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetOnePropertyOfStoredItem)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

// Item(i) at random places of folders of growing size: the time stays flat.
void BM_ItemByIndex(benchmark::State& state) {
    const long n = state.range(0);
    CComPtr<_Items> items = CalendarItems(Open(StoreOf(n)));
    items->Item(_variant_t(LONG{1}, VT_INT)); // the index is built on first use
    unsigned long next = 12345;
    for (auto _ : state) {
        next = next * 6364136223846793005UL + 1442695040888963407UL;
        const LONG index = static_cast<LONG>((next >> 33) % n) + 1;
        benchmark::DoNotOptimize(items->Item(_variant_t(index, VT_INT)).get());
    }
}
BENCHMARK(BM_ItemByIndex)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Every field the export reads, from one fetched appointment.
void BM_ReadAllFields(benchmark::State& state) {
    CComPtr<_Items> items = CalendarItems(Open(StoreOf(10000)));
    LONG index = 1;
    for (auto _ : state) {
        CComPtr<_AppointmentItem> item =
            QueryInterface<_AppointmentItem>(items->Item(_variant_t(index, VT_INT)));
        index = index % 10000 + 1;
        benchmark::DoNotOptimize(item->GetEntryID());
        benchmark::DoNotOptimize(item->GetSubject());
        benchmark::DoNotOptimize(item->GetLocation());
        benchmark::DoNotOptimize(item->GetCategories());
        benchmark::DoNotOptimize(item->GetSensitivity());
        benchmark::DoNotOptimize(item->GetImportance());
        benchmark::DoNotOptimize(item->GetBusyStatus());
        benchmark::DoNotOptimize(item->GetAllDayEvent());
        benchmark::DoNotOptimize(item->GetMeetingStatus());
        benchmark::DoNotOptimize(item->GetIsRecurring());
        benchmark::DoNotOptimize(item->GetRecurrenceState());
        benchmark::DoNotOptimize(item->GetStart());
        benchmark::DoNotOptimize(item->GetEnd());
        benchmark::DoNotOptimize(item->GetReminderSet());
        benchmark::DoNotOptimize(item->GetReminderMinutesBeforeStart());
    }
}
BENCHMARK(BM_ReadAllFields)->Unit(benchmark::kMicrosecond);

// The import's conflict lookup among a million appointments.
void BM_RestrictByStartEndSubject(benchmark::State& state) {
    CComPtr<_Items> items = CalendarItems(Open(StoreOf(1000000)));
    long i = 0;
    for (auto _ : state) {
        const long target = (i++ * 7919) % 1000000;
        const COleDateTime start(StartOf(target));
        const COleDateTime end = start + COleDateTimeSpan(0, 0, 30, 0);
        const std::string filter = "[Start] = '" + start.Format("%m/%d/%Y %I:%M %p") +
                                   "' And [End] = '" + end.Format("%m/%d/%Y %I:%M %p") +
                                   "' And [Subject] = 'Appointment " + std::to_string(target) + "'";
        CComPtr<_Items> found = items->Restrict(std::u16string(filter.begin(), filter.end()));
        if (found->GetCount() != 1) {
            state.SkipWithError("the appointment was not found");
            break;
        }
        benchmark::DoNotOptimize(found->Item(_variant_t(LONG{1}, VT_INT)).get());
    }
}
BENCHMARK(BM_RestrictByStartEndSubject)->Unit(benchmark::kMicrosecond);

// The same lookup when nothing matches, as for every event of an import
// into a fresh store with replace or leave: the filter is read, the search
// runs and finds no row.
void BM_RestrictFindingNothing(benchmark::State& state) {
    CComPtr<_Items> items = CalendarItems(Open(StoreOf(100000)));
    long i = 0;
    for (auto _ : state) {
        const long target = (i++ * 7919) % 100000;
        const COleDateTime start = COleDateTime(StartOf(target)) + COleDateTimeSpan(0, 0, 15, 0);
        const COleDateTime end = start + COleDateTimeSpan(0, 0, 30, 0);
        const std::string filter = "[Start] = '" + start.Format("%m/%d/%Y %I:%M %p") +
                                   "' And [End] = '" + end.Format("%m/%d/%Y %I:%M %p") +
                                   "' And [Subject] = 'Appointment " + std::to_string(target) + "'";
        CComPtr<_Items> found = items->Restrict(std::u16string(filter.begin(), filter.end()));
        if (found->GetCount() != 0) {
            state.SkipWithError("an appointment was found at a time none has");
            break;
        }
    }
}
BENCHMARK(BM_RestrictFindingNothing)->Unit(benchmark::kMicrosecond);

// A store of n appointments of which every fourth is a weekly series of ten
// occurrences, made once per size.
std::string SeriesStoreOf(long n) {
    static std::map<long, std::string> made;
    auto found = made.find(n);
    if (found != made.end()) {
        return found->second;
    }
    const std::string file = "series-" + std::to_string(n) + ".db";
    CComPtr<_Application> outlook = Open(file);
    CComPtr<_Items> items = CalendarItems(outlook);
    StoreTransaction transaction(outlook);
    for (long i = 0; i < n; ++i) {
        CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(items->Add());
        item->PutStart(StartOf(i));
        item->PutDuration(30);
        item->PutSubject(Subject(i));
        if (i % 4 == 0) {
            CComPtr<RecurrencePattern> pattern = item->GetRecurrencePattern();
            pattern->PutRecurrenceType(olRecursWeekly);
            pattern->PutOccurrences(10);
        }
        item->Save();
    }
    transaction.Commit();
    return made[n] = file;
}

// The import's search for the occurrences of a series it has just saved:
// by subject and a range of starts, occurrences included, walked in order.
void BM_OccurrencesOfASeries(benchmark::State& state) {
    const long n = state.range(0);
    CComPtr<_Application> outlook = Open(SeriesStoreOf(n));
    long i = 0;
    for (auto _ : state) {
        const long target = (i++ * 7919) % (n / 4) * 4;
        const COleDateTime first(StartOf(target));
        const COleDateTime last = first + COleDateTimeSpan(63, 0, 0, 0);
        const std::string filter = "[Start] >= \"" + first.Format("%m/%d/%Y %I:%M %p") +
                                   "\" And [Start] <= \"" + last.Format("%m/%d/%Y %I:%M %p") +
                                   "\" And [Subject] = \"Appointment " + std::to_string(target) +
                                   "\"";
        CComPtr<_Items> items = CalendarItems(outlook);
        items->Sort(u"[Start]");
        items->PutIncludeRecurrences(true);
        CComPtr<_Items> found = items->Restrict(std::u16string(filter.begin(), filter.end()));
        int occurrences = 0;
        for (CComPtr<IUnknown> element = found->GetFirst(); element; element = found->GetNext()) {
            ++occurrences;
        }
        if (occurrences != 10) {
            state.SkipWithError("the series' ten occurrences were not found");
            break;
        }
    }
}
BENCHMARK(BM_OccurrencesOfASeries)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Opening a store of a million appointments and reaching its calendar.
void BM_OpenLargeStore(benchmark::State& state) {
    const std::string file = StoreOf(1000000);
    for (auto _ : state) {
        CComPtr<_Application> outlook = Open(file);
        benchmark::DoNotOptimize(
            outlook->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems().get());
    }
}
BENCHMARK(BM_OpenLargeStore)->Unit(benchmark::kMillisecond);

} // namespace
