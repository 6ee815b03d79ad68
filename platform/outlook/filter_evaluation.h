#pragma once
// Applying a parsed Outlook filter to the store: as a SQL condition over the
// items table (so that equality on start, end and subject uses an index) and
// as a test of one appointment or occurrence in memory.

#include "platform/outlook/appointment_record.h"
#include "platform/outlook/calendar_store.h"
#include "platform/outlook/outlook_filter.h"

#include <optional>

// Turns the filter's local dates into UTC seconds of the system zone; the
// functions below take resolved filters only.
void ResolveFilterDates(FilterNode& node, const StoreZone& systemZone);

SqlCondition FilterToSql(const FilterNode& node);

// The values a filter reads: the record's fields, with an occurrence's own
// times and changed texts in place of the series'.
struct FilterSubject {
    const AppointmentRecord* record = nullptr;
    StoreSeconds startUtc = 0;
    StoreSeconds endUtc = 0;
    const std::u16string* subject = nullptr;
    const std::u16string* location = nullptr;
    const std::u16string* body = nullptr;
};

bool FilterMatches(const FilterNode& node, const FilterSubject& subject);

// The tightest bounds the filter sets on [Start] for every match (from a
// top-level comparison or an And of them); open when it sets none.
struct StartBounds {
    std::optional<StoreSeconds> from;
    std::optional<StoreSeconds> to;
};
StartBounds FilterStartBounds(const FilterNode& node);

// The [Subject] equality at the top of the filter (alone or in an And) that
// every match has to meet; null when there is none.
const std::u16string* RequiredSubject(const FilterNode& node);

// Conditions narrowing what an occurrence search has to look at; the
// occurrences found are still tested with FilterMatches.
//
// Over the series rows: the series whose pattern's range meets the filter's
// [Start] bounds, or whose changed occurrences start within them.
SqlCondition SeriesCandidates(const FilterNode& node);
// With a required subject, over the rows holding that subject: the single
// items the filter matches (SingleSubjectCandidates), and the series
// SeriesCandidates takes (SeriesSubjectCandidates); each one search of an
// index over the subject. Series whose changed occurrences alone carry the
// subject are not among them.
SqlCondition SingleSubjectCandidates(const FilterNode& node, const std::u16string& subject);
SqlCondition SeriesSubjectCandidates(const FilterNode& node, const std::u16string& subject);
// The window those conditions look at: the filter's [Start] bounds with
// slack for zone offsets, open ends at the limits of StoreSeconds. A series
// qualifies when its pattern's range meets it or one of its changed
// occurrences starts within it.
struct StartWindow {
    StoreSeconds from = 0;
    StoreSeconds to = 0;
};
StartWindow SeriesWindow(const StartBounds& bounds);
