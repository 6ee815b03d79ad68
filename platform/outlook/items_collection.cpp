#include "platform/com/com_error.h"
#include "platform/outlook/ascii_case.h"
#include "platform/outlook/civil_day.h"
#include "platform/outlook/filter_evaluation.h"
#include "platform/outlook/item_walk.h"
#include "platform/outlook/outlook_objects.h"
#include "platform/win32/locale.h"

#include <algorithm>
#include <chrono>
#include <map>

namespace {

constexpr int kNotAnOccurrence = -0x7FFFFFFF;

// A single item or an occurrence while they are merged by start.
struct ItemEntry {
    std::int64_t id = 0;
    int originalDay = kNotAnOccurrence;
    StoreSeconds startUtc = 0;
};

// A sorted, filtered or occurrence-expanding collection's items in order:
// ids, and the original day of each entry when occurrences are included
// (empty otherwise), eight bytes per item. A plain folder is walked without
// such a list (ItemWalk).
struct ItemIndex {
    std::vector<std::int64_t> ids;
    std::vector<int> days;

    size_t size() const { return ids.size(); }
    int DayAt(size_t i) const { return days.empty() ? kNotAnOccurrence : days[i]; }
};

// The locale's short date picture, in a buffer of the caller's: a filter
// that cannot be read raises its error with no string of ours to destroy on
// the way out.
struct DatePicture {
    char text[80] = {};
};

std::string_view ShortDateFormat(DatePicture& picture) {
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture.text, sizeof picture.text) ==
        0) {
        return "M/d/yyyy";
    }
    return picture.text;
}

std::optional<ItemOrder> OrderOf(const std::u16string& property) {
    std::u16string name;
    for (char16_t c : property) {
        if (c != u'[' && c != u']') {
            name += FoldAsciiCase(c);
        }
    }
    if (name == u"start") {
        return ItemOrder::Start;
    }
    if (name == u"end") {
        return ItemOrder::End;
    }
    if (name == u"subject") {
        return ItemOrder::Subject;
    }
    return std::nullopt;
}

[[noreturn]] void ThrowDeleted() {
    throw _com_error(MAPI_E_NOT_FOUND, u"The item has been deleted.");
}

// The start of a new appointment: the next half hour from now, 30 minutes long.
StoreSeconds NextHalfHour() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const StoreSeconds unix = std::chrono::duration_cast<std::chrono::seconds>(now).count();
    // 25569 days separate 30 December 1899 from 1 January 1970.
    const StoreSeconds utc = unix + 25569LL * kSecondsPerDay;
    return (utc / 1800 + 1) * 1800;
}

SqlCondition AndCondition(const std::optional<FilterNode>& filter, const char* extra) {
    SqlCondition condition;
    if (filter) {
        condition = FilterToSql(*filter);
        condition.where = "(" + condition.where + ") AND " + extra;
    } else {
        condition.where = extra;
    }
    return condition;
}

class ItemsImpl : public _Items {
public:
    ItemsImpl(CComPtr<ApplicationImpl> app, std::int64_t folderId)
        : app_(std::move(app)), folderId_(folderId) {}

