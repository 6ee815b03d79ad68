#include "host/store_json.h"

#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/common/redemption.h"
#include "engine/common/time_zone_rule.h"
#include "platform/com/com_error.h"
#include "platform/outlook/outlook_store.h"
#include "platform/win32/code_page.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

using nlohmann::json;

namespace {

using Text = std::u16string (_AppointmentItem::*)();
using PutText = void (_AppointmentItem::*)(const std::u16string&);
using Long = LONG (_AppointmentItem::*)();
using PutLong = void (_AppointmentItem::*)(LONG);
using Bool = bool (_AppointmentItem::*)();
using PutBool = void (_AppointmentItem::*)(bool);

struct TextField {
    const char* key;
    Text get;
    PutText put;
};
struct LongField {
    const char* key;
    Long get;
    PutLong put;
};
struct BoolField {
    const char* key;
    Bool get;
    PutBool put;
};

const TextField kTextFields[] = {
    {"subject", &_AppointmentItem::GetSubject, &_AppointmentItem::PutSubject},
    {"location", &_AppointmentItem::GetLocation, &_AppointmentItem::PutLocation},
    {"body", &_AppointmentItem::GetBody, &_AppointmentItem::PutBody},
    {"categories", &_AppointmentItem::GetCategories, &_AppointmentItem::PutCategories},
    {"resources", &_AppointmentItem::GetResources, &_AppointmentItem::PutResources},
};
const LongField kLongFields[] = {
    {"sensitivity", &_AppointmentItem::GetSensitivity, &_AppointmentItem::PutSensitivity},
    {"importance", &_AppointmentItem::GetImportance, &_AppointmentItem::PutImportance},
    {"busy_status", &_AppointmentItem::GetBusyStatus, &_AppointmentItem::PutBusyStatus},
    {"reminder_minutes_before_start", &_AppointmentItem::GetReminderMinutesBeforeStart,
     &_AppointmentItem::PutReminderMinutesBeforeStart},
    {"meeting_status", &_AppointmentItem::GetMeetingStatus, &_AppointmentItem::PutMeetingStatus},
};
const BoolField kBoolFields[] = {
    {"all_day_event", &_AppointmentItem::GetAllDayEvent, &_AppointmentItem::PutAllDayEvent},
    {"reminder_set", &_AppointmentItem::GetReminderSet, &_AppointmentItem::PutReminderSet},
};

[[noreturn]] void Bad(const std::string& key, const std::string& what) {
    throw StoreJsonError("\"" + key + "\": " + what);
}

bool Has(const json& object, const char* key) {
    auto found = object.find(key);
    return found != object.end() && !found->is_null();
}

// Value checks, each naming the key.
void CheckText(const json& v, const std::string& key) {
    if (!v.is_string()) {
        Bad(key, "expected text");
    }
}
void CheckInteger(const json& v, const std::string& key) {
    if (!v.is_number_integer()) {
        Bad(key, "expected a whole number");
    }
}
void CheckBool(const json& v, const std::string& key) {
    if (!v.is_boolean()) {
        Bad(key, "expected true or false");
    }
}
void CheckDate(const json& v, const std::string& key) {
    DATE date;
    if (!v.is_string() || !ParseLocalDateTime(v.get<std::string>(), date)) {
        Bad(key, "expected a local time written YYYY-MM-DDTHH:MM:SS");
    }
}
void CheckTime(const json& v, const std::string& key) {
    DATE date;
    if (!v.is_string() || !ParseLocalDateTime("1899-12-30T" + v.get<std::string>(), date)) {
        Bad(key, "expected a time of day written HH:MM:SS");
    }
}
void CheckHex(const json& v, const std::string& key) {
    CheckText(v, key);
    const std::string text = v.get<std::string>();
    if (text.size() % 2 != 0 || text.find_first_not_of("0123456789ABCDEFabcdef") != text.npos) {
        Bad(key, "expected bytes written as hex digits");
    }
}

using Checker = std::function<void(const json&, const std::string&)>;

void CheckObject(const json& object, const std::string& where,
                 const std::map<std::string, Checker>& keys) {
    if (!object.is_object()) {
        Bad(where, "expected an object");
    }
    for (const auto& [key, value] : object.items()) {
        auto checker = keys.find(key);
        const std::string path = where.empty() ? key : where + "." + key;
        if (checker == keys.end()) {
            Bad(path, "unknown key");
        }
        if (!value.is_null()) {
            checker->second(value, path);
        }
    }
}

void CheckArray(const json& v, const std::string& key, const Checker& each) {
    if (!v.is_array()) {
        Bad(key, "expected a list");
    }
    for (size_t i = 0; i < v.size(); ++i) {
        each(v[i], key + "[" + std::to_string(i) + "]");
    }
}

const std::map<std::string, Checker>& TransitionKeys() {
    static const std::map<std::string, Checker> keys = {
        {"month", CheckInteger}, {"day_of_week", CheckInteger}, {"day", CheckInteger},
        {"hour", CheckInteger},  {"minute", CheckInteger},
    };
    return keys;
}

void CheckZone(const json& v, const std::string& key) {
    const auto transition = [](const json& t, const std::string& k) {
        CheckObject(t, k, TransitionKeys());
    };
    CheckObject(v, key,
                {{"description", CheckText}, {"rule", [&](const json& r, const std::string& k) {
                                                  CheckObject(r, k,
                                                              {{"bias", CheckInteger},
                                                               {"standard_bias", CheckInteger},
                                                               {"daylight_bias", CheckInteger},
                                                               {"standard_date", transition},
                                                               {"daylight_date", transition}});
                                              }}});
}

void CheckRecurrence(const json& v, const std::string& key) {
    const auto exception = [](const json& e, const std::string& k) {
        CheckObject(e, k,
                    {{"original_date", CheckDate},
                     {"deleted", CheckBool},
                     {"start", CheckDate},
                     {"end", CheckDate},
                     {"subject", CheckText}});
        if (!Has(e, "original_date")) {
            Bad(k, "an exception needs its \"original_date\"");
        }
    };
    CheckObject(v, key,
                {{"recurrence_type", CheckInteger},
                 {"interval", CheckInteger},
                 {"day_of_week_mask", CheckInteger},
                 {"day_of_month", CheckInteger},
                 {"month_of_year", CheckInteger},
                 {"instance", CheckInteger},
                 {"no_end_date", CheckBool},
                 {"occurrences", CheckInteger},
                 {"pattern_start_date", CheckDate},
                 {"pattern_end_date", CheckDate},
                 {"start_time", CheckTime},
                 {"duration", CheckInteger},
                 {"exceptions", [&](const json& list, const std::string& k) {
                      CheckArray(list, k, exception);
                  }}});
}

std::map<std::string, Checker> AppointmentKeys() {
    std::map<std::string, Checker> keys = {
        {"entry_id", CheckText},
        {"folder", CheckText},
        {"start", CheckDate},
        {"end", CheckDate},
        {"duration", CheckInteger},
        {"label", CheckInteger},
        {"global_object_id", CheckHex},
        {"organizer",
         [](const json& v, const std::string& k) {
             CheckObject(v, k, {{"address", CheckText}, {"name", CheckText}});
         }},
        {"recipients",
         [](const json& v, const std::string& k) {
             CheckArray(v, k, [](const json& r, const std::string& rk) {
                 CheckObject(r, rk,
                             {{"name", CheckText}, {"address", CheckText}, {"type", CheckInteger}});
             });
         }},
        {"time_zone", CheckZone},
        {"recurrence", CheckRecurrence},
    };
    for (const TextField& f : kTextFields) {
        keys[f.key] = CheckText;
    }
    for (const LongField& f : kLongFields) {
        keys[f.key] = CheckInteger;
    }
    for (const BoolField& f : kBoolFields) {
        keys[f.key] = CheckBool;
    }
    return keys;
}

DATE DateOf(const json& v) {
    DATE date = 0;
    ParseLocalDateTime(v.get<std::string>(), date);
    return date;
}

std::string Text8(const std::u16string& text) {
    return ToUtf8(text);
}

CComPtr<IMAPIUtils> Utils() {
    return QueryInterface<IMAPIUtils>(CreateStoreRedemptionObject(kProgIdMapiUtils));
}

LONG NamedTag(const CComPtr<_AppointmentItem>& item, const char16_t* set, LONG id, LONG type) {
    return Utils()->GetIDsFromNames(item, set, id, true) | type;
}

std::optional<_variant_t> Property(const CComPtr<_AppointmentItem>& item, LONG tag) {
    try {
        return Utils()->HrGetOneProp(item, tag);
    } catch (const _com_error& e) {
        if (e.Error() != MAPI_E_NOT_FOUND) {
            throw;
        }
    }
    return std::nullopt;
}

void SetProperty(const CComPtr<_AppointmentItem>& item, LONG tag, const _variant_t& value) {
    Utils()->HrSetOneProp(item, tag, value, false);
}

std::string Format(const char* format, int a, int b, int c) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

// --- time zones ---

json TransitionJson(const SYSTEMTIME& t) {
    return {{"month", t.wMonth},
            {"day_of_week", t.wDayOfWeek},
            {"day", t.wDay},
            {"hour", t.wHour},
            {"minute", t.wMinute}};
}

SYSTEMTIME TransitionOf(const json& v) {
    SYSTEMTIME t{};
    if (v.is_object()) {
        t.wMonth = v.value("month", 0);
        t.wDayOfWeek = v.value("day_of_week", 0);
        t.wDay = v.value("day", 0);
        t.wHour = v.value("hour", 0);
        t.wMinute = v.value("minute", 0);
    }
    return t;
}

json ZoneJson(const CComPtr<_AppointmentItem>& item) {
    std::optional<_variant_t> bytes =
        Property(item, NamedTag(item, PSETID_Appointment, dispidTimeZoneStruct, PT_BINARY));
    if (!bytes || bytes->ToBytes().size() < sizeof(TimeZoneRule)) {
        return nullptr;
    }
    TimeZoneRule rule;
    std::memcpy(&rule, bytes->ToBytes().data(), sizeof rule);
    std::optional<_variant_t> description =
        Property(item, NamedTag(item, PSETID_Appointment, dispidTimeZoneDesc, PT_STRING8));
    return {{"description", description ? Text8(description->ToString()) : std::string()},
            {"rule",
             {{"bias", rule.Bias},
              {"standard_bias", rule.StandardBias},
              {"daylight_bias", rule.DaylightBias},
              {"standard_date", TransitionJson(rule.StandardDate)},
              {"daylight_date", TransitionJson(rule.DaylightDate)}}}};
}

void LoadZone(const json& zone, const CComPtr<_AppointmentItem>& item) {
    TimeZoneRule rule{};
    const json rules = zone.value("rule", json::object());
    rule.Bias = rules.value("bias", 0);
    rule.StandardBias = rules.value("standard_bias", 0);
    rule.DaylightBias = rules.value("daylight_bias", 0);
    rule.StandardDate = TransitionOf(rules.value("standard_date", json()));
    rule.DaylightDate = TransitionOf(rules.value("daylight_date", json()));
    std::vector<BYTE> bytes(sizeof rule);
    std::memcpy(bytes.data(), &rule, sizeof rule);
    SetProperty(item, NamedTag(item, PSETID_Appointment, dispidTimeZoneStruct, PT_BINARY),
                _variant_t(bytes));
    if (Has(zone, "description")) {
        SetProperty(item, NamedTag(item, PSETID_Appointment, dispidTimeZoneDesc, PT_STRING8),
                    _variant_t(FromUtf8(zone["description"].get<std::string>())));
    }
}

// --- recurrence ---

json ExceptionJson(const CComPtr<Exception>& exception) {
    json out = {{"original_date", FormatLocalDateTime(exception->GetOriginalDate())},
                {"deleted", exception->GetDeleted()},
                {"start", nullptr},
                {"end", nullptr},
                {"subject", nullptr}};
    if (!exception->GetDeleted()) {
        CComPtr<_AppointmentItem> item = exception->GetAppointmentItem();
        out["start"] = FormatLocalDateTime(item->GetStart());
        out["end"] = FormatLocalDateTime(item->GetEnd());
        out["subject"] = Text8(item->GetSubject());
    }
    return out;
}

json RecurrenceJson(const CComPtr<_AppointmentItem>& item) {
    if (!item->GetIsRecurring()) {
        return nullptr;
    }
    CComPtr<RecurrencePattern> p = item->GetRecurrencePattern();
    json exceptions = json::array();
    CComPtr<Exceptions> list = p->GetExceptions();
    for (LONG i = 1; i <= list->GetCount(); ++i) {
        exceptions.push_back(ExceptionJson(list->Item(_variant_t(i, VT_INT))));
    }
    const std::string startTime = FormatLocalDateTime(p->GetStartTime()).substr(11);
    return {{"recurrence_type", p->GetRecurrenceType()},
            {"interval", p->GetInterval()},
            {"day_of_week_mask", p->GetDayOfWeekMask()},
            {"day_of_month", p->GetDayOfMonth()},
            {"month_of_year", p->GetMonthOfYear()},
            {"instance", p->GetInstance()},
            {"no_end_date", p->GetNoEndDate()},
            {"occurrences", p->GetOccurrences()},
            {"pattern_start_date", FormatLocalDateTime(p->GetPatternStartDate())},
            {"pattern_end_date", FormatLocalDateTime(p->GetPatternEndDate())},
            {"start_time", startTime},
            {"duration", p->GetDuration()},
            {"exceptions", exceptions}};
}

void LoadPatternFields(const json& r, const CComPtr<RecurrencePattern>& p) {
    if (Has(r, "recurrence_type")) {
        p->PutRecurrenceType(r["recurrence_type"].get<LONG>());
    }
    using Put = void (RecurrencePattern::*)(LONG);
    const std::pair<const char*, Put> fields[] = {
        {"interval", &RecurrencePattern::PutInterval},
        {"day_of_week_mask", &RecurrencePattern::PutDayOfWeekMask},
        {"day_of_month", &RecurrencePattern::PutDayOfMonth},
        {"month_of_year", &RecurrencePattern::PutMonthOfYear},
        {"instance", &RecurrencePattern::PutInstance},
    };
    for (const auto& [key, put] : fields) {
        // Zero stands for "not used by this type" in a dump.
        if (Has(r, key) && (r[key].get<LONG>() != 0 || std::strcmp(key, "interval") == 0)) {
            ((*p).*put)(r[key].get<LONG>());
        }
    }
}

void LoadPatternRange(const json& r, const CComPtr<RecurrencePattern>& p) {
    if (Has(r, "pattern_start_date")) {
        p->PutPatternStartDate(DateOf(r["pattern_start_date"]));
    }
    if (Has(r, "start_time")) {
        DATE time = 0;
        ParseLocalDateTime("1899-12-30T" + r["start_time"].get<std::string>(), time);
        p->PutStartTime(time);
    }
    if (Has(r, "duration")) {
        p->PutDuration(r["duration"].get<LONG>());
    }
    if (r.value("no_end_date", false)) {
        p->PutNoEndDate(true);
    } else if (Has(r, "occurrences") && r["occurrences"].get<LONG>() > 0) {
        p->PutOccurrences(r["occurrences"].get<LONG>());
    } else if (Has(r, "pattern_end_date")) {
        p->PutPatternEndDate(DateOf(r["pattern_end_date"]));
    }
}

void LoadException(const json& e, const CComPtr<RecurrencePattern>& p) {
    CComPtr<_AppointmentItem> occurrence = p->GetOccurrence(DateOf(e["original_date"]));
    if (e.value("deleted", false)) {
        occurrence->Delete();
        return;
    }
    if (Has(e, "start")) {
        occurrence->PutStart(DateOf(e["start"]));
    }
    if (Has(e, "end")) {
        occurrence->PutEnd(DateOf(e["end"]));
    }
    if (Has(e, "subject")) {
        occurrence->PutSubject(FromUtf8(e["subject"].get<std::string>()));
    }
    occurrence->Save();
}

void LoadRecurrence(const json& r, const CComPtr<_AppointmentItem>& item) {
    CComPtr<RecurrencePattern> p = item->GetRecurrencePattern();
    LoadPatternFields(r, p);
    LoadPatternRange(r, p);
    item->Save();
    for (const json& e : r.value("exceptions", json::array())) {
        LoadException(e, p);
    }
}

// --- the other parts ---

json OrganizerJson(const CComPtr<_AppointmentItem>& item) {
    std::optional<_variant_t> address = Property(item, PR_SENDER_EMAIL_ADDRESS);
    std::optional<_variant_t> name = Property(item, PR_SENDER_NAME);
    if (!address && !name) {
        return nullptr;
    }
    return {{"address", address ? Text8(address->ToString()) : std::string()},
            {"name", name ? Text8(name->ToString()) : std::string()}};
}

json RecipientsJson(const CComPtr<_AppointmentItem>& item) {
    json list = json::array();
    CComPtr<Recipients> recipients = item->GetRecipients();
    for (LONG i = 1; i <= recipients->GetCount(); ++i) {
        CComPtr<Recipient> r = recipients->Item(_variant_t(i, VT_INT));
        list.push_back({{"name", Text8(r->GetName())},
                        {"address", Text8(r->GetAddress())},
                        {"type", r->GetType()}});
    }
    return list;
}

void LoadTimes(const json& object, const CComPtr<_AppointmentItem>& item) {
    if (Has(object, "start")) {
        item->PutStart(DateOf(object["start"]));
    }
    if (Has(object, "end")) {
        item->PutEnd(DateOf(object["end"]));
    } else if (Has(object, "duration")) {
        item->PutDuration(object["duration"].get<LONG>());
    }
}

void LoadFields(const json& object, const CComPtr<_AppointmentItem>& item) {
    for (const TextField& f : kTextFields) {
        if (Has(object, f.key)) {
            ((*item).*f.put)(FromUtf8(object[f.key].get<std::string>()));
        }
    }
    for (const LongField& f : kLongFields) {
        if (Has(object, f.key)) {
            ((*item).*f.put)(object[f.key].get<LONG>());
        }
    }
    for (const BoolField& f : kBoolFields) {
        if (Has(object, f.key)) {
            ((*item).*f.put)(object[f.key].get<bool>());
        }
    }
}

void LoadProperties(const json& object, const CComPtr<_AppointmentItem>& item) {
    for (const json& r : object.value("recipients", json::array())) {
        const std::u16string address = FromUtf8(r.value("address", std::string()));
        AddRecipient(item, Has(r, "name") ? FromUtf8(r["name"].get<std::string>()) : address,
                     address, r.value("type", LONG{olRequired}));
    }
    if (Has(object, "organizer")) {
        const json& o = object["organizer"];
        if (Has(o, "address")) {
            SetProperty(item, PR_SENDER_EMAIL_ADDRESS,
                        _variant_t(FromUtf8(o["address"].get<std::string>())));
        }
        if (Has(o, "name")) {
            SetProperty(item, PR_SENDER_NAME, _variant_t(FromUtf8(o["name"].get<std::string>())));
        }
    }
    if (Has(object, "label")) {
        SetProperty(item, NamedTag(item, PSETID_Appointment, dispidAppointmentColor, PT_LONG),
                    _variant_t(object["label"].get<LONG>()));
    }
    if (Has(object, "global_object_id")) {
        SetProperty(
            item, NamedTag(item, PSETID_Meeting, dispidGlobalObjectId, PT_BINARY),
            Utils()->HrStringToArray(FromUtf8(object["global_object_id"].get<std::string>())));
    }
    if (Has(object, "time_zone")) {
        LoadZone(object["time_zone"], item);
    }
}

} // namespace

