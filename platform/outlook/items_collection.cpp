#include "platform/com/com_error.h"
#include "platform/outlook/civil_day.h"
#include "platform/outlook/filter_evaluation.h"
#include "platform/outlook/outlook_objects.h"
#include "platform/win32/locale.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int kNotAnOccurrence = -0x7FFFFFFF;

struct ItemEntry {
    std::int64_t id = 0;
    int originalDay = kNotAnOccurrence;
    StoreSeconds startUtc = 0;
};

std::string ShortDateFormat() {
    char picture[80] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, sizeof picture) == 0) {
        return "M/d/yyyy";
    }
    return picture;
}

std::optional<ItemOrder> OrderOf(const std::u16string& property) {
    std::u16string name;
    for (char16_t c : property) {
        if (c != u'[' && c != u']') {
            name += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
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
        if (!filter_ && !includeRecurrences_ && !list_) {
            return static_cast<LONG>(app_->Store().CountItems(folderId_));
        }
        return static_cast<LONG>(List().size());
    }
    CComPtr<IUnknown> Item(const _variant_t& index) override {
        const LONG i = index.ToLong();
        if (i < 1 || i > static_cast<LONG>(List().size())) {
            throw _com_error(DISP_E_BADINDEX, u"There is no item at this index.");
        }
        return Make(List()[i - 1]);
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
        list_.reset();
    }
    bool GetIncludeRecurrences() override { return includeRecurrences_; }
    void PutIncludeRecurrences(bool include) override {
        includeRecurrences_ = include;
        list_.reset();
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
    CComPtr<IUnknown> Current() {
        return cursor_ < List().size() ? Make(List()[cursor_]) : CComPtr<IUnknown>();
    }
    const std::vector<ItemEntry>& List();
    void AddSingles(std::vector<ItemEntry>& entries, const SqlCondition& condition);
    void AddOccurrences(std::vector<ItemEntry>& entries);
    CComPtr<IUnknown> Make(const ItemEntry& entry);

    CComPtr<ApplicationImpl> app_;
    std::int64_t folderId_;
    std::optional<FilterNode> filter_;
    ItemOrder order_ = ItemOrder::Creation;
    bool descending_ = false;
    bool includeRecurrences_ = false;
    std::optional<std::vector<ItemEntry>> list_;
    size_t cursor_ = 0;
};

void ItemsImpl::AddSingles(std::vector<ItemEntry>& entries, const SqlCondition& condition) {
    const ItemOrder order = includeRecurrences_ ? ItemOrder::Start : order_;
    for (const ItemKey& key : app_->Store().QueryItems(folderId_, condition, order)) {
        entries.push_back({key.id, kNotAnOccurrence, key.startUtc});
    }
}

void ItemsImpl::AddOccurrences(std::vector<ItemEntry>& entries) {
    CalendarStore& store = app_->Store();
    const StartBounds bounds = filter_ ? FilterStartBounds(*filter_) : StartBounds{};
    SqlCondition masters;
    masters.where = "rec_type IS NOT NULL";
    if (filter_) {
        masters = SeriesCandidates(*filter_, folderId_);
    }
    for (const ItemKey& key : store.QueryItems(folderId_, masters, ItemOrder::Creation)) {
        std::optional<AppointmentRecord> record = store.LoadItem(key.id);
        store.LoadProps(*record);
        store.LoadExceptions(*record);
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
                entries.push_back({key.id, o.originalDay, o.startUtc});
            }
        }
    }
}

const std::vector<ItemEntry>& ItemsImpl::List() {
    if (list_) {
        return *list_;
    }
    std::vector<ItemEntry> entries;
    if (!includeRecurrences_) {
        AddSingles(entries, filter_ ? FilterToSql(*filter_) : SqlCondition{});
    } else {
        AddSingles(entries, AndCondition(filter_, "rec_type IS NULL"));
        AddOccurrences(entries);
        std::stable_sort(
            entries.begin(), entries.end(),
            [](const ItemEntry& a, const ItemEntry& b) { return a.startUtc < b.startUtc; });
    }
    if (descending_) {
        std::reverse(entries.begin(), entries.end());
    }
    list_ = std::move(entries);
    return *list_;
}

CComPtr<IUnknown> ItemsImpl::Make(const ItemEntry& entry) {
    std::optional<AppointmentRecord> record = app_->Store().LoadItem(entry.id);
    if (!record) {
        throw _com_error(MAPI_E_NOT_FOUND, u"The item has been deleted.");
    }
    CComPtr<AppointmentItemImpl> item =
        MakeComObject<AppointmentItemImpl>(app_, std::move(*record), true);
    if (entry.originalDay == kNotAnOccurrence) {
        return item;
    }
    return MakeOccurrence(item, entry.originalDay);
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
    list_.reset();
    return MakeComObject<AppointmentItemImpl>(app_, std::move(record), false);
}

CComPtr<_Items> ItemsImpl::Restrict(const std::u16string& filter) {
    FilterNode node = ParseOutlookFilter(filter, ShortDateFormat());
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
