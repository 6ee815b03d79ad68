#include "engine/import/cvcal_parser.h"

#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"

#include <exception>

namespace {

// A log line quotes at most this much of the current line, so that a huge
// line does not make a huge log.
constexpr size_t kMaxQuotedLine = 1024;

bool HasIcsExtension(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    return dot != std::string::npos && EqualsIgnoringCase(fileName.substr(dot), ".ics");
}

} // namespace

CvCalParser::CvCalParser(ParsedEventConsumer& consumer, ImportLogSink log)
    : consumer_(consumer), log_(std::move(log)) {}

int CvCalParser::Parse(std::string_view text) {
    Reader.Init(text.data(), text.size());
    ansiCodePage_ = GetACP();
    selectedCharset_ = {};
    return GuardFile([this] {
        while (Reader.NextProperty() && Reader.Name == "BEGIN") {
            Reader.ReadValue(kEncodingNone);
            if (Reader.ValueTrimmed() != "VCALENDAR") {
                continue;
            }
            int result = ParseVCALENDAR();
            if (result < 0) {
                return result;
            }
        }
        return 0;
    });
}

int CvCalParser::GuardFile(const std::function<int()>& walk) {
    try {
        return walk();
    } catch (const _com_error& e) {
        Log("_com_error(" + e.ErrorMessage() + "), file(" + FileName + ")", "CvCalImport::Parse",
            3);
    } catch (const std::exception&) {
        Log("CATCHED EXCEPTION! file(" + FileName + ")", "CvCalImport::Parse", 3);
    }
    return 0;
}

void CvCalParser::BeginCalendar() {
    Version = HasIcsExtension(FileName) ? kVersionICal20 : kVersionVCal10;
    ProdId.clear();
    TimeZones.clear();
    TimeZones[DefaultZoneKey] = DefaultTimeZone;
}

void CvCalParser::ResetPropertyDecoding() {
    Encoding = kEncodingNone;
    std::string_view charset = Version == kVersionICal20 ? "UTF-8" : "";
    if (Charset != charset) {
        Charset.assign(charset);
    }
}

void CvCalParser::Log(const std::string& text, const char* where, int level, int flag) {
    log_(text, 0, where, level, flag);
}

void CvCalParser::LogParseError(std::string_view message, bool inLine, int level, int flag) {
    std::string text(message);
    if (inLine) {
        text += "\tin line(" + Reader.Line.substr(0, kMaxQuotedLine) + ")";
    } else {
        text += "\tin file(name='" + FileName + "',line~" + std::to_string(Reader.LineNumber) + ")";
    }
    Log(text, "CvCalImport", level, flag);
}

void CvCalParser::LogRuleMessages(const RuleMessages& messages) {
    for (const RuleMessage& message : messages) {
        LogParseError(message.Text, true, message.Level);
    }
}

bool CvCalParser::IsValidDate(std::string_view text, bool log) {
    if (IsValidDateText(text)) {
        return true;
    }
    if (log) {
        LogParseError("Invalid date \"" + std::string(text.substr(0, kMaxQuotedLine)) + "\"", false,
                      2);
    }
    return false;
}

bool CvCalParser::ParsePeriod(std::string_view text, PeriodText& period, bool log) {
    if (ParsePeriodText(text, period)) {
        return true;
    }
    if (log) {
        LogParseError("Invalid period \"" + std::string(text.substr(0, kMaxQuotedLine)) + "\"",
                      false, 2);
    }
    return false;
}

bool CvCalParser::ParseEncodingParam() {
    static constexpr std::string_view kEncodings[] = {"7BIT", "8BIT", "QUOTED-PRINTABLE", "BASE64"};
    if (Reader.ParamName == "ENCODING" || Reader.ParamName.empty()) {
        for (int i = 0; i < 4; ++i) {
            if (EqualsIgnoringCase(Reader.ParamValue, kEncodings[i])) {
                Encoding = i + 1;
                return true;
            }
        }
        return false;
    }
    if (Reader.ParamName == "CHARSET") {
        Charset = Reader.ParamValue;
        return true;
    }
    return false;
}

void CvCalParser::ParseParams(bool log) {
    while (Reader.NextParam(false)) {
        if (!ParseEncodingParam() && log) {
            LogParseError("Ignoring param " + Reader.ParamName + "=" + Reader.ParamValue +
                              " for prop " + Reader.Name,
                          false, 1);
        }
    }
}
