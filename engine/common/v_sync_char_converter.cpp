#include "engine/common/v_sync_char_converter.h"

#include "platform/win32/code_page.h"

#include <optional>

vSyncCharConverter* g_charConverter = nullptr;

namespace {

// The Win32 code page for a converter code page: -1 is the ANSI code page.
UINT Win32CodePage(int codePage) {
    return codePage == kAnsiCodePage ? CP_ACP : static_cast<UINT>(codePage);
}

int CodePageOfName(const std::unordered_map<std::string, const EncodingEntry*>& index,
                   const std::string& name) {
    if (name.empty()) {
        return kAnsiCodePage;
    }
    auto found = index.find(name);
    return found != index.end() ? found->second->CodePage : kUnknownCodePage;
}

} // namespace

vSyncCharConverter::vSyncCharConverter() {
    for (const EncodingEntry& entry : encodings_.Entries()) {
        byCodePage_.insert_or_assign(entry.CodePage, &entry);
        byDisplayName_.insert_or_assign(entry.DisplayName, &entry);
        byCharsetName_.insert_or_assign(entry.CharsetName, &entry);
    }
}

vSyncCharConverter::~vSyncCharConverter() = default;

int vSyncCharConverter::FromUnicodeByName(const std::string& charsetName,
                                          const std::u16string& wide, std::string& out) const {
    return FromUnicode(CodePageOfCharsetName(charsetName), wide, out);
}

int vSyncCharConverter::FromUnicode(int codePage, const std::u16string& wide,
                                    std::string& out) const {
    std::string bytes;
    if (!ConvertFromUnicode(codePage, wide, bytes)) {
        return kUnknownCodePage;
    }
    out = std::move(bytes);
    return static_cast<int>(out.size());
}

bool vSyncCharConverter::ConvertFromUnicode(int codePage, std::u16string_view wide,
                                            std::string& out) const {
    if (codePage == kUnknownCodePage || !WideToMultiByte(Win32CodePage(codePage), wide, out) ||
        out.empty()) {
        out.clear();
        return false;
    }
    return true;
}

int vSyncCharConverter::ToUnicodeByName(const std::string& charsetName, const std::string& narrow,
                                        std::u16string& out) const {
    return ToUnicode(CodePageOfCharsetName(charsetName), narrow, out);
}

int vSyncCharConverter::ToUnicode(int codePage, const std::string& narrow,
                                  std::u16string& out) const {
    if (codePage == kUnknownCodePage) {
        return 0;
    }
    std::optional<std::u16string> wide = MultiByteToWide(Win32CodePage(codePage), narrow);
    if (!wide || wide->empty()) {
        return 0;
    }
    out = std::move(*wide);
    return static_cast<int>(out.size());
}

std::string vSyncCharConverter::CurrentCharsetName() const {
    return CharsetNameOf(currentCodePage_);
}

int vSyncCharConverter::SelectByCharsetName(const std::string& name) {
    currentCodePage_ = CodePageOfCharsetName(name);
    return currentCodePage_;
}

int vSyncCharConverter::SelectByDisplayName(const std::string& name) {
    currentCodePage_ = CodePageOfDisplayName(name);
    return currentCodePage_;
}

bool vSyncCharConverter::IsEmptyName(const std::string& text) const {
    return text.empty();
}

std::string vSyncCharConverter::CharsetNameOf(int codePage) const {
    if (codePage == kAnsiCodePage || codePage == kUnknownCodePage) {
        return {};
    }
    auto found = byCodePage_.find(codePage);
    return found != byCodePage_.end() ? found->second->CharsetName : std::string();
}

int vSyncCharConverter::CodePageOfCharsetName(const std::string& name) const {
    return CodePageOfName(byCharsetName_, name);
}

int vSyncCharConverter::CodePageOfDisplayName(const std::string& name) const {
    return CodePageOfName(byDisplayName_, name);
}
