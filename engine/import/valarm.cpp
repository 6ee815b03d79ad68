// A VALARM inside a VEVENT: only its TRIGGER matters to the event.

#include "engine/import/cvcal_parser.h"

namespace {

void Trigger(CvCalParser& p) {
    bool absolute = false;
    while (p.Reader.NextParam(false)) {
        const std::string& name = p.Reader.ParamName;
        const std::string& value = p.Reader.ParamValue;
        if (name == "RELATED" && value == "END") {
            p.LogParseError("RELATED:END not supported", true, 1);
        } else if (name == "VALUE" && (value == "DATE-TIME" || value == "DURATION")) {
            absolute = value == "DATE-TIME";
        }
    }
    if (!p.Reader.ReadValue(kEncodingNone) || p.Reader.ValueTrimmed().empty()) {
        return;
    }
    std::string_view value = p.Reader.ValueTrimmed();
    p.Event.AlarmMinutes = kNoAlarmMinutes;
    p.Event.AlarmDate.clear();
    if (absolute) {
        if (p.IsValidDate(value, true)) {
            p.Event.AlarmDate = value;
        }
        return;
    }
    int minutes = 0;
    if (!ParseDuration(value, minutes)) {
        p.LogParseError("Invalid duraton", true, 2);
        return;
    }
    if (minutes > 0) {
        p.LogParseError("duraton must be negative", true, 2);
    }
    p.Event.AlarmMinutes = minutes;
}

} // namespace

bool CvCalParser::ParseVALARM() {
    while (Reader.NextProperty()) {
        if (Reader.Name == "TRIGGER") {
            Trigger(*this);
        } else if (Reader.Name == "END" && Reader.ReadValue(kEncodingNone)) {
            if (Reader.ValueTrimmed() == "VALARM") {
                return true;
            }
            LogParseError("expected END:VARALM", true, 2);
        }
    }
    return false;
}