std::string ToUtf8(const std::u16string& text) {
    return WideToMultiByte(CP_UTF8, text).value_or(std::string());
}

std::u16string FromUtf8(const std::string& text) {
    return MultiByteToWide(CP_UTF8, text).value_or(std::u16string());
}

bool ParseLocalDateTime(const std::string& text, DATE& out) {
    int y, mo, d, h = 0, mi = 0, s = 0;
    char tail = 0;
    const int n =
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
    const bool dateOnly = n == 3 && text.size() == 10;
    COleDateTime date;
    if ((n != 6 && !dateOnly) || date.SetDateTime(y, mo, d, h, mi, s) != 0) {
        return false;
    }
    out = date;
    return true;
}

std::string FormatLocalDateTime(DATE date) {
    const COleDateTime value(date);
    return Format("%04d-%02d-%02d", value.GetYear(), value.GetMonth(), value.GetDay()) + "T" +
           Format("%02d:%02d:%02d", value.GetHour(), value.GetMinute(), value.GetSecond());
}

std::string FolderPath(const CComPtr<MAPIFolder>& folder) {
    CComPtr<MAPIFolder> parent = QueryInterface<MAPIFolder>(folder->GetParent());
    if (!parent) {
        return "\\\\" + ToUtf8(folder->GetName());
    }
    return FolderPath(parent) + "\\" + ToUtf8(folder->GetName());
}

