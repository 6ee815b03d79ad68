#include "platform/outlook/filter_evaluation.h"

#include "platform/outlook/ascii_case.h"
#include "platform/outlook/civil_day.h"

#include <algorithm>
#include <limits>

namespace {

struct FieldColumn {
    FilterField field;
    const char* column;
};

const FieldColumn kColumns[] = {
    {FilterField::Start, "start_utc"},
    {FilterField::End, "end_utc"},
    {FilterField::Subject, "subject"},
    {FilterField::Location, "location"},
    {FilterField::Categories, "categories"},
    {FilterField::Body, "body"},
    {FilterField::Resources, "resources"},
    {FilterField::Duration, "((end_utc - start_utc) / 60)"},
    {FilterField::Sensitivity, "sensitivity"},
    {FilterField::Importance, "importance"},
    {FilterField::BusyStatus, "busy_status"},
    {FilterField::MeetingStatus, "meeting_status"},
    {FilterField::ReminderMinutesBeforeStart, "reminder_minutes"},
    {FilterField::AllDayEvent, "all_day"},
    {FilterField::ReminderSet, "reminder_set"},
    {FilterField::IsRecurring, "(rec_type IS NOT NULL)"},
};

const char* ColumnOf(FilterField field) {
    for (const FieldColumn& c : kColumns) {
        if (c.field == field) {
            return c.column;
        }
    }
    return "NULL";
}

const char* SqlOperator(CompareOp op) {
    switch (op) {
    case CompareOp::Equal:
        return " = ?";
    case CompareOp::NotEqual:
        return " <> ?";
    case CompareOp::Less:
        return " < ?";
    case CompareOp::LessEqual:
        return " <= ?";
    case CompareOp::Greater:
        return " > ?";
    case CompareOp::GreaterEqual:
        return " >= ?";
    }
    return " = ?";
}

void AppendSql(const FilterNode& node, SqlCondition& out) {
    if (node.kind == FilterNode::Kind::Compare) {
        out.where += ColumnOf(node.field);
        out.where += SqlOperator(node.op);
        if (const auto* text = std::get_if<std::u16string>(&node.value)) {
            out.values.emplace_back(*text);
        } else {
            out.values.emplace_back(static_cast<std::int64_t>(std::get<long long>(node.value)));
        }
        return;
    }
    if (node.kind == FilterNode::Kind::Not) {
        out.where += "NOT (";
        AppendSql(node.children[0], out);
        out.where += ")";
        return;
    }
    const char* joiner = node.kind == FilterNode::Kind::And ? " AND " : " OR ";
    out.where += "(";
    for (size_t i = 0; i < node.children.size(); ++i) {
        out.where += i > 0 ? joiner : "";
        AppendSql(node.children[i], out);
    }
    out.where += ")";
}

// The order of two texts without regard to ASCII case, as the store's
// NOCASE columns compare.
int CompareText(const std::u16string& a, const std::u16string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = FoldAsciiCase(a[i]), y = FoldAsciiCase(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareNumber(long long a, long long b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

const std::u16string& TextOf(FilterField field, const FilterSubject& s) {
    switch (field) {
    case FilterField::Subject:
        return *s.subject;
    case FilterField::Location:
        return *s.location;
    case FilterField::Body:
        return *s.body;
    case FilterField::Categories:
        return s.record->categories;
    default:
        return s.record->resources;
    }
}

long long NumberOf(FilterField field, const FilterSubject& s) {
    const AppointmentRecord& r = *s.record;
    switch (field) {
    case FilterField::Start:
        return s.startUtc;
    case FilterField::End:
        return s.endUtc;
    case FilterField::Duration:
        return (s.endUtc - s.startUtc) / 60;
    case FilterField::Sensitivity:
        return r.sensitivity;
    case FilterField::Importance:
        return r.importance;
    case FilterField::BusyStatus:
        return r.busyStatus;
    case FilterField::MeetingStatus:
        return r.meetingStatus;
    case FilterField::ReminderMinutesBeforeStart:
        return r.reminderMinutesBeforeStart;
    case FilterField::AllDayEvent:
        return r.allDayEvent;
    case FilterField::ReminderSet:
        return r.reminderSet;
    default:
        return r.pattern.has_value();
    }
}

void Tighten(const FilterNode& node, StartBounds& bounds) {
    if (node.kind == FilterNode::Kind::And) {
        for (const FilterNode& child : node.children) {
            Tighten(child, bounds);
        }
        return;
    }
    if (node.kind != FilterNode::Kind::Compare || node.field != FilterField::Start) {
        return;
    }
    const StoreSeconds value = std::get<long long>(node.value);
    const bool lower = node.op == CompareOp::Greater || node.op == CompareOp::GreaterEqual ||
                       node.op == CompareOp::Equal;
    const bool upper = node.op == CompareOp::Less || node.op == CompareOp::LessEqual ||
                       node.op == CompareOp::Equal;
    if (lower) {
        bounds.from = bounds.from ? std::max(*bounds.from, value) : value;
    }
    if (upper) {
        bounds.to = bounds.to ? std::min(*bounds.to, value) : value;
    }
}

// Two days of slack cover any zone offset between the stored local and UTC
// times and the time of day of an occurrence on the pattern's first or last day.
constexpr StoreSeconds kRangeSlack = 2 * kSecondsPerDay;

// A series qualifies when its pattern's range meets the bounds (a pattern
// without an end always reaches the lower one), or when one of its changed
// occurrences starts within them. Appended to out with an AND.
void AppendRangeCandidates(const StartBounds& bounds, SqlCondition& out) {
    if (!bounds.from && !bounds.to) {
        return;
    }
    const auto [from, to] = SeriesWindow(bounds);
    out.where += " AND ((rec_start_utc <= ? AND (rec_no_end <> 0 OR rec_end_utc IS NULL OR "
                 "rec_end_utc >= ?)) OR EXISTS (SELECT 1 FROM exceptions WHERE item_id = "
                 "items.id AND deleted = 0 AND start_local BETWEEN ? AND ?))";
    out.values.insert(out.values.end(), {to, from, from, to});
}

// A condition with room for what a search's filter usually adds (a few
// comparisons and their values), so that building it does not regrow.
SqlCondition EmptyCondition() {
    SqlCondition condition;
    condition.where.clear();
    condition.where.reserve(256);
    condition.values.reserve(8);
    return condition;
}

} // namespace

void ResolveFilterDates(FilterNode& node, const StoreZone& systemZone) {
    if (const DATE* date = std::get_if<DATE>(&node.value)) {
        node.value = static_cast<long long>(systemZone.ToUtc(DateToSeconds(*date)));
    }
    for (FilterNode& child : node.children) {
        ResolveFilterDates(child, systemZone);
    }
}

SqlCondition FilterToSql(const FilterNode& node) {
    SqlCondition condition = EmptyCondition();
    AppendSql(node, condition);
    return condition;
}

bool FilterMatches(const FilterNode& node, const FilterSubject& subject) {
    switch (node.kind) {
    case FilterNode::Kind::And:
        return std::all_of(node.children.begin(), node.children.end(),
                           [&](const FilterNode& c) { return FilterMatches(c, subject); });
    case FilterNode::Kind::Or:
        return std::any_of(node.children.begin(), node.children.end(),
                           [&](const FilterNode& c) { return FilterMatches(c, subject); });
    case FilterNode::Kind::Not:
        return !FilterMatches(node.children[0], subject);
    case FilterNode::Kind::Compare:
        break;
    }
    if (const auto* text = std::get_if<std::u16string>(&node.value)) {
        return CompareHolds(node.op, CompareText(TextOf(node.field, subject), *text));
    }
    return CompareHolds(
        node.op, CompareNumber(NumberOf(node.field, subject), std::get<long long>(node.value)));
}

StartBounds FilterStartBounds(const FilterNode& node) {
    StartBounds bounds;
    Tighten(node, bounds);
    return bounds;
}

const std::u16string* RequiredSubject(const FilterNode& node) {
    if (node.kind == FilterNode::Kind::And) {
        for (const FilterNode& child : node.children) {
            if (const std::u16string* subject = RequiredSubject(child)) {
                return subject;
            }
        }
        return nullptr;
    }
    if (node.kind != FilterNode::Kind::Compare || node.field != FilterField::Subject ||
        node.op != CompareOp::Equal) {
        return nullptr;
    }
    return std::get_if<std::u16string>(&node.value);
}

StartWindow SeriesWindow(const StartBounds& bounds) {
    using Limits = std::numeric_limits<StoreSeconds>;
    return {bounds.from ? *bounds.from - kRangeSlack : Limits::min(),
            bounds.to ? *bounds.to + kRangeSlack : Limits::max()};
}

SqlCondition SeriesCandidates(const FilterNode& node) {
    SqlCondition condition = EmptyCondition();
    condition.where += "rec_type IS NOT NULL";
    AppendRangeCandidates(FilterStartBounds(node), condition);
    return condition;
}

namespace {

// The items with the subject, of one kind (single items or series).
SqlCondition SubjectCondition(const std::u16string& subject, const char* kind) {
    SqlCondition condition = EmptyCondition();
    condition.where += "subject = ? AND ";
    condition.where += kind;
    condition.values.emplace_back(subject);
    condition.subject = subject;
    return condition;
}

} // namespace

// The filter's own terms come after the subject's, so that the subject
// index's range over start_utc serves them.
SqlCondition SingleSubjectCandidates(const FilterNode& node, const std::u16string& subject) {
    SqlCondition condition = SubjectCondition(subject, "rec_type IS NULL AND ");
    AppendSql(node, condition);
    return condition;
}

SqlCondition SeriesSubjectCandidates(const FilterNode& node, const std::u16string& subject) {
    SqlCondition condition = SubjectCondition(subject, "rec_type IS NOT NULL");
    AppendRangeCandidates(FilterStartBounds(node), condition);
    return condition;
}