    LONG GetCount() override {
        if (IsPlainWalk() && !walk_) {
            return static_cast<LONG>(app_->Store().CountItems(folderId_));
        }
        return static_cast<LONG>(Size());
    }
    CComPtr<IUnknown> Item(const _variant_t& index) override {
        const LONG i = index.ToLong();
        if (i < 1 || i > static_cast<LONG>(Size())) {
            throw _com_error(DISP_E_BADINDEX, u"There is no item at this index.");
        }
        return Make(static_cast<size_t>(i - 1));
    }
    CComPtr<IUnknown> Add(const _variant_t& type) override;
    CComPtr<_Items> Restrict(const std::u16string& filter) override;
    void Sort(const std::u16string& property, bool descending) override {
        std::optional<ItemOrder> order = OrderOf(property);
        if (!order) {
            ThrowInvalid(u"The items cannot be sorted by " + property + u".");
        }
        order_ = *order;
        descending_ = descending;
        Forget();
    }
    bool GetIncludeRecurrences() override { return includeRecurrences_; }
    void PutIncludeRecurrences(bool include) override {
        includeRecurrences_ = include;
        Forget();
    }
    CComPtr<IUnknown> GetFirst() override {
        cursor_ = 0;
        return Current();
    }
    CComPtr<IUnknown> GetNext() override {
        ++cursor_;
        return Current();
    }

private:
    CComPtr<IUnknown> Current() { return cursor_ < Size() ? Make(cursor_) : CComPtr<IUnknown>(); }
    // The folder's items as they are, in creation order: walked a window at
    // a time instead of through a list of every item.
    bool IsPlainWalk() const {
        return !filter_ && !includeRecurrences_ && order_ == ItemOrder::Creation && !descending_;
    }
    ItemWalk& Walk() {
        if (!walk_) {
            walk_.emplace(app_->Store(), folderId_);
        }
        return *walk_;
    }
    size_t Size() { return IsPlainWalk() ? Walk().Count() : List().size(); }
    void Forget() {
        list_.reset();
        walk_.reset();
        series_.clear();
    }
    std::optional<AppointmentRecord> Load(size_t position);
    std::shared_ptr<const AppointmentRecord> LoadedSeries(std::int64_t id);
    // The series of an occurrence in the list, with its properties and
    // changed occurrences: as read for the list while nothing has been
    // written since, else as stored now.
    std::shared_ptr<const AppointmentRecord> Series(std::int64_t id);
    const ItemIndex& List();
    // False when the filter's items are known to be none without a query.
    bool MayFindItems();
    // False when no item of the folder with the subject starts within the
    // bounds (open bounds: may).
    bool MayHoldSubjectWithin(const std::u16string& subject, const StartBounds& bounds);
    ItemIndex MergedWithOccurrences();
    // What an occurrence-expanding list is made from: the single items that
    // match, in start order, and the series that may hold a matching
    // occurrence, in id order.
    struct Candidates {
        std::vector<ItemEntry> singles;
        std::vector<std::int64_t> series;
    };
    Candidates FindCandidates();
    Candidates SubjectSearch(const std::u16string& subject);
    // The series of this folder that was saved last, when its item object
    // still holds it as stored; else 0.
    std::int64_t HeldSeries();
    std::optional<AppointmentRecord> ReadSeries(std::int64_t id);
    void AddOccurrences(std::vector<ItemEntry>& entries,
                        const std::vector<std::int64_t>& seriesIds);
    CComPtr<IUnknown> Make(size_t position);

    CComPtr<ApplicationImpl> app_;
    std::int64_t folderId_;
    std::optional<FilterNode> filter_;
    ItemOrder order_ = ItemOrder::Creation;
    bool descending_ = false;
    bool includeRecurrences_ = false;
    std::optional<ItemIndex> list_;
    std::optional<ItemWalk> walk_;
    // The series expanded for the list, with their properties and changed
    // occurrences: their occurrences are made from these (each occurrence
    // copies its series only when it needs an object of it) instead of
    // reading the series again for each one, while nothing has written to
    // the store since they were read (seriesReadAt_).
    std::map<std::int64_t, std::shared_ptr<const AppointmentRecord>> series_;
    StoreWriteStamp seriesReadAt_;
    size_t cursor_ = 0;
};

// With a subject every match needs, a search of the subject's single items
// finds those that match and one of its series those to expand, each in an
// index of its own that answers it without reading the items' rows; a third
// search finds the series whose changed occurrences alone carry the subject.
// Each search is made only when the store's keys say that it may find
// something (the single items: one that starts within the filter's bounds;
// the series: one other than the series just saved).
//
// A series of this folder that has just been saved (the occurrences of a
// new series are searched right after its save) is a candidate whatever
// the store holds of it yet: inside a save batch the searches need not wait
// for its write (see CalendarStore::HeldItem), and are kept from finding it
// in a state it no longer has. Candidates that hold no match are dropped
// when the occurrences are expanded.
ItemsImpl::Candidates ItemsImpl::SubjectSearch(const std::u16string& subject) {
    CalendarStore& store = app_->Store();
    const std::int64_t held = HeldSeries();
    Candidates found;
    if (MayHoldSubjectWithin(subject, FilterStartBounds(*filter_))) {
        SqlCondition singles = SingleSubjectCandidates(*filter_, subject);
        singles.heldItem = held;
        for (const ItemKey& key : store.QueryItems(folderId_, singles, ItemOrder::Start)) {
            if (key.id != held) {
                found.singles.push_back({key.id, kNotAnOccurrence, key.startUtc});
            }
        }
    }
    const StartWindow window = SeriesWindow(FilterStartBounds(*filter_));
    if (store.MayHoldSeries(folderId_, subject, held, window.from, window.to)) {
        SqlCondition series = SeriesSubjectCandidates(*filter_, subject);
        series.heldItem = held;
        found.series = store.QueryItemIds(folderId_, series, ItemOrder::Any);
    }
    const std::vector<std::int64_t> changed = store.ItemsWithOccurrenceSubject(subject, held);
    found.series.insert(found.series.end(), changed.begin(), changed.end());
    if (held != 0) {
        found.series.push_back(held);
    }
    std::sort(found.series.begin(), found.series.end());
    found.series.erase(std::unique(found.series.begin(), found.series.end()), found.series.end());
    return found;
}

