#include "platform/outlook/outlook_filter.h"

#include "platform/com/com_error.h"
#include "platform/outlook/ascii_case.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

struct FieldName {
    const char* name;
    FilterField field;
};

const FieldName kFields[] = {
    {"start", FilterField::Start},
    {"end", FilterField::End},
    {"subject", FilterField::Subject},
    {"location", FilterField::Location},
    {"categories", FilterField::Categories},
    {"body", FilterField::Body},
    {"resources", FilterField::Resources},
    {"duration", FilterField::Duration},
    {"sensitivity", FilterField::Sensitivity},
    {"importance", FilterField::Importance},
    {"busystatus", FilterField::BusyStatus},
    {"meetingstatus", FilterField::MeetingStatus},
    {"reminderminutesbeforestart", FilterField::ReminderMinutesBeforeStart},
    {"alldayevent", FilterField::AllDayEvent},
    {"reminderset", FilterField::ReminderSet},
    {"isrecurring", FilterField::IsRecurring},
};

bool EqualsNoCase(std::u16string_view text, std::string_view ascii) {
    if (text.size() != ascii.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (FoldAsciiCase(text[i]) != static_cast<char16_t>(ascii[i])) {
            return false;
        }
    }
    return true;
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string ErrorMessage(std::u16string_view text, size_t at) {
    std::u16string message = u"Cannot parse condition. Error at \"";
    message += text.substr(at < text.size() ? at : text.size());
    message += u"\".";
    return message;
}

[[noreturn]] void Fail(std::u16string_view text, size_t at) {
    throw _com_error(E_INVALIDARG, ErrorMessage(text, at));
}

// Invalid: text the lexer cannot split (an unterminated quote or bracket).
enum class TokenKind { Field, Op, Quoted, Word, Open, Close, End, Invalid };

// A token's text is a view into the filter, or for a quoted value with a
// doubled quote inside, into the lexer's buffer (valid until the next token).
struct Token {
    TokenKind kind = TokenKind::End;
    std::u16string_view text;
    size_t at = 0;
};

// Splits the filter into tokens; an unterminated quote or bracket gives an
// Invalid token.
class Lexer {
public:
    explicit Lexer(std::u16string_view text) : text_(text) {}

    // Just past the last token.
    size_t Position() const { return pos_; }

    Token Next() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            ++pos_;
        }
        const size_t at = pos_;
        if (pos_ == text_.size()) {
            return {TokenKind::End, {}, at};
        }
        const char16_t c = text_[pos_];
        if (c == u'[') {
            return Bracketed(at);
        }
        if (c == u'\'' || c == u'"') {
            return Quoted(at, c);
        }
        if (c == u'(' || c == u')') {
            ++pos_;
            return {c == u'(' ? TokenKind::Open : TokenKind::Close, {}, at};
        }
        if (c == u'=' || c == u'<' || c == u'>') {
            return Operator(at);
        }
        return Word(at);
    }

private:
    Token Bracketed(size_t at) {
        const size_t close = text_.find(u']', at);
        if (close == std::u16string_view::npos) {
            return {TokenKind::Invalid, {}, at};
        }
        pos_ = close + 1;
        return {TokenKind::Field, text_.substr(at + 1, close - at - 1), at};
    }

    // The text up to the closing quote; a doubled quote stands for one.
    Token Quoted(size_t at, char16_t quote) {
        size_t close = text_.find(quote, at + 1);
        if (close == std::u16string_view::npos) {
            return {TokenKind::Invalid, {}, at};
        }
        if (close + 1 >= text_.size() || text_[close + 1] != quote) {
            pos_ = close + 1;
            return {TokenKind::Quoted, text_.substr(at + 1, close - at - 1), at};
        }
        unquoted_.clear();
        size_t from = at + 1;
        while (close + 1 < text_.size() && text_[close + 1] == quote) {
            unquoted_.append(text_.substr(from, close + 1 - from));
            from = close + 2;
            close = text_.find(quote, from);
            if (close == std::u16string_view::npos) {
                return {TokenKind::Invalid, {}, at};
            }
        }
        unquoted_.append(text_.substr(from, close - from));
        pos_ = close + 1;
        return {TokenKind::Quoted, unquoted_, at};
    }

    Token Operator(size_t at) {
        const size_t start = pos_++;
        if (pos_ < text_.size() && text_[start] != u'=' &&
            (text_[pos_] == u'=' || text_[pos_] == u'>')) {
            ++pos_;
        }
        return {TokenKind::Op, text_.substr(start, pos_ - start), at};
    }

    Token Word(size_t at) {
        while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != u'(' &&
               text_[pos_] != u')' && text_[pos_] != u'=' && text_[pos_] != u'<' &&
               text_[pos_] != u'>' && text_[pos_] != u'\'' && text_[pos_] != u'"') {
            ++pos_;
        }
        return {TokenKind::Word, text_.substr(at, pos_ - at), at};
    }

    std::u16string_view text_;
    size_t pos_ = 0;
    std::u16string unquoted_;
};

