#include "bench/engine/export/store_generator.h"

#include "engine/common/outlook_items.h"
#include "host/store_json.h"
#include "platform/outlook/outlook_store.h"

#include <string>

using nlohmann::json;

namespace {

std::string LocalTime(long day, int hour, int minute = 0) {
    COleDateTime date = COleDateTime(2007, 1, 1, hour, minute, 0) + COleDateTimeSpan(day, 0, 0, 0);
    return FormatLocalDateTime(date);
}

json Plain(long i, long day) {
    return {{"subject", "Appointment " + std::to_string(i)},
            {"location", "Room " + std::to_string(i % 40)},
            {"categories", i % 3 == 0 ? "Business, Travel" : "Business"},
            {"start", LocalTime(day, 8 + static_cast<int>(i % 9))},
            {"duration", 30 + 15 * (i % 4)},
            {"reminder_set", true},
            {"reminder_minutes_before_start", 15}};
}

json AllDay(long i, long day) {
    return {{"subject", "Holiday " + std::to_string(i)},
            {"all_day_event", true},
            {"start", LocalTime(day, 0)},
            {"end", LocalTime(day + 1, 0)},
            {"busy_status", 0}};
}

json Meeting(long i, long day) {
    json recipients = json::array();
    for (int k = 0; k < 3; ++k) {
        std::string who = "person" + std::to_string((i + k) % 500);
        recipients.push_back({{"name", "Person " + std::to_string((i + k) % 500)},
                              {"address", who + "@example.com"},
                              {"type", 1 + k}});
    }
    return {{"subject", "Meeting " + std::to_string(i)},
            {"start", LocalTime(day, 13)},
            {"duration", 60},
            {"meeting_status", 1},
            {"organizer", {{"address", "boss@example.com"}, {"name", "The Boss"}}},
            {"recipients", recipients}};
}

json ZonedSeries(long i, long day) {
    json rule = {{"bias", 480},
                 {"daylight_bias", -60},
                 {"standard_date", {{"month", 11}, {"day", 1}, {"hour", 2}}},
                 {"daylight_date", {{"month", 3}, {"day", 2}, {"hour", 2}}}};
    return {{"subject", "Series " + std::to_string(i)},
            {"start", LocalTime(day, 12)},
            {"duration", 30},
            {"time_zone", {{"description", "Pacific"}, {"rule", rule}}},
            {"recurrence",
             {{"recurrence_type", 0},
              {"interval", 7},
              {"occurrences", 10},
              {"exceptions",
               {{{"original_date", LocalTime(day + 7, 12)}, {"deleted", true}},
                {{"original_date", LocalTime(day + 14, 12)},
                 {"start", LocalTime(day + 15, 14)},
                 {"end", LocalTime(day + 15, 14, 30)}}}}}}};
}

json Private(long i, long day) {
    return {{"subject", "Private " + std::to_string(i)},
            {"body", "Notes for the appointment,\r\nover two lines."},
            {"start", LocalTime(day, 18)},
            {"duration", 45},
            {"sensitivity", 2}};
}

json DailyForever(long i, long day) {
    return {{"subject", "Daily " + std::to_string(i)},
            {"start", LocalTime(day, 7)},
            {"duration", 15},
            {"recurrence", {{"recurrence_type", 0}, {"interval", 1}, {"no_end_date", true}}}};
}

json Appointment(long i) {
    long day = i / 6;
    switch (i % 20) {
    case 0:
    case 10:
        return AllDay(i, day);
    case 1:
    case 7:
    case 14:
        return Meeting(i, day);
    case 3:
    case 16:
        return ZonedSeries(i, day);
    case 5:
        return Private(i, day);
    case 19:
        return DailyForever(i, day);
    default:
        return Plain(i, day);
    }
}

} // namespace

void GenerateAppointments(const CComPtr<_Application>& outlook, const CComPtr<MAPIFolder>& folder,
                          long n) {
    CComPtr<_Items> items = folder->GetItems();
    for (long start = 0; start < n; start += 10000) {
        StoreTransaction transaction(outlook);
        for (long i = start; i < n && i < start + 10000; ++i) {
            LoadAppointment(Appointment(i), QueryInterface<_AppointmentItem>(items->Add()));
        }
        transaction.Commit();
    }
}