ItemsImpl::Candidates ItemsImpl::FindCandidates() {
    if (const std::u16string* subject = filter_ ? RequiredSubject(*filter_) : nullptr) {
        return SubjectSearch(*subject);
    }
    CalendarStore& store = app_->Store();
    Candidates found;
    for (const ItemKey& key :
         store.QueryItems(folderId_, AndCondition(filter_, "rec_type IS NULL"), ItemOrder::Start)) {
        found.singles.push_back({key.id, kNotAnOccurrence, key.startUtc});
    }
    SqlCondition masters;
    masters.where = "rec_type IS NOT NULL";
    if (filter_) {
        masters = SeriesCandidates(*filter_);
    }
    for (const ItemKey& key : store.QueryItems(folderId_, masters, ItemOrder::Creation)) {
        found.series.push_back(key.id);
    }
    return found;
}

std::int64_t ItemsImpl::HeldSeries() {
    AppointmentItemImpl* saved = app_->Context().lastSaved;
    const AppointmentRecord* record = saved ? saved->StoredRecord() : nullptr;
    return record && record->pattern && record->folderId == folderId_ ? record->id : 0;
}

// A series with its properties and changed occurrences, from the item object
// that has just saved it when that is still what the store holds.
std::optional<AppointmentRecord> ItemsImpl::ReadSeries(std::int64_t id) {
    CalendarStore& store = app_->Store();
    std::optional<AppointmentRecord> record;
    AppointmentItemImpl* saved = app_->Context().lastSaved;
    if (saved && saved->Record().id == id) {
        if (const AppointmentRecord* stored = saved->StoredRecord()) {
            record = *stored;
        }
    }
    if (!record) {
        record = store.LoadItem(id);
    }
    if (record) {
        store.LoadProps(*record);
        store.LoadExceptions(*record);
    }
    return record;
}

void ItemsImpl::AddOccurrences(std::vector<ItemEntry>& entries,
                               const std::vector<std::int64_t>& seriesIds) {
    CalendarStore& store = app_->Store();
    const StartBounds bounds = filter_ ? FilterStartBounds(*filter_) : StartBounds{};
    seriesReadAt_ = store.WriteStamp();
    for (const std::int64_t id : seriesIds) {
        std::optional<AppointmentRecord> record = ReadSeries(id);
        // A series found by a changed occurrence's subject may lie in another folder.
        if (!record || record->folderId != folderId_ || !record->pattern) {
            continue;
        }
        const size_t before = entries.size();
        for (const ::Occurrence& o :
             ExpandSeries(*record, store.SystemZone(), bounds.from, bounds.to)) {
            const ExceptionRecord* e = o.exception;
            const FilterSubject subject{&*record,
                                        o.startUtc,
                                        o.endUtc,
                                        e && e->subject ? &*e->subject : &record->subject,
                                        e && e->location ? &*e->location : &record->location,
                                        e && e->body ? &*e->body : &record->body};
            if (!filter_ || FilterMatches(*filter_, subject)) {
                entries.push_back({id, o.originalDay, o.startUtc});
            }
        }
        if (entries.size() > before) {
            series_.emplace(id, std::make_shared<const AppointmentRecord>(std::move(*record)));
        }
    }
}

ItemIndex ItemsImpl::MergedWithOccurrences() {
    Candidates candidates = FindCandidates();
    std::vector<ItemEntry> entries = std::move(candidates.singles);
    AddOccurrences(entries, candidates.series);
    std::stable_sort(entries.begin(), entries.end(), [](const ItemEntry& a, const ItemEntry& b) {
        return a.startUtc < b.startUtc;
    });
    ItemIndex index;
    index.ids.reserve(entries.size());
    index.days.reserve(entries.size());
    for (const ItemEntry& entry : entries) {
        index.ids.push_back(entry.id);
        index.days.push_back(entry.originalDay);
    }
    return index;
}