std::optional<CompareOp> OperatorOf(std::u16string_view text) {
    if (text == u"=") {
        return CompareOp::Equal;
    }
    if (text == u"<>") {
        return CompareOp::NotEqual;
    }
    if (text == u"<") {
        return CompareOp::Less;
    }
    if (text == u"<=") {
        return CompareOp::LessEqual;
    }
    if (text == u">") {
        return CompareOp::Greater;
    }
    if (text == u">=") {
        return CompareOp::GreaterEqual;
    }
    return std::nullopt;
}

std::optional<long long> ParseInteger(std::u16string_view text) {
    size_t i = text.size() > 0 && text[0] == u'-' ? 1 : 0;
    if (i == text.size() || text.size() > 18) {
        return std::nullopt;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - u'0');
    }
    return text[0] == u'-' ? -value : value;
}

std::optional<long long> NumberOf(std::u16string_view text) {
    if (EqualsNoCase(text, "true")) {
        return 1;
    }
    if (EqualsNoCase(text, "false")) {
        return 0;
    }
    return ParseInteger(text);
}

// Sets the comparison's value from its text; false when the text is no
// value of the field's kind.
bool ReadValue(FilterNode& node, std::u16string_view text, std::string_view dateFormat) {
    switch (KindOf(node.field)) {
    case FilterFieldKind::Text:
        node.value.emplace<std::u16string>(text);
        return true;
    case FilterFieldKind::Date: {
        DATE date = 0;
        if (!ParseFilterDate(text, dateFormat, date)) {
            return false;
        }
        node.value = date;
        return true;
    }
    case FilterFieldKind::Number:
    case FilterFieldKind::Boolean:
        break;
    }
    const std::optional<long long> number = NumberOf(text);
    if (number) {
        node.value = *number;
    }
    return number.has_value();
}

// Parentheses and Nots nest at most this deep, so that hostile text cannot
// exhaust the stack.
constexpr int kMaxNesting = 64;

// Recursive descent over the tokens: Or of Ands of (Not) comparisons. The
// first error is recorded and ends the descent (the token becomes End, so
// every loop stops); ParseOutlookFilter raises it once, from the top, so
// that a filter the import expects to fail costs one short unwind.
//
// With quotedValues, the parser notes for each comparison, in text order,
// whether its value was quoted.
class Parser {
public:
    Parser(std::u16string_view text, std::string_view dateFormat,
           std::vector<bool>* quotedValues = nullptr)
        : lexer_(text), dateFormat_(dateFormat), quotedValues_(quotedValues) {
        Advance();
    }

    FilterNode Parse() {
        FilterNode node = ParseOr();
        if (token_.kind != TokenKind::End) {
            Fail(token_.at);
        }
        return node;
    }

    // Where the text could not be read; empty when it could.
    std::optional<size_t> ErrorAt() const { return error_; }

private:
    void Advance() {
        token_ = lexer_.Next();
        if (token_.kind == TokenKind::Invalid) {
            Fail(token_.at);
        }
    }

    void Fail(size_t at) {
        if (!error_) {
            error_ = at;
        }
        token_ = {TokenKind::End, {}, at};
    }

    bool AtKeyword(std::string_view keyword) const {
        return token_.kind == TokenKind::Word && EqualsNoCase(token_.text, keyword);
    }

    FilterNode Join(FilterNode::Kind kind, FilterNode left, FilterNode right) {
        if (left.kind == kind) {
            left.children.push_back(std::move(right));
            return left;
        }
        FilterNode node;
        node.kind = kind;
        // Room for the few terms a filter usually joins, without regrowing.
        node.children.reserve(4);
        node.children.push_back(std::move(left));
        node.children.push_back(std::move(right));
        return node;
    }

    FilterNode ParseOr() {
        FilterNode node = ParseAnd();
        while (AtKeyword("or")) {
            Advance();
            node = Join(FilterNode::Kind::Or, std::move(node), ParseAnd());
        }
        return node;
    }

    FilterNode ParseAnd() {
        FilterNode node = ParseUnary();
        while (AtKeyword("and")) {
            Advance();
            node = Join(FilterNode::Kind::And, std::move(node), ParseUnary());
        }
        return node;
    }

