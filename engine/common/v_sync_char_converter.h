#pragma once
// vSyncCharConverter: the process's one converter between wide text and the
// bytes of the character sets in the catalogue, with the text-value escaping
// and the quoted-printable coding both engines use. The add-in creates it
// when the first Explorer window is attached and deletes it on Quit;
// engines and dialogs reach it through g_charConverter.
//
// Code pages: -1 stands for the system's ANSI code page, -2 for a character
// set not in the catalogue, on which every conversion fails and leaves the
// output as it was.

#include "engine/common/supported_encodings_list.h"

#include <string>
#include <string_view>
#include <unordered_map>

inline constexpr int kAnsiCodePage = -1;
inline constexpr int kUnknownCodePage = -2;

class vSyncCharConverter {
public:
    // Loads the catalogue and indexes it by code page, display name and
    // charset name; the later of two entries with the same key wins. The
    // current code page starts as -1.
    vSyncCharConverter();
    vSyncCharConverter(const vSyncCharConverter&) = delete;
    vSyncCharConverter& operator=(const vSyncCharConverter&) = delete;

    // The virtual operations, declared in their table order.
    virtual ~vSyncCharConverter();
    virtual int FromUnicodeByName(const std::string& charsetName, const std::u16string& wide,
                                  std::string& out) const;
    // The number of bytes produced, or -2 when the code page is -2 or nothing
    // could be converted (an empty text included); out is then untouched.
    virtual int FromUnicode(int codePage, const std::u16string& wide, std::string& out) const;
    // The conversion of FromUnicode into out's storage, which is reused from
    // text to text: false, with out empty, where FromUnicode fails.
    bool ConvertFromUnicode(int codePage, std::u16string_view wide, std::string& out) const;
    virtual int ToUnicodeByName(const std::string& charsetName, const std::string& narrow,
                                std::u16string& out) const;
    // Replaces out only when at least one character results; callers test
    // out, the number of characters returned is for information only.
    virtual int ToUnicode(int codePage, const std::string& narrow, std::u16string& out) const;
    virtual std::string CurrentCharsetName() const;
    virtual int SelectByCharsetName(const std::string& name);
    virtual int SelectByDisplayName(const std::string& name);
    virtual bool IsEmptyName(const std::string& text) const;
    // Empty for -1, -2 and a code page not in the catalogue.
    virtual std::string CharsetNameOf(int codePage) const;
    // -1 for an empty name, -2 for a name not in the catalogue (names
    // compare exactly, "utf-8" is not "UTF-8").
    virtual int CodePageOfCharsetName(const std::string& name) const;
    virtual int CodePageOfDisplayName(const std::string& name) const;

    const SupportedEncodingsList& Encodings() const { return encodings_; }
    int CurrentCodePage() const { return currentCodePage_; }

    // Backslash escaping of text values: "\" becomes "\\", ";" "\;", ","
    // "\,", and each CR LF, LF or CR "\n".
    static std::string Escape(std::string_view text);
    // The same appended to out; text must not lie in out.
    static void Escape(std::string_view text, std::string& out);
    // The inverse in one pass; any other backslash sequence stays as it is.
    static std::string Unescape(std::string_view text);
    // The same into out, whose storage is reused; text must not lie in out.
    static void Unescape(std::string_view text, std::string& out);
    // Quoted-printable with soft line breaks once a line reaches 65 characters.
    static std::string QPEncode(std::string_view text);
    // The same appended to out; text must not lie in out.
    static void QPEncode(std::string_view text, std::string& out);
    // Quoted-printable decoding; with repair, stray "=" signs are kept as
    // literal ones when plain decoding fails. On failure out is untouched;
    // text must not lie in out.
    static bool QPDecode(std::string_view text, std::string& out, bool repair);
    // A parameter value made safe: double quotes become single quotes and
    // control characters and DEL go; characters from 128 up stay.
    static std::u16string CleanParameterValue(std::u16string_view text);

private:
    SupportedEncodingsList encodings_;
    std::unordered_map<int, const EncodingEntry*> byCodePage_;
    std::unordered_map<std::string, const EncodingEntry*> byDisplayName_;
    std::unordered_map<std::string, const EncodingEntry*> byCharsetName_;
    int currentCodePage_ = kAnsiCodePage;
};

// The process's converter; null while the add-in has none.
extern vSyncCharConverter* g_charConverter;
