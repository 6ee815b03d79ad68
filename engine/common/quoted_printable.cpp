// The converter's quoted-printable coding. Lines are broken at 65
// characters, not at the 76 of RFC 2045, as the calendar files this system
// writes have always been.

#include "engine/common/v_sync_char_converter.h"

namespace {

constexpr size_t kLineLimit = 65;
constexpr size_t kBlankLimit = 64;
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsCopied(unsigned char byte, size_t lineLength) {
    bool printable = byte >= 33 && byte <= 126 && byte != '=';
    bool blank = byte == ' ' || byte == '\t';
    return printable || (blank && lineLength < kBlankLimit);
}

bool IsAsciiDigitOrLetter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        return (c | 0x20) - 'a' + 10;
    }
    return -1;
}

// The two characters after "=" read as a hexadecimal number that stops at
// the first character that is not a hexadecimal digit ("G1" gives 0).
char HexByte(char first, char second) {
    int value = 0;
    for (char c : {first, second}) {
        if (HexValue(c) < 0) {
            break;
        }
        value = value * 16 + HexValue(c);
    }
    return static_cast<char>(value);
}

// True when every "=" is followed by a soft line break or by two characters
// starting with a digit or letter: the text then decodes.
bool IsDecodable(std::string_view text) {
    for (size_t i = text.find('='); i != std::string_view::npos; i = text.find('=', i + 3)) {
        if (i + 2 >= text.size()) {
            return false;
        }
        bool softBreak = text[i + 1] == '\r' && text[i + 2] == '\n';
        if (!softBreak && !IsAsciiDigitOrLetter(text[i + 1])) {
            return false;
        }
    }
    return true;
}

// Decodes a text that IsDecodable accepted into out (cleared first).
void Decode(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        size_t run = i;
        while (run < text.size() && text[run] != '=' && text[run] != '\r' && text[run] != '\n') {
            ++run;
        }
        out.append(text.data() + i, run - i);
        i = run;
        if (i == text.size() || text[i] != '=') {
            continue;
        }
        bool softBreak = text[i + 1] == '\r' && text[i + 2] == '\n';
        if (!softBreak) {
            out += HexByte(text[i + 1], text[i + 2]);
        }
        i += 2;
    }
}

// Turns each "=" that cannot start a code (not followed by a digit, a
// letter or CR, or among the last two characters) into the code of "=".
std::string RepairEquals(std::string_view text) {
    std::string repaired;
    repaired.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        repaired += text[i];
        bool stray =
            text[i] == '=' &&
            (i + 2 >= text.size() || !(IsAsciiDigitOrLetter(text[i + 1]) || text[i + 1] == '\r'));
        if (stray) {
            repaired += "3D";
        }
    }
    return repaired;
}

} // namespace

std::string vSyncCharConverter::QPEncode(std::string_view text) {
    std::string encoded;
    QPEncode(text, encoded);
    return encoded;
}

void vSyncCharConverter::QPEncode(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size() + text.size() / 2);
    size_t lineLength = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (IsCopied(byte, lineLength)) {
            out += static_cast<char>(byte);
            lineLength += 1;
        } else {
            out += {'=', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
            lineLength += 3;
        }
        if (lineLength >= kLineLimit && i + 1 < text.size()) {
            out += "=\r\n";
            lineLength = 0;
        }
    }
}

bool vSyncCharConverter::QPDecode(std::string_view text, std::string& out, bool repair) {
    if (IsDecodable(text)) {
        Decode(text, out);
        return true;
    }
    if (!repair) {
        return false;
    }
    std::string repaired = RepairEquals(text);
    if (!IsDecodable(repaired)) {
        return false;
    }
    Decode(repaired, out);
    return true;
}