    FilterNode ParseUnary() {
        const bool nests = AtKeyword("not") || token_.kind == TokenKind::Open;
        if (nests && ++depth_ > kMaxNesting) {
            Fail(token_.at);
            return {};
        }
        FilterNode node = ParseNested();
        depth_ -= nests ? 1 : 0;
        return node;
    }

    FilterNode ParseNested() {
        if (AtKeyword("not")) {
            Advance();
            FilterNode node;
            node.kind = FilterNode::Kind::Not;
            node.children.push_back(ParseUnary());
            return node;
        }
        if (token_.kind == TokenKind::Open) {
            Advance();
            FilterNode node = ParseOr();
            Expect(TokenKind::Close);
            return node;
        }
        return ParseComparison();
    }

    void Expect(TokenKind kind) {
        if (token_.kind != kind) {
            Fail(token_.at);
            return;
        }
        Advance();
    }

    FilterNode ParseComparison() {
        FilterNode node;
        const std::optional<FilterField> field =
            token_.kind == TokenKind::Field ? FieldOf(token_.text) : std::nullopt;
        if (!field) {
            Fail(token_.at);
            return node;
        }
        node.field = *field;
        Advance();
        const std::optional<CompareOp> op =
            token_.kind == TokenKind::Op ? OperatorOf(token_.text) : std::nullopt;
        if (!op) {
            Fail(token_.at);
            return node;
        }
        node.op = *op;
        Advance();
        if ((token_.kind != TokenKind::Quoted && token_.kind != TokenKind::Word) ||
            !ReadValue(node, token_.text, dateFormat_)) {
            Fail(token_.at);
            return node;
        }
        if (quotedValues_) {
            quotedValues_->push_back(token_.kind == TokenKind::Quoted);
        }
        Advance();
        return node;
    }

    static std::optional<FilterField> FieldOf(std::u16string_view name) {
        for (const FieldName& f : kFields) {
            if (EqualsNoCase(name, f.name)) {
                return f.field;
            }
        }
        return std::nullopt;
    }

    Lexer lexer_;
    std::string_view dateFormat_;
    std::vector<bool>* quotedValues_;
    Token token_;
    int depth_ = 0;
    std::optional<size_t> error_;
};

// Where a quoted value lies in a filter: from its opening quote to just past
// its closing one.
struct QuotedValue {
    size_t from = 0;
    size_t to = 0;
};

// The closing quote of the value opened at open, as the lexer finds it (a
// doubled quote stands for one); npos when there is none.
size_t ClosingQuote(std::u16string_view text, size_t open) {
    const char16_t quote = text[open];
    size_t close = text.find(quote, open + 1);
    while (close != std::u16string_view::npos && close + 1 < text.size() &&
           text[close + 1] == quote) {
        close = text.find(quote, close + 2);
    }
    return close;
}

// A filter that has been read, kept as the pattern of its shape: filters
// the same as it but for their quoted values split into the same tokens
// but for those, so they parse to the same tree but for those values.
struct FilterShape {
    std::string dateFormat;
    std::u16string text;
    std::vector<QuotedValue> values;
    FilterNode tree;
    // For each comparison in text order, whether its value was quoted.
    std::vector<bool> quoted;
};

// Whether the text is of the shape: the same as the shape's text outside
// their quoted values (each opening quote included). The text's values are
// put in values.
bool MatchShape(const FilterShape& shape, std::u16string_view text,
                std::vector<QuotedValue>& values) {
    const std::u16string_view pattern = shape.text;
    values.clear();
    size_t at = 0;
    size_t from = 0;
    for (const QuotedValue& value : shape.values) {
        const std::u16string_view piece = pattern.substr(from, value.from + 1 - from);
        if (text.substr(at, piece.size()) != piece) {
            return false;
        }
        const size_t open = at + piece.size() - 1;
        const size_t close = ClosingQuote(text, open);
        if (close == std::u16string_view::npos) {
            return false;
        }
        values.push_back({open, close + 1});
        at = close + 1;
        from = value.to;
    }
    return text.substr(at) == pattern.substr(from);
}

// The quoted values of a filter, in text order.
std::vector<QuotedValue> QuotedValues(std::u16string_view text) {
    std::vector<QuotedValue> values;
    Lexer lexer(text);
    for (Token token = lexer.Next(); token.kind != TokenKind::End; token = lexer.Next()) {
        if (token.kind == TokenKind::Quoted) {
            values.push_back({token.at, lexer.Position()});
        }
    }
    return values;
}

