#include "platform/win32/code_page.h"

#include "platform/win32/code_page_conversion.h"

#include <climits>
#include <cstring>

namespace {

// Conversions come in runs of the same code page (an export converts every
// text to one or two): the last one found is kept. The table is constant,
// so the entry found for a number stays right.
const CodePageInfo* ResolveCodePage(UINT codePage) {
    const UINT number = codePage == CP_ACP ? GetACP() : codePage;
    thread_local UINT lastNumber = 0;
    thread_local const CodePageInfo* lastFound = nullptr;
    if (lastFound == nullptr || lastNumber != number) {
        lastFound = FindCodePage(number);
        lastNumber = number;
    }
    return lastFound;
}

// The input as a view, or nothing when its pointer or length is unusable.
// Length -1 takes the text up to and including its terminating null.
template <class Char>
std::optional<std::basic_string_view<Char>> InputText(const Char* text, int length) {
    if (text == nullptr || length == 0 || length < -1) {
        return std::nullopt;
    }
    if (length == -1) {
        return std::basic_string_view<Char>(text, std::char_traits<Char>::length(text) + 1);
    }
    return std::basic_string_view<Char>(text, static_cast<size_t>(length));
}

bool IsUsableOutput(const void* out, int outSize) {
    return outSize == 0 || (outSize > 0 && out != nullptr);
}

bool EncodeFlagsAllowed(const CodePageInfo& page, DWORD flags) {
    DWORD allowed = page.kind == CodePageKind::kPlain ? WC_NO_BEST_FIT_CHARS : 0;
    if (page.codePage == CP_UTF8 || page.codePage == 54936) {
        allowed |= WC_ERR_INVALID_CHARS;
    }
    return (flags & ~allowed) == 0;
}

bool DecodeFlagsAllowed(const CodePageInfo& page, DWORD flags) {
    DWORD allowed = MB_ERR_INVALID_CHARS;
    if (page.kind == CodePageKind::kPlain) {
        allowed |= MB_PRECOMPOSED;
    }
    return (flags & ~allowed) == 0;
}

// Hands a converted text to the caller: its length when out is large
// enough (or outSize is 0), else 0 with ERROR_INSUFFICIENT_BUFFER.
template <class Char>
int Deliver(const std::basic_string<Char>& text, Char* out, int outSize) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) {
        SetLastError(text.empty() ? ERROR_NO_UNICODE_TRANSLATION : ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (outSize != 0 && text.size() > static_cast<size_t>(outSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (outSize != 0) {
        std::memcpy(out, text.data(), text.size() * sizeof(Char));
    }
    return static_cast<int>(text.size());
}

int Fail(LONG error) {
    SetLastError(error);
    return 0;
}

LONG ErrorOf(ConversionResult result) {
    return result == ConversionResult::kInvalidInput ? ERROR_NO_UNICODE_TRANSLATION
                                                     : ERROR_INVALID_PARAMETER;
}

} // namespace

BOOL IsValidCodePage(UINT codePage) {
    return FindCodePage(codePage) != nullptr ? TRUE : FALSE;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* wide, int wideLength, char* out,
                        int outSize, const char* defaultChar, BOOL* usedDefault) {
    const CodePageInfo* page = ResolveCodePage(codePage);
    auto input = InputText(wide, wideLength);
    bool defaultsAllowed = page != nullptr && page->kind == CodePageKind::kPlain;
    if (page == nullptr || !input || !IsUsableOutput(out, outSize) ||
        (!defaultsAllowed && (defaultChar != nullptr || usedDefault != nullptr))) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!EncodeFlagsAllowed(*page, flags)) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    EncodeOptions options{(flags & WC_ERR_INVALID_CHARS) != 0, defaultChar != nullptr
                                                                   ? std::string_view(defaultChar)
                                                                   : std::string_view()};
    std::string bytes;
    bool defaulted = false;
    ConversionResult result = EncodeWide(*page, *input, options, bytes, defaulted);
    if (result != ConversionResult::kDone) {
        return Fail(ErrorOf(result));
    }
    int produced = Deliver(bytes, out, outSize);
    if (produced != 0 && usedDefault != nullptr) {
        *usedDefault = defaulted ? TRUE : FALSE;
    }
    return produced;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int length, char16_t* out,
                        int outSize) {
    const CodePageInfo* page = ResolveCodePage(codePage);
    auto input = InputText(bytes, length);
    if (page == nullptr || !input || !IsUsableOutput(out, outSize)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!DecodeFlagsAllowed(*page, flags)) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    std::u16string wide;
    ConversionResult result =
        DecodeNarrow(*page, *input, (flags & MB_ERR_INVALID_CHARS) != 0, wide);
    if (result != ConversionResult::kDone) {
        return Fail(ErrorOf(result));
    }
    return Deliver(wide, out, outSize);
}

std::optional<std::string> WideToMultiByte(UINT codePage, std::u16string_view wide) {
    std::string bytes;
    if (!WideToMultiByte(codePage, wide, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

bool WideToMultiByte(UINT codePage, std::u16string_view wide, std::string& out) {
    const CodePageInfo* page = ResolveCodePage(codePage);
    bool defaulted = false;
    return page != nullptr &&
           EncodeWide(*page, wide, {}, out, defaulted) == ConversionResult::kDone;
}

std::optional<std::u16string> MultiByteToWide(UINT codePage, std::string_view bytes) {
    const CodePageInfo* page = ResolveCodePage(codePage);
    std::u16string wide;
    if (page == nullptr || DecodeNarrow(*page, bytes, false, wide) != ConversionResult::kDone) {
        return std::nullopt;
    }
    return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
    return WideToMultiByte(CP_ACP, wide).value_or(std::string());
}

std::u16string AnsiToWide(std::string_view bytes) {
    return MultiByteToWide(CP_ACP, bytes).value_or(std::u16string());
}
