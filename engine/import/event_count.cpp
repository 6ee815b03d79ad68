#include "engine/import/event_count.h"

#include "engine/import/line_reader.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Finds the line breaks of a text from left to right. With SSE2 it compares
// sixteen bytes at a time and keeps the block's breaks as bits, so that the
// many short lines of a calendar file cost a few instructions each rather
// than a memchr call.
class LineBreaks {
public:
    explicit LineBreaks(std::string_view text) : text_(text) {}

    // The position of the first '\n' at or after from; npos when none.
    size_t Next(size_t from) {
#ifdef __SSE2__
        while (from + 16 <= text_.size()) {
            const size_t block = from & ~size_t{15};
            if (block != block_ || !loaded_) {
                LoadBlock(block);
            }
            const std::uint32_t bits = breaks_ & (~std::uint32_t{0} << (from - block));
            if (bits != 0) {
                return block + static_cast<size_t>(std::countr_zero(bits));
            }
            from = block + 16;
        }
#endif
        return text_.find('\n', from);
    }

private:
#ifdef __SSE2__
    void LoadBlock(size_t block) {
        const __m128i bytes =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + block));
        breaks_ = static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
        block_ = block;
        loaded_ = true;
    }

    size_t block_ = 0;
    bool loaded_ = false;
    std::uint32_t breaks_ = 0;
#endif
    std::string_view text_;
};

// The logical lines of a text as views into it; only a folded line is
// copied, to join its pieces.
class LineScanner {
public:
    explicit LineScanner(std::string_view text) : text_(text), breaks_(text) {}

    // Moves to the next line holding ":" or ";", passing over lines whose
    // name is neither BEGIN nor END; false at the end.
    bool NextProperty();
    // Whether the property's name is this upper-case name, in any case.
    bool NameIs(std::string_view upper) const {
        return name_.size() == upper.size() && EqualsIgnoringCase(name_, upper);
    }
    // The trimmed text after the first ":" at or after the separator.
    std::string_view Value() const;
    // Moves to the next property with this name and value.
    bool Find(std::string_view name, std::string_view value);

private:
    bool NextLine();
    std::string_view PhysicalLine();
    // Whether the logical line at the cursor has a name other than BEGIN
    // and END, told from its first piece; the cursor then moves past it.
    bool SkipOtherLine();

    std::string_view text_;
    LineBreaks breaks_;
    size_t cursor_ = 0;
    std::string joined_;
    std::string_view line_;
    size_t separator_ = 0;
    // The text before the separator without a group prefix and trailing
    // white space.
    std::string_view name_;
};

// The line at the cursor without its line break; the cursor moves past it.
std::string_view LineScanner::PhysicalLine() {
    const size_t lf = breaks_.Next(cursor_);
    const size_t end = lf == std::string_view::npos ? text_.size() : lf;
    size_t contentEnd = end;
    if (lf != std::string_view::npos && contentEnd > cursor_ && text_[contentEnd - 1] == '\r') {
        --contentEnd;
    }
    const std::string_view line = text_.substr(cursor_, contentEnd - cursor_);
    cursor_ = lf == std::string_view::npos ? text_.size() : end + 1;
    return line;
}

// A line starting with a space continues the one before, without that space.
bool LineScanner::NextLine() {
    while (cursor_ < text_.size() && text_[cursor_] == ' ') {
        ++cursor_;
    }
    if (cursor_ >= text_.size()) {
        return false;
    }
    line_ = PhysicalLine();
    if (cursor_ < text_.size() && text_[cursor_] == ' ') {
        joined_.assign(line_);
        while (cursor_ < text_.size() && text_[cursor_] == ' ') {
            ++cursor_;
            joined_.append(PhysicalLine());
        }
        line_ = joined_;
    }
    return true;
}

bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Where the first ':', ';', '.' or '\n' at or after from may be: with SSE2
// the sixteen bytes from there are looked at at once, and when none of them
// is one of those, the position after them (the caller goes on from there).
size_t NameEndGuess(std::string_view text, size_t from) {
#ifdef __SSE2__
    if (from + 16 <= text.size()) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
        const __m128i found =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(':')),
                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8(';'))),
                         _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('.')),
                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
        const auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(found));
        return from + (bits != 0 ? static_cast<size_t>(std::countr_zero(bits)) : 16);
    }
#endif
    return from;
}

// Most lines are told apart by the name before their first ":" or ";";
// a line whose name is folded, holds a group prefix or may be BEGIN or END
// is read whole.
bool LineScanner::SkipOtherLine() {
    size_t end = NameEndGuess(text_, cursor_);
    while (end < text_.size()) {
        const char c = text_[end];
        if (c == ':' || c == ';') {
            break;
        }
        if (c == '\n' || c == '.') {
            return false;
        }
        ++end;
    }
    if (end == text_.size()) {
        return false;
    }
    size_t nameEnd = end;
    while (nameEnd > cursor_ && IsWhiteSpace(text_[nameEnd - 1])) {
        --nameEnd;
    }
    const size_t length = nameEnd - cursor_;
    const char first = text_[cursor_];
    if ((length == 5 && (first == 'B' || first == 'b')) ||
        (length == 3 && (first == 'E' || first == 'e'))) {
        return false;
    }
    do {
        const size_t lf = breaks_.Next(end);
        cursor_ = lf == std::string_view::npos ? text_.size() : lf + 1;
        end = cursor_;
    } while (cursor_ < text_.size() && text_[cursor_] == ' ');
    return true;
}

bool LineScanner::NextProperty() {
    for (;;) {
        while (cursor_ < text_.size() && text_[cursor_] == ' ') {
            ++cursor_;
        }
        if (cursor_ >= text_.size() || !SkipOtherLine()) {
            break;
        }
    }
    while (NextLine()) {
        separator_ = 0;
        while (separator_ < line_.size() && line_[separator_] != ':' && line_[separator_] != ';') {
            ++separator_;
        }
        if (separator_ == line_.size()) {
            continue;
        }
        name_ = line_.substr(0, separator_);
        const size_t dot = name_.find('.');
        if (dot != std::string_view::npos) {
            name_.remove_prefix(dot + 1);
        }
        while (!name_.empty() && IsWhiteSpace(name_.back())) {
            name_.remove_suffix(1);
        }
        return true;
    }
    return false;
}

std::string_view LineScanner::Value() const {
    const size_t colon = line_.find(':', separator_);
    if (colon == std::string_view::npos) {
        return {};
    }
    return TrimView(line_.substr(colon + 1));
}

bool LineScanner::Find(std::string_view name, std::string_view value) {
    while (NextProperty()) {
        if (NameIs(name) && Value() == value) {
            return true;
        }
    }
    return false;
}

} // namespace

int CountCalendarEvents(std::string_view text) {
    LineScanner lines(text);
    int count = 0;
    while (lines.Find("BEGIN", "VCALENDAR")) {
        int open = 0;
        while (lines.NextProperty()) {
            const bool begin = lines.NameIs("BEGIN");
            if (!begin && !lines.NameIs("END")) {
                continue;
            }
            const std::string_view value = lines.Value();
            if (begin && value == "VEVENT") {
                ++open;
            } else if (!begin && value == "VEVENT" && open > 0) {
                ++count;
                --open;
            } else if (!begin && value == "VCALENDAR") {
                break;
            }
        }
    }
    return count;
}