// Copies a shape's tree with the quoted values of another filter of that
// shape in place of its own.
class ShapeBinder {
public:
    ShapeBinder(const FilterShape& shape, std::u16string_view text,
                const std::vector<QuotedValue>& values, std::string_view dateFormat)
        : shape_(shape), text_(text), values_(values), dateFormat_(dateFormat) {}

    // False when a value is no value of its field's kind.
    bool Copy(const FilterNode& from, FilterNode& to) {
        to.kind = from.kind;
        to.field = from.field;
        to.op = from.op;
        if (from.kind != FilterNode::Kind::Compare) {
            to.children.reserve(from.children.size());
            for (const FilterNode& child : from.children) {
                if (!Copy(child, to.children.emplace_back())) {
                    return false;
                }
            }
            return true;
        }
        if (!shape_.quoted[comparison_++]) {
            to.value = from.value;
            return true;
        }
        return ReadValue(to, ValueText(values_[value_++]), dateFormat_);
    }

private:
    // The value between its quotes, a doubled quote read as one.
    std::u16string_view ValueText(const QuotedValue& value) {
        const char16_t quote = text_[value.from];
        const std::u16string_view inside = text_.substr(value.from + 1, value.to - value.from - 2);
        if (inside.find(quote) == std::u16string_view::npos) {
            return inside;
        }
        unquoted_.clear();
        for (size_t i = 0; i < inside.size(); ++i) {
            unquoted_ += inside[i];
            i += inside[i] == quote ? 1 : 0;
        }
        return unquoted_;
    }

    const FilterShape& shape_;
    std::u16string_view text_;
    const std::vector<QuotedValue>& values_;
    std::string_view dateFormat_;
    size_t comparison_ = 0;
    size_t value_ = 0;
    std::u16string unquoted_;
};

// Filters longer than this are parsed each time instead of kept.
constexpr size_t kMaxShapeLength = 1024;
// The shapes kept; the oldest gives way to a new one.
constexpr size_t kMaxShapes = 8;

// The shapes this thread has read lately. A caller searches with filters of
// a few shapes many times over (the import's conflict search, for every
// event): such a filter is then matched with its shape's text, and only its
// quoted values are read.
struct ShapeCache {
    std::vector<FilterShape> shapes;
    size_t next = 0;
    std::vector<QuotedValue> values;

    void Keep(FilterShape shape) {
        if (shapes.size() < kMaxShapes) {
            shapes.push_back(std::move(shape));
            return;
        }
        shapes[next] = std::move(shape);
        next = (next + 1) % kMaxShapes;
    }
};

ShapeCache& Shapes() {
    thread_local ShapeCache cache;
    return cache;
}

// The filter from the tree of a shape it matches; empty when it matches none
// or one of its values is no value of its field's kind.
std::optional<FilterNode> ParseByShape(std::u16string_view text, std::string_view dateFormat) {
    ShapeCache& cache = Shapes();
    for (const FilterShape& shape : cache.shapes) {
        if (shape.dateFormat == dateFormat && MatchShape(shape, text, cache.values)) {
            FilterNode node;
            ShapeBinder binder(shape, text, cache.values, dateFormat);
            return binder.Copy(shape.tree, node) ? std::optional<FilterNode>(std::move(node))
                                                 : std::nullopt;
        }
    }
    return std::nullopt;
}

// Parses the filter and keeps its tree as its shape's; empty when it cannot
// be read, with errorAt the place of the first error.
std::optional<FilterNode> ParseAndKeep(std::u16string_view text, std::string_view dateFormat,
                                       size_t& errorAt) {
    FilterShape shape;
    Parser parser(text, dateFormat, &shape.quoted);
    shape.tree = parser.Parse();
    if (parser.ErrorAt()) {
        errorAt = *parser.ErrorAt();
        return std::nullopt;
    }
    FilterNode node = shape.tree;
    if (text.size() <= kMaxShapeLength) {
        shape.dateFormat = dateFormat;
        shape.text = text;
        shape.values = QuotedValues(text);
        Shapes().Keep(std::move(shape));
    }
    return node;
}

// Reads up to maxDigits digits at pos.
std::optional<int> ReadNumber(std::u16string_view text, size_t& pos, size_t maxDigits) {
    const size_t start = pos;
    const size_t end = std::min(text.size(), start + maxDigits);
    size_t at = start;
    int value = 0;
    for (; at < end && IsDigit(text[at]); ++at) {
        value = value * 10 + (text[at] - u'0');
    }
    pos = at;
    return at > start ? std::optional<int>(value) : std::nullopt;
}

