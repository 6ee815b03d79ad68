#include "platform/win32/code_page_table.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

constexpr CodePageKind kPlain = CodePageKind::kPlain;
constexpr CodePageKind kUnicode = CodePageKind::kUnicode;
constexpr CodePageKind kStateful = CodePageKind::kStateful;

// Sorted by code page number.
constexpr std::array kCodePages = std::to_array<CodePageInfo>({
    {437, "CP437", kPlain},
    {737, "CP737", kPlain},
    {775, "CP775", kPlain},
    {850, "CP850", kPlain},
    {852, "CP852", kPlain},
    {855, "CP855", kPlain},
    {857, "CP857", kPlain},
    {860, "CP860", kPlain},
    {861, "CP861", kPlain},
    {862, "CP862", kPlain},
    {863, "CP863", kPlain},
    {864, "CP864", kPlain},
    {865, "CP865", kPlain},
    {866, "CP866", kPlain},
    {869, "CP869", kPlain},
    {874, "CP874", kPlain},
    {932, "CP932", kPlain},
    {936, "CP936", kPlain},
    {949, "CP949", kPlain},
    {950, "CP950", kPlain},
    {1200, "UTF-16LE", kUnicode},
    {1201, "UTF-16BE", kUnicode},
    {1250, "CP1250", kPlain},
    {1251, "CP1251", kPlain},
    {1252, "CP1252", kPlain},
    {1253, "CP1253", kPlain},
    {1254, "CP1254", kPlain},
    {1255, "CP1255", kPlain},
    {1256, "CP1256", kPlain},
    {1257, "CP1257", kPlain},
    {1258, "CP1258", kPlain},
    {1361, "CP1361", kPlain},
    {10000, "MACINTOSH", kPlain},
    {10007, "MAC-CYRILLIC", kPlain},
    {10029, "MAC-CENTRALEUROPE", kPlain},
    {12000, "UTF-32LE", kUnicode},
    {12001, "UTF-32BE", kUnicode},
    {20127, "ASCII", kPlain},
    {20866, "KOI8-R", kPlain},
    {20932, "EUC-JP", kPlain},
    {20936, "GB2312", kPlain},
    {21866, "KOI8-U", kPlain},
    {28591, "ISO-8859-1", kPlain},
    {28592, "ISO-8859-2", kPlain},
    {28593, "ISO-8859-3", kPlain},
    {28594, "ISO-8859-4", kPlain},
    {28595, "ISO-8859-5", kPlain},
    {28596, "ISO-8859-6", kPlain},
    {28597, "ISO-8859-7", kPlain},
    {28598, "ISO-8859-8", kPlain},
    {28599, "ISO-8859-9", kPlain},
    {28603, "ISO-8859-13", kPlain},
    {28605, "ISO-8859-15", kPlain},
    {38598, "ISO-8859-8", kPlain},
    {50220, "ISO-2022-JP", kStateful},
    {50225, "ISO-2022-KR", kStateful},
    {51932, "EUC-JP", kPlain},
    {51936, "EUC-CN", kPlain},
    {51949, "EUC-KR", kPlain},
    {54936, "GB18030", kUnicode},
    {65000, "UTF-7", kStateful},
    {65001, "UTF-8", kUnicode},
});

static_assert(std::ranges::is_sorted(kCodePages, {}, &CodePageInfo::codePage));

} // namespace

const CodePageInfo* FindCodePage(UINT codePage) {
    auto found = std::ranges::lower_bound(kCodePages, codePage, {}, &CodePageInfo::codePage);
    return found != kCodePages.end() && found->codePage == codePage ? &*found : nullptr;
}
