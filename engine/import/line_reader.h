#pragma once
// CvCalLineReader: walks the content lines of a calendar file held in memory.
// It unfolds folded lines (a line starting with one space continues the one
// before), splits a line into its name, its parameters and its value, and
// never copies the file: only the current logical line.
//
// Example: for "item1.DTSTART;TZID=\"A;B\":20070101T100000" NextProperty
// gives the name DTSTART, the quote-aware NextParam gives TZID and "A;B"
// (quotes kept), and ReadValue gives 20070101T100000.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The value encodings a property can declare.
enum ValueEncoding {
    kEncodingNone = 0,
    kEncoding7Bit = 1,
    kEncoding8Bit = 2,
    kEncodingQuotedPrintable = 3,
    kEncodingBase64 = 4,
};

class CvCalLineReader {
public:
    void Init(const char* text, size_t length);

    // Reads one logical line into Line; false at the end of the text.
    bool ReadLine(bool skipLeadingSpaces);
    // Moves to the next line holding ":" or ";" and takes its name.
    bool NextProperty();
    // Takes the next parameter after Pos; false when there is none.
    bool NextParam(bool quoteAware);
    // Takes the value after the first ":" at or after Pos; quoted-printable
    // values ending in "=" continue on the following lines. Without a ":"
    // the value is empty and the result false.
    bool ReadValue(int encoding);

    // Value and ParamValue trimmed (the latter also without enclosing double
    // quotes), as views valid until the next read.
    std::string_view ValueTrimmed() const;
    std::string_view ParamValueUnquoted() const;
    // The trimmed value as a decimal number; the default (and the error flag
    // set) when it is empty or holds anything but digits.
    int ValueAsNumber(int defaultValue, bool& error) const;
    // The non-empty pieces of Value between any of the delimiters.
    void SplitValue(const char* delimiters, std::vector<std::string>& out) const;
    // Reads properties until one named name (and, when value is given, whose
    // trimmed value equals it); false at the end of the text.
    bool FindProperty(const char* name, const char* value);

    size_t Length = 0;
    const char* Start = nullptr;
    size_t Cursor = 0;
    int32_t LineNumber = 0;
    std::string Line;
    size_t Pos = 0;
    std::string Name;
    std::string ParamName;
    std::string ParamValue;
    std::string Value;

private:
    void AppendPhysicalLine();
};

// Text helpers shared by the import engine.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);
std::string UpperAscii(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// A decimal number of digits only, saturated at the largest 32-bit value;
// false when the text is empty or holds anything else.
bool ParseDigits(std::string_view text, int& out);
// Leading optional sign and digits, as the C library's atoi reads them but
// saturated to 32 bits; 0 when no digits lead.
int LeadingNumber(std::string_view text);
