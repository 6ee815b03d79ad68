#include "engine/import/line_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr const char* kWhiteSpace = " \t\r\n\v\f";

// The characters of kWhiteSpace, tested without a search through them.
bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimEndView(std::string_view text) {
    while (!text.empty() && IsWhiteSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The name without a group prefix such as "item1.".
std::string_view WithoutGroup(std::string_view name) {
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '.') {
            return name.substr(i + 1);
        }
    }
    return name;
}

// Puts the text into out, reusing its storage; cheaper than assign, which
// must allow for the text lying in out itself.
void AssignText(std::string& out, std::string_view text) {
    out.clear();
    out.append(text.data(), text.size());
}

// Puts the upper-case text into out, reusing its storage.
void AssignUpper(std::string& out, std::string_view text) {
    AssignText(out, text);
    for (char& c : out) {
        c = ToUpperAscii(c);
    }
}

} // namespace

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && IsWhiteSpace(text.front())) {
        text.remove_prefix(1);
    }
    return TrimEndView(text);
}

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

std::string UpperAscii(std::string_view text) {
    std::string upper;
    AssignUpper(upper, text);
    return upper;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool ParseDigits(std::string_view text, int& out) {
    if (text.empty()) {
        return false;
    }
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        number = std::min<long long>(number * 10 + (c - '0'), INT_MAX);
    }
    out = static_cast<int>(number);
    return true;
}

int LeadingNumber(std::string_view text) {
    size_t i = text.find_first_not_of(kWhiteSpace);
    if (i == std::string_view::npos) {
        return 0;
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    long long number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = std::min<long long>(number * 10 + (text[i] - '0'), INT_MAX);
    }
    return static_cast<int>(negative ? -number : number);
}

void CvCalLineReader::Init(const char* text, size_t length) {
    Start = text;
    Length = length;
    Cursor = 0;
    LineNumber = 0;
    Line.clear();
    Pos = 0;
    Name.clear();
    ParamName.clear();
    ParamValue.clear();
    Value.clear();
}

void CvCalLineReader::AppendPhysicalLine() {
    const char* begin = Start + Cursor;
    const void* lf = std::memchr(begin, '\n', Length - Cursor);
    size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - Start) : Length;
    size_t contentEnd = end;
    if (lf && contentEnd > Cursor && Start[contentEnd - 1] == '\r') {
        --contentEnd;
    }
    Line.append(begin, contentEnd - Cursor);
    ++LineNumber;
    Cursor = lf ? end + 1 : Length;
}

bool CvCalLineReader::ReadLine(bool skipLeadingSpaces) {
    Line.clear();
    Pos = 0;
    if (skipLeadingSpaces) {
        while (Cursor < Length && Start[Cursor] == ' ') {
            ++Cursor;
        }
    }
    if (Cursor >= Length) {
        return false;
    }
    AppendPhysicalLine();
    while (Cursor < Length && Start[Cursor] == ' ') {
        ++Cursor;
        AppendPhysicalLine();
    }
    return true;
}

bool CvCalLineReader::NextProperty() {
    while (ReadLine(true)) {
        size_t separator = 0;
        while (separator < Line.size() && Line[separator] != ':' && Line[separator] != ';') {
            ++separator;
        }
        if (separator == Line.size()) {
            continue;
        }
        Pos = separator;
        AssignUpper(Name, TrimEndView(WithoutGroup(std::string_view(Line.data(), separator))));
        return true;
    }
    return false;
}

bool CvCalLineReader::NextParam(bool quoteAware) {
    if (Pos < Line.size() && Line[Pos] == ';') {
        ++Pos;
    }
    size_t end = Pos;
    bool insideQuotes = false;
    for (; end < Line.size(); ++end) {
        char c = Line[end];
        if (quoteAware && c == '"') {
            insideQuotes = !insideQuotes;
        } else if (!insideQuotes && (c == ':' || c == ';')) {
            break;
        }
    }
    if (end >= Line.size() || end == Pos) {
        return false;
    }
    std::string_view param(Line.data() + Pos, end - Pos);
    size_t equals = param.find('=');
    if (equals == std::string_view::npos) {
        ParamName.clear();
        AssignText(ParamValue, TrimView(param));
    } else {
        AssignUpper(ParamName, TrimView(param.substr(0, equals)));
        AssignText(ParamValue, TrimView(param.substr(equals + 1)));
    }
    Pos = end;
    return true;
}

bool CvCalLineReader::ReadValue(int encoding) {
    size_t colon = Line.find(':', Pos);
    if (colon == std::string::npos) {
        Value.clear();
        return false;
    }
    AssignText(Value, std::string_view(Line).substr(colon + 1));
    if (encoding == kEncodingQuotedPrintable) {
        while (!Value.empty() && Value.back() == '=' && ReadLine(true)) {
            Value += "\r\n";
            Value += Line;
        }
    }
    return true;
}

std::string_view CvCalLineReader::ValueTrimmed() const {
    return TrimView(Value);
}

int CvCalLineReader::ValueAsNumber(int defaultValue, bool& error) const {
    int number = 0;
    if (!ParseDigits(TrimView(Value), number)) {
        error = true;
        return defaultValue;
    }
    return number;
}

void CvCalLineReader::SplitValue(const char* delimiters, std::vector<std::string>& out) const {
    out.clear();
    size_t begin = 0;
    while (begin <= Value.size()) {
        size_t end = Value.find_first_of(delimiters, begin);
        if (end == std::string::npos) {
            end = Value.size();
        }
        if (end > begin) {
            out.emplace_back(Value, begin, end - begin);
        }
        begin = end + 1;
    }
}

std::string_view CvCalLineReader::ParamValueUnquoted() const {
    std::string_view value = TrimView(ParamValue);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

bool CvCalLineReader::FindProperty(const char* name, const char* value) {
    while (NextProperty()) {
        if (Name != name) {
            continue;
        }
        if (value == nullptr || (ReadValue(kEncodingNone) && ValueTrimmed() == value)) {
            return true;
        }
    }
    return false;
}