struct DateParts {
    int year = -1, month = -1, day = -1;
};

// Reads the date part as the short date pattern says; letters of the pattern
// other than d, M and y, and quoted pattern text, must match as written.
bool ReadDate(std::u16string_view text, size_t& pos, std::string_view format, DateParts& parts) {
    for (size_t f = 0; f < format.size();) {
        const char c = format[f];
        size_t run = 1;
        while (f + run < format.size() && format[f + run] == c) {
            ++run;
        }
        if (c == 'd' || c == 'M' || c == 'y') {
            const size_t digits = c == 'y' && run > 2 ? 4 : 2;
            std::optional<int> n = ReadNumber(text, pos, digits);
            if (!n) {
                return false;
            }
            (c == 'd'   ? parts.day
             : c == 'M' ? parts.month
                        : parts.year) =
                c == 'y' && run <= 2 ? (*n < 30 ? 2000 + *n : 1900 + *n) : *n;
        } else if (c != '\'') {
            for (size_t i = 0; i < run; ++i) {
                if (pos >= text.size() || text[pos] != static_cast<char16_t>(c)) {
                    return false;
                }
                ++pos;
            }
        }
        f += run;
    }
    return true;
}

// "hh:mm[:ss] [AM|PM]"; a PM after an hour of 13 or more changes nothing.
bool ReadTime(std::u16string_view text, size_t& pos, int& hour, int& minute, int& second) {
    std::optional<int> h = ReadNumber(text, pos, 2);
    if (!h || pos >= text.size() || text[pos] != u':') {
        return false;
    }
    ++pos;
    std::optional<int> m = ReadNumber(text, pos, 2);
    if (!m) {
        return false;
    }
    std::optional<int> s = 0;
    if (pos < text.size() && text[pos] == u':') {
        ++pos;
        s = ReadNumber(text, pos, 2);
        if (!s) {
            return false;
        }
    }
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    hour = *h;
    if (pos + 2 <= text.size()) {
        std::u16string_view marker = text.substr(pos, 2);
        const bool am = EqualsNoCase(marker, "am");
        const bool pm = EqualsNoCase(marker, "pm");
        if (am && hour > 12) {
            return false;
        }
        if ((am || pm) && hour <= 12) {
            hour = hour % 12 + (pm ? 12 : 0);
        }
        pos += am || pm ? 2 : 0;
    }
    minute = *m;
    second = *s;
    return true;
}

} // namespace

FilterFieldKind KindOf(FilterField field) {
    switch (field) {
    case FilterField::Start:
    case FilterField::End:
        return FilterFieldKind::Date;
    case FilterField::Subject:
    case FilterField::Location:
    case FilterField::Categories:
    case FilterField::Body:
    case FilterField::Resources:
        return FilterFieldKind::Text;
    case FilterField::AllDayEvent:
    case FilterField::ReminderSet:
    case FilterField::IsRecurring:
        return FilterFieldKind::Boolean;
    default:
        return FilterFieldKind::Number;
    }
}

bool ParseFilterDate(std::u16string_view text, std::string_view shortDateFormat, DATE& out) {
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    DateParts parts;
    if (!ReadDate(text, pos, shortDateFormat, parts)) {
        return false;
    }
    int hour = 0, minute = 0, second = 0;
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && !ReadTime(text, pos, hour, minute, second)) {
        return false;
    }
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    COleDateTime date;
    if (pos != text.size() ||
        date.SetDateTime(parts.year, parts.month, parts.day, hour, minute, second) != 0) {
        return false;
    }
    out = date;
    return true;
}

FilterNode ParseOutlookFilter(std::u16string_view text, std::string_view shortDateFormat) {
    size_t errorAt = 0;
    {
        std::optional<FilterNode> node = ParseByShape(text, shortDateFormat);
        if (!node) {
            node = ParseAndKeep(text, shortDateFormat, errorAt);
        }
        if (node) {
            return std::move(*node);
        }
    }
    // Raised with nothing left to destroy here, so that the unwinding does
    // not stop in this frame.
    Fail(text, errorAt);
}

bool CompareHolds(CompareOp op, int order) {
    switch (op) {
    case CompareOp::Equal:
        return order == 0;
    case CompareOp::NotEqual:
        return order != 0;
    case CompareOp::Less:
        return order < 0;
    case CompareOp::LessEqual:
        return order <= 0;
    case CompareOp::Greater:
        return order > 0;
    case CompareOp::GreaterEqual:
        return order >= 0;
    }
    return false;
}
