#include "engine/import/event_count.h"

#include "engine/import/line_reader.h"

#include <string>

namespace {

// The logical lines of a text as views into it; only a folded line is
// copied, to join its pieces.
class LineScanner {
public:
    explicit LineScanner(std::string_view text) : text_(text) {}

    // Moves to the next line holding ":" or ";"; false at the end.
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

    std::string_view text_;
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
    const size_t lf = text_.find('\n', cursor_);
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

bool LineScanner::NextProperty() {
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