const ItemIndex& ItemsImpl::List() {
    if (list_) {
        return *list_;
    }
    ItemIndex index;
    if (!includeRecurrences_) {
        if (!MayFindItems()) {
            list_ = std::move(index);
            return *list_;
        }
        SqlCondition condition;
        if (filter_) {
            condition = FilterToSql(*filter_);
            if (const std::u16string* subject = RequiredSubject(*filter_)) {
                condition.subject = *subject;
            }
        }
        index.ids = app_->Store().QueryItemIds(folderId_, condition, order_);
    } else {
        index = MergedWithOccurrences();
    }
    if (descending_) {
        std::reverse(index.ids.begin(), index.ids.end());
        std::reverse(index.days.begin(), index.days.end());
    }
    list_ = std::move(index);
    return *list_;
}

// A filter that fixes the subject and bounds the start (a conflict search
// fixes both) finds nothing when the store holds no item with that subject
// starting within the bounds.
bool ItemsImpl::MayFindItems() {
    const std::u16string* subject = filter_ ? RequiredSubject(*filter_) : nullptr;
    return !subject || MayHoldSubjectWithin(*subject, FilterStartBounds(*filter_));
}

bool ItemsImpl::MayHoldSubjectWithin(const std::u16string& subject, const StartBounds& bounds) {
    return !bounds.from || !bounds.to ||
           app_->Store().MayHoldItem(folderId_, subject, *bounds.from, *bounds.to);
}

std::shared_ptr<const AppointmentRecord> ItemsImpl::LoadedSeries(std::int64_t id) {
    auto found = series_.find(id);
    if (found == series_.end()) {
        return nullptr;
    }
    if (seriesReadAt_ != app_->Store().WriteStamp()) {
        series_.clear();
        return nullptr;
    }
    return found->second;
}

std::shared_ptr<const AppointmentRecord> ItemsImpl::Series(std::int64_t id) {
    if (std::shared_ptr<const AppointmentRecord> series = LoadedSeries(id)) {
        return series;
    }
    CalendarStore& store = app_->Store();
    std::optional<AppointmentRecord> record = store.LoadItem(id);
    if (!record) {
        ThrowDeleted();
    }
    store.LoadProps(*record);
    store.LoadExceptions(*record);
    return std::make_shared<const AppointmentRecord>(std::move(*record));
}

std::optional<AppointmentRecord> ItemsImpl::Load(size_t position) {
    if (IsPlainWalk()) {
        return Walk().Take(position);
    }
    return app_->Store().LoadItem(list_->ids[position]);
}

CComPtr<IUnknown> ItemsImpl::Make(size_t position) {
    const int originalDay = IsPlainWalk() ? kNotAnOccurrence : list_->DayAt(position);
    if (originalDay != kNotAnOccurrence) {
        return MakeOccurrence(app_, Series(list_->ids[position]), originalDay);
    }
    std::optional<AppointmentRecord> record = Load(position);
    if (!record) {
        ThrowDeleted();
    }
    return MakeComObject<AppointmentItemImpl>(app_, std::move(*record), true);
}

CComPtr<IUnknown> ItemsImpl::Add(const _variant_t& type) {
    if (!type.IsMissing() && !type.IsEmpty() && type.ToLong() != olAppointmentItem) {
        ThrowInvalid(u"A calendar folder holds appointments only.");
    }
    AppointmentRecord record;
    record.folderId = folderId_;
    record.startUtc = NextHalfHour();
    record.endUtc = record.startUtc + 1800;
    record.props.emplace();
    record.recipients.emplace();
    record.exceptions.emplace();
    Forget();
    return MakeComObject<AppointmentItemImpl>(app_, std::move(record), false);
}

CComPtr<_Items> ItemsImpl::Restrict(const std::u16string& filter) {
    DatePicture picture;
    FilterNode node = ParseOutlookFilter(filter, ShortDateFormat(picture));
    ResolveFilterDates(node, app_->Store().SystemZone());
    auto restricted = MakeComObject<ItemsImpl>(app_, folderId_);
    if (filter_) {
        FilterNode both;
        both.kind = FilterNode::Kind::And;
        both.children = {*filter_, std::move(node)};
        node = std::move(both);
    }
    restricted->filter_ = std::move(node);
    restricted->order_ = order_;
    restricted->descending_ = descending_;
    restricted->includeRecurrences_ = includeRecurrences_;
    return restricted;
}

} // namespace

CComPtr<_Items> MakeItems(const CComPtr<ApplicationImpl>& app, std::int64_t folderId) {
    return MakeComObject<ItemsImpl>(app, folderId);
}
