#include "settings/lang.h"

#include "platform/win32/find_file.h"
#include "platform/win32/paths.h"
#include "platform/win32/private_profile.h"
#include "support/language_text.h"
#include "support/lib_orvane.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <strings.h>
#include <vector>

namespace {

// Read with this default, a value that comes back unchanged is absent.
constexpr const char* kAbsent = "{5F4C4C8D-1403-45a5-8C32-26716DAFE5DD}";
constexpr DWORD kValueSize = 4096;
constexpr const char* kSignature = "Orvane.LangIniFile";

bool EqualNoCase(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string ReadVersionValue(const std::string& path, const char* key, DWORD size) {
    std::vector<char> buffer(size);
    GetPrivateProfileStringA("version", key, "", buffer.data(), size, path.c_str());
    return buffer.data();
}

char Escaped(char c) {
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return c;
    }
}

std::string Unescape(const std::string& value) {
    std::string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            text += value[i];
        } else if (i + 1 < value.size()) {
            text += Escaped(value[++i]);
        }
    }
    return text;
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

// The sum of the signed whole numbers in text; none when it holds no number
// or two numbers stand side by side with only blanks between them.
struct IntegerSum {
    std::uint32_t sum = 0;
    bool anyNumber = false;
    bool malformed = false;
};

// An operator run: its first character decides the sign ("-" minus, any
// other plus); each further "-" flips it, "+" and blanks are skipped.
bool ReadOperatorRun(const std::string& text, std::size_t& i) {
    bool negative = text[i++] == '-';
    for (; i < text.size() && (text[i] == '+' || text[i] == '-' || IsSpace(text[i])); ++i) {
        negative = text[i] == '-' ? !negative : negative;
    }
    return negative;
}

std::uint32_t ReadDigits(const std::string& text, std::size_t& i) {
    std::uint32_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return value;
}

IntegerSum SumTerms(const std::string& text) {
    IntegerSum result;
    bool afterNumber = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsSpace(text[i])) {
            ++i;
            continue;
        }
        bool hasOperator = !IsDigit(text[i]);
        bool negative = hasOperator && ReadOperatorRun(text, i);
        if (i >= text.size() || !IsDigit(text[i])) {
            afterNumber = false;
            continue;
        }
        result.malformed = result.malformed || (afterNumber && !hasOperator);
        std::uint32_t value = ReadDigits(text, i);
        result.sum += negative ? 0u - value : value;
        result.anyNumber = afterNumber = true;
    }
    return result;
}

// The files of the folder matching the mask, in the order the folder search
// lists them.
std::vector<std::string> MatchingFiles(const std::string& folder, const std::string& mask) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(JoinPath(folder, mask).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return files;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            files.push_back(JoinPath(folder, found.cFileName));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

} // namespace

CLang::CLang() {
    Clear();
}

CLang::~CLang() = default;

void CLang::Clear() {
    path_.clear();
    defaultSection_.clear();
    lang_[0] = '\0';
    langid_[0] = '\0';
}

bool CLang::ReadHeader(const std::string& path, std::string& lang, std::string& langid) {
    std::string signature = ReadVersionValue(path, "signature", kValueSize);
    lang = ReadVersionValue(path, "lang", kNameSize);
    langid = ReadVersionValue(path, "langid", kNameSize);
    return EqualNoCase(signature, kSignature) && !lang.empty() && !langid.empty();
}

bool CLang::Load(const std::string& path, const std::string& defaultSection) {
    Clear();
    std::string lang;
    std::string langid;
    if (!ReadHeader(path, lang, langid)) {
        return false;
    }
    std::strcpy(lang_, lang.c_str());
    std::strcpy(langid_, langid.c_str());
    path_ = path;
    defaultSection_ = defaultSection;
    return true;
}

bool CLang::FindByLangId(const std::string& langid, const std::string& folder,
                         const std::string& mask, const std::string& defaultSection) {
    Clear();
    for (const std::string& path : MatchingFiles(folder, mask)) {
        std::string fileLang;
        std::string fileLangId;
        if (ReadHeader(path, fileLang, fileLangId) && EqualNoCase(fileLangId, langid)) {
            return Load(path, defaultSection);
        }
    }
    return false;
}

std::string CLang::SectionName(const char* suffix) const {
    if (suffix == nullptr || *suffix == '\0') {
        return defaultSection_;
    }
    return defaultSection_ + "." + suffix;
}

std::string CLang::text(const char* key, const char* suffix, bool* found, bool logIfMissing) const {
    std::vector<char> buffer(kValueSize);
    if (IsLoaded()) {
        GetPrivateProfileStringA(SectionName(suffix).c_str(), key, kAbsent, buffer.data(),
                                 kValueSize, path_.c_str());
    } else {
        std::strcpy(buffer.data(), kAbsent);
    }
    bool present = std::strcmp(buffer.data(), kAbsent) != 0;
    if (found != nullptr) {
        *found = present;
    }
    if (!present && logIfMissing && IsLoaded()) {
        LibOrvane().LogWarning("CLang.text", 0, "value(key=\"%s\", section=\"%s\") is not exists",
                               key, suffix ? suffix : "");
    }
    return present ? Unescape(buffer.data()) : std::string();
}

std::string CLang::text(const char* key, const char* suffix) const {
    return text(key, suffix, nullptr, true);
}

int CLang::integer(const char* key, const char* suffix, int defaultValue) const {
    std::string value = text(key, suffix, nullptr, false);
    IntegerSum sum = SumTerms(value);
    if (sum.malformed) {
        LibOrvane().LogError("CLang::integer", 0, "Invalid value(%s) for \"%s\"::[%s]\\%s",
                             value.c_str(), path_.c_str(), suffix ? suffix : "", key);
    }
    return sum.anyNumber && !sum.malformed ? static_cast<int>(sum.sum) : defaultValue;
}

CLang& TheLang() {
    static CLang* const lang = [] {
        auto* created = new CLang();
        SetLanguageTextSource([created](const char* key) { return created->text(key); });
        return created;
    }();
    return *lang;
}