CComPtr<MAPIFolder> FindFolder(const CComPtr<_NameSpace>& session, const std::string& path,
                               bool create) {
    std::vector<std::string> names;
    size_t start = path.find_first_not_of('\\');
    while (start != std::string::npos) {
        const size_t end = path.find('\\', start);
        names.push_back(path.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? end : path.find_first_not_of('\\', end);
    }
    if (names.empty() || path.rfind("\\\\", 0) != 0) {
        throw StoreJsonError("folder \"" + path + "\": expected \\\\Store\\Folder");
    }
    CComPtr<_Folders> level = session->GetFolders();
    CComPtr<MAPIFolder> folder;
    for (size_t i = 0; i < names.size(); ++i) {
        const _variant_t name(FromUtf8(names[i]));
        try {
            folder = level->Item(name);
        } catch (const _com_error&) {
            if (!create || i == 0) {
                throw StoreJsonError("folder \"" + path + "\" does not exist");
            }
            folder = level->Add(name.ToString());
        }
        level = folder->GetFolders();
    }
    return folder;
}

json DumpAppointment(const CComPtr<_AppointmentItem>& item) {
    json out = {{"entry_id", Text8(item->GetEntryID())},
                {"folder", FolderPath(QueryInterface<MAPIFolder>(item->GetParent()))}};
    for (const TextField& f : kTextFields) {
        out[f.key] = Text8(((*item).*f.get)());
    }
    out["start"] = FormatLocalDateTime(item->GetStart());
    out["end"] = FormatLocalDateTime(item->GetEnd());
    out["duration"] = item->GetDuration();
    for (const LongField& f : kLongFields) {
        out[f.key] = ((*item).*f.get)();
    }
    for (const BoolField& f : kBoolFields) {
        out[f.key] = ((*item).*f.get)();
    }
    std::optional<_variant_t> label =
        Property(item, NamedTag(item, PSETID_Appointment, dispidAppointmentColor, PT_LONG));
    std::optional<_variant_t> uid =
        Property(item, NamedTag(item, PSETID_Meeting, dispidGlobalObjectId, PT_BINARY));
    out["organizer"] = OrganizerJson(item);
    out["recipients"] = RecipientsJson(item);
    out["label"] = label ? json(label->ToLong()) : json(nullptr);
    out["global_object_id"] = uid ? json(Text8(Utils()->HrArrayToString(*uid))) : json(nullptr);
    out["time_zone"] = ZoneJson(item);
    out["recurrence"] = RecurrenceJson(item);
    return out;
}

void CheckAppointment(const json& object) {
    static const std::map<std::string, Checker> keys = AppointmentKeys();
    CheckObject(object, "", keys);
}

void LoadAppointment(const json& object, const CComPtr<_AppointmentItem>& item) {
    CheckAppointment(object);
    LoadTimes(object, item);
    LoadFields(object, item);
    LoadProperties(object, item);
    item->Save();
    if (Has(object, "recurrence")) {
        LoadRecurrence(object["recurrence"], item);
    }
}
