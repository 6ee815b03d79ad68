#include "engine/common/supported_encodings_list.h"

#include "platform/win32/message_box.h"
#include "platform/win32/module.h"
#include "support/language_text.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

namespace {

constexpr const char* kCatalogueName = "supportedEncodings.txt";

std::string CataloguePath() {
    char module[4096] = {};
    DWORD length = GetModuleFileNameA(GetModuleHandleA("Quillane.dll"), module, sizeof module);
    std::string path(module, length);
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1) + kCatalogueName;
}

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        return std::nullopt;
    }
    std::string content;
    char chunk[4096];
    size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        content.append(chunk, read);
    }
    return std::ferror(file.get()) ? std::nullopt : std::optional(content);
}

// The first three fields of a line; runs of "|" separate one field from
// the next and leading ones are skipped.
std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = line.find_first_not_of('|');
    while (start != std::string_view::npos && fields.size() < 3) {
        size_t end = line.find('|', start);
        fields.push_back(line.substr(start, end - start));
        start = line.find_first_not_of('|', end == std::string_view::npos ? line.size() : end);
    }
    return fields;
}

// Reads the number the way strtol does in base 10 (leading blanks and a
// sign allowed, trailing text ignored), limited to 32 bits; 0 when there is none.
std::int32_t ParseCodePage(std::string_view field) {
    std::string text(field);
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

std::optional<EncodingEntry> ParseLine(std::string_view line) {
    std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() < 3) {
        return std::nullopt;
    }
    std::int32_t codePage = ParseCodePage(fields[2]);
    if (codePage == 0) {
        return std::nullopt;
    }
    return EncodingEntry{std::string(fields[0]), std::string(fields[1]), codePage};
}

// The entries of the file's text, or nothing when a line is bad. Lines end
// at CR or LF; the text ends at the first empty line or NUL byte.
std::optional<std::vector<EncodingEntry>> ParseCatalogue(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<EncodingEntry> entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        if (end == start) {
            break;
        }
        std::optional<EncodingEntry> entry = ParseLine(text.substr(start, end - start));
        if (!entry) {
            return std::nullopt;
        }
        entries.push_back(std::move(*entry));
        start = std::min(text.find_first_not_of("\r\n", end), text.size());
    }
    return entries;
}

std::optional<std::vector<EncodingEntry>> LoadCatalogue() {
    std::optional<std::string> text = ReadWholeFile(CataloguePath());
    return text ? ParseCatalogue(*text) : std::nullopt;
}

void WarnCatalogueUnusable() {
    std::string text = LanguageText("IDS_ERR_ENC_FILE_NOT_FOUND");
    std::string title = LanguageText("IDS_APP_TITLE");
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
}

} // namespace

SupportedEncodingsList::SupportedEncodingsList() {
    std::optional<std::vector<EncodingEntry>> loaded = LoadCatalogue();
    if (loaded) {
        entries_ = std::move(*loaded);
        return;
    }
    entries_ = {EncodingEntry{"UTF-8", "UTF-8", 65001}};
    WarnCatalogueUnusable();
}

SupportedEncodingsList::~SupportedEncodingsList() = default;
