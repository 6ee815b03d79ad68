#include "engine/import/read_file.h"

#include "platform/win32/code_page.h"
#include "platform/win32/files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

enum class TextForm { EightBit, Utf8, Utf16Le, Utf16Be };

// Looks at the first bytes; drops a byte-order mark.
TextForm DetectForm(std::string& text) {
    auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        text.erase(0, 3);
        return TextForm::Utf8;
    }
    if (byte(0) == 0xFF && byte(1) == 0xFE) {
        text.erase(0, 2);
        return TextForm::Utf16Le;
    }
    if (byte(0) == 0xFE && byte(1) == 0xFF) {
        text.erase(0, 2);
        return TextForm::Utf16Be;
    }
    unsigned word = byte(0) | (byte(1) << 8);
    if (word < 0x1000 && byte(0) != 0) {
        return TextForm::Utf16Le;
    }
    if (word >= 0x1000 && byte(0) == 0) {
        return TextForm::Utf16Be;
    }
    return TextForm::EightBit;
}

bool IsUtf16(TextForm form) {
    return form == TextForm::Utf16Le || form == TextForm::Utf16Be;
}

// Replaces NUL units by spaces in the unit's byte order; returns how many.
int ReplaceNulUnits(std::string& text, TextForm form) {
    int count = 0;
    if (!IsUtf16(form)) {
        for (char* nul = static_cast<char*>(std::memchr(text.data(), '\0', text.size()));
             nul != nullptr;
             nul = static_cast<char*>(std::memchr(nul, '\0', text.size() - (nul - text.data())))) {
            *nul = ' ';
            ++count;
        }
        return count;
    }
    size_t spaceByte = form == TextForm::Utf16Le ? 0 : 1;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        if (text[i] == '\0' && text[i + 1] == '\0') {
            text[i + spaceByte] = ' ';
            ++count;
        }
    }
    return count;
}

std::u16string Utf16Units(const std::string& text, TextForm form) {
    std::u16string wide(text.size() / 2, u'\0');
    bool bigEndian = form == TextForm::Utf16Be;
    for (size_t i = 0; i < wide.size(); ++i) {
        auto first = static_cast<unsigned char>(text[2 * i]);
        auto second = static_cast<unsigned char>(text[2 * i + 1]);
        wide[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8));
    }
    return wide;
}

// Positions of the CRs that no LF follows.
std::vector<size_t> LoneCarriageReturns(const std::string& text) {
    std::vector<size_t> lone;
    const char* begin = text.data();
    const char* end = begin + text.size();
    for (const char* cr = static_cast<const char*>(std::memchr(begin, '\r', text.size()));
         cr != nullptr; cr = static_cast<const char*>(std::memchr(cr + 1, '\r', end - cr - 1))) {
        if (cr + 1 == end || cr[1] != '\n') {
            lone.push_back(static_cast<size_t>(cr - begin));
        }
    }
    return lone;
}

void InsertLineFeedsAfterLoneCRs(std::string& text) {
    std::vector<size_t> lone = LoneCarriageReturns(text);
    if (lone.empty()) {
        return;
    }
    std::string fixed;
    fixed.reserve(text.size() + lone.size());
    size_t copied = 0;
    for (size_t cr : lone) {
        fixed.append(text, copied, cr + 1 - copied);
        fixed += '\n';
        copied = cr + 1;
    }
    fixed.append(text, copied, std::string::npos);
    text.swap(fixed);
}

// True when the text holds no NUL byte and every CR in it is followed by an
// LF, looked at sixteen bytes at a time in one pass without branches per
// line; such 8-bit text needs no other step. False where SSE2 is missing,
// which leaves the text to the steps one by one.
bool IsSettledText(const std::string& text) {
#if defined(__SSE2__)
    const char* data = text.data();
    const __m128i nul = _mm_setzero_si128();
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i bad = _mm_setzero_si128();
    size_t at = 0;
    for (; text.size() - at > 16; at += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 1));
        __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(block, cr));
        bad = _mm_or_si128(bad, _mm_or_si128(loneCr, _mm_cmpeq_epi8(block, nul)));
    }
    if (_mm_movemask_epi8(bad) != 0) {
        return false;
    }
    for (; at < text.size(); ++at) {
        bool loneCr = data[at] == '\r' && (at + 1 == text.size() || data[at + 1] != '\n');
        if (data[at] == '\0' || loneCr) {
            return false;
        }
    }
    return true;
#else
    (void)text;
    return false;
#endif
}

} // namespace

void NormalizeFileText(std::string& text, const char* fileName, const ImportLogSink& log) {
    if (text.size() >= 4) {
        TextForm form = DetectForm(text);
        if (form == TextForm::EightBit && IsSettledText(text)) {
            return;
        }
        int nulCount = ReplaceNulUnits(text, form);
        if (nulCount > 0 && fileName != nullptr) {
            log(std::string("File(") + fileName + ") contains unencoded binary data(" +
                    std::to_string(nulCount) + " bad symbols)! It cannot be imported correctly.",
                0, "CvCalImport::_ReadFile", 3, 1);
        }
        std::u16string wide;
        if (form == TextForm::Utf8) {
            wide = MultiByteToWide(CP_UTF8, text).value_or(std::u16string());
        } else if (IsUtf16(form)) {
            wide = Utf16Units(text, form);
        }
        if (!wide.empty()) {
            std::string().swap(text); // the bytes are no longer needed: free them first
            text = WideToAnsi(wide);
        }
    }
    InsertLineFeedsAfterLoneCRs(text);
}

namespace {

// The whole content of the file; false when its size or a read fails.
bool ReadWhole(HANDLE file, std::string& text) {
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        return false;
    }
    text.resize((static_cast<size_t>(high) << 32) | low);
    size_t done = 0;
    while (done < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(file, text.data() + done, chunk, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            break;
        }
        done += read;
    }
    text.resize(done);
    return true;
}

} // namespace

HANDLE OpenCalendarFile(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool _ReadFile(HANDLE file, std::string& text, const char* fileName, const ImportLogSink& log) {
    text.clear();
    bool ok = ReadWhole(file, text);
    CloseHandle(file);
    if (ok) {
        NormalizeFileText(text, fileName, log);
    }
    return ok;
}
