#include "engine/import/parse_ahead.h"

#include "engine/import/read_file.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// Steps handed over at a time, and filled groups the queue holds at most:
// some five hundred events, about a megabyte next to the file's text, so
// that the engine finds events waiting even when the thread has to wait
// some milliseconds for a processor. A deeper queue gains no speed and
// only holds more memory.
constexpr size_t kStepsPerGroup = 64;
constexpr size_t kQueuedGroups = 12;
// The thread that waits for room is woken once the engine has taken this
// many groups, to fill them again in one go: it wakes once per few hundred
// events rather than for every group, and still well before the queue runs
// dry.
constexpr size_t kRefillAt = kQueuedGroups - 8;

bool SameZones(const TimeZoneTable& a, const TimeZoneTable& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first && std::memcmp(&x.second, &y.second, sizeof x.second) == 0;
    });
}

} // namespace

// The calendar-level parser state an event or a calendar end came with.
struct ParseAhead::CalendarState {
    int Version;
    std::string ProdId;
    TimeZoneTable TimeZones;
};

// The consumer of the thread's parser: turns each call into a step.
class ParseAhead::Forwarder : public ParsedEventConsumer {
public:
    explicit Forwarder(ParseAhead& ahead) : ahead_(ahead) {}

    int AddEvent(CvCalParser& parser) override {
        CalendarChange calendar = ahead_.ChangeOf(parser);
        ahead_.Emit(HandedEvent{std::move(parser.Event), std::move(calendar)});
        return ahead_.Stopping() ? -1 : 0;
    }
    void EventFailed(CvCalParser& parser) override {
        CalendarChange calendar = ahead_.ChangeOf(parser);
        ahead_.Emit(FailedEvent{std::move(parser.Event), std::move(calendar)});
    }
    void CalendarEnded(CvCalParser& parser) override {
        ahead_.Emit(EndedCalendar{ahead_.ChangeOf(parser)});
    }
    void ShowWarning(const std::string& title, const std::string& text) override {
        ahead_.Emit(Warning{title, text});
    }
    void ValueNotDecoded(const std::string& fileName, const std::string& propertyName) override {
        ahead_.Emit(UndecodedValue{fileName, propertyName});
    }

private:
    ParseAhead& ahead_;
};

// Hands one step to the engine's side; a value ends the file with that
// result.
class ParseAhead::Replayer {
public:
    Replayer(CvCalParser& view, ParsedEventConsumer& consumer, std::exception_ptr& raised)
        : view_(view), consumer_(consumer), raised_(raised) {}

    std::optional<int> operator()(LogLine& line) {
        view_.LogSink()(line.Text, line.Code, line.Where.c_str(), line.Level, line.Flag);
        return std::nullopt;
    }
    // The event the view held before goes back with the step, to be freed
    // on the thread that allocated it.
    std::optional<int> operator()(HandedEvent& step) {
        Apply(step.Calendar);
        std::swap(view_.Event, step.Event);
        return consumer_.AddEvent(view_) < 0 ? std::optional<int>(-1) : std::nullopt;
    }
    std::optional<int> operator()(FailedEvent& step) {
        Apply(step.Calendar);
        std::swap(view_.Event, step.Event);
        consumer_.EventFailed(view_);
        return std::nullopt;
    }
    std::optional<int> operator()(EndedCalendar& step) {
        Apply(step.Calendar);
        consumer_.CalendarEnded(view_);
        return std::nullopt;
    }
    std::optional<int> operator()(Warning& step) {
        consumer_.ShowWarning(step.Title, step.Text);
        return std::nullopt;
    }
    std::optional<int> operator()(UndecodedValue& step) {
        consumer_.ValueNotDecoded(step.FileName, step.PropertyName);
        return std::nullopt;
    }
    std::optional<int> operator()(FileEnd& step) { return step.Result; }
    // Raised again by ReplayFile, past the guard that catches what the
    // consumer raises.
    std::optional<int> operator()(Raised& step) {
        raised_ = step.Error;
        return -1;
    }
    // Steps that open a file never come inside one.
    std::optional<int> operator()(OpenFailure&) { return 0; }
    std::optional<int> operator()(OpenedFile&) { return 0; }

private:
    void Apply(const CalendarChange& change) {
        if (change) {
            view_.Version = change->Version;
            view_.ProdId = change->ProdId;
            view_.TimeZones = change->TimeZones;
        }
    }

    CvCalParser& view_;
    ParsedEventConsumer& consumer_;
    std::exception_ptr& raised_;
};

ParseAhead::ParseAhead(std::vector<std::string> files, std::shared_ptr<const std::string> firstText,
                       const CvCalParser& settings)
    : files_(std::move(files)), firstText_(std::move(firstText)),
      forwarder_(std::make_unique<Forwarder>(*this)) {
    parser_ =
        std::make_unique<CvCalParser>(*forwarder_, [this](const std::string& text, LONG code,
                                                          const char* where, int level, int flag) {
            Emit(LogLine{text, code, where ? where : "", level, flag});
        });
    parser_->DefaultTimeZone = settings.DefaultTimeZone;
    parser_->ListSeparator = settings.ListSeparator;
    parser_->StopRequest = &stop_;
    filling_.reserve(kStepsPerGroup);
    thread_ = std::thread([this] { Work(); });
}

ParseAhead::~ParseAhead() {
    Stop();
    thread_.join();
}

// The thread's side.

void ParseAhead::Work() {
    try {
        for (size_t i = 0; i < files_.size() && !Stopping(); ++i) {
            ParseFile(files_[i], i == 0 ? std::move(firstText_) : nullptr);
        }
    } catch (...) {
        // The run ends with the error where a parse on the engine's thread
        // would have raised it; nothing after it is parsed.
        filling_.push_back(Raised{std::current_exception()});
    }
    Flush();
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

void ParseAhead::ParseFile(const std::string& path, std::shared_ptr<const std::string> text) {
    if (!text) {
        HANDLE file = OpenCalendarFile(path);
        if (file == INVALID_HANDLE_VALUE) {
            Emit(OpenFailure{HRESULT_FROM_WIN32(static_cast<LONG>(GetLastError()))});
            return;
        }
        parser_->FileName = path;
        Emit(OpenedFile{path});
        auto read = std::make_shared<std::string>();
        if (!_ReadFile(file, *read, nullptr, parser_->LogSink())) {
            Emit(FileEnd{0});
            return;
        }
        text = std::move(read);
    } else {
        parser_->FileName = path;
        Emit(OpenedFile{path});
    }
    int result = parser_->Parse(*text);
    text.reset();
    Emit(FileEnd{result});
    Flush();
}

void ParseAhead::Emit(Step step) {
    filling_.push_back(std::move(step));
    if (filling_.size() >= kStepsPerGroup) {
        Flush();
    }
}

// Hands the filled steps over and takes back the groups the engine has
// replayed: they are freed here, where their memory came from, and the
// storage of one is filled next.
void ParseAhead::Flush() {
    if (filling_.empty()) {
        return;
    }
    std::deque<std::vector<Step>> spent;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < kQueuedGroups || Stopping(); });
        if (!Stopping()) {
            queue_.push_back(std::move(filling_));
        }
        spent.swap(spent_);
    }
    changed_.notify_all();
    filling_.clear();
    if (!spent.empty()) {
        filling_.swap(spent.front());
        filling_.clear();
    }
    filling_.reserve(kStepsPerGroup);
}

ParseAhead::CalendarChange ParseAhead::ChangeOf(const CvCalParser& parser) {
    const CalendarState* last = lastCalendar_.get();
    if (last != nullptr && last->Version == parser.Version && last->ProdId == parser.ProdId &&
        SameZones(last->TimeZones, parser.TimeZones)) {
        return nullptr;
    }
    lastCalendar_ = std::make_shared<const CalendarState>(
        CalendarState{parser.Version, parser.ProdId, parser.TimeZones});
    return lastCalendar_;
}

// The engine's side.

ParseAhead::FileOutcome ParseAhead::ReplayFile(CvCalParser& view, ParsedEventConsumer& consumer) {
    Step* step = ended_ ? nullptr : NextStep();
    if (step == nullptr) {
        ended_ = true;
        return {true, S_OK, -1};
    }
    if (auto* failure = std::get_if<OpenFailure>(step)) {
        return {false, failure->Error, 0};
    }
    std::exception_ptr raised;
    if (auto* failure = std::get_if<Raised>(step)) {
        raised = failure->Error;
    } else {
        view.FileName = std::get<OpenedFile>(*step).Name;
    }
    bool fileEnded = false;
    int result =
        raised ? -1
               : view.GuardFile([&] { return ReplaySteps(view, consumer, raised, fileEnded); });
    if (raised) {
        ended_ = true;
        Stop();
        std::rethrow_exception(raised);
    }
    if (result < 0) {
        ended_ = true;
        Stop();
    } else if (!fileEnded) {
        SkipRestOfFile();
    }
    return {true, S_OK, result};
}

int ParseAhead::ReplaySteps(CvCalParser& view, ParsedEventConsumer& consumer,
                            std::exception_ptr& raised, bool& fileEnded) {
    Replayer replayer(view, consumer, raised);
    for (Step* step = NextStep(); step != nullptr; step = NextStep()) {
        fileEnded = std::holds_alternative<FileEnd>(*step);
        if (std::optional<int> result = std::visit(replayer, *step)) {
            return *result;
        }
    }
    return -1;
}

// After an error raised by the consumer the file's parse ended there: what
// the thread parsed after it is dropped.
void ParseAhead::SkipRestOfFile() {
    for (Step* step = NextStep(); step != nullptr; step = NextStep()) {
        if (std::holds_alternative<FileEnd>(*step)) {
            return;
        }
    }
    ended_ = true;
}

ParseAhead::Step* ParseAhead::NextStep() {
    if (replayed_ == replaying_.size()) {
        bool refill = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !queue_.empty() || finished_; });
            if (queue_.empty()) {
                return nullptr;
            }
            if (!replaying_.empty()) {
                spent_.push_back(std::move(replaying_));
            }
            replaying_ = std::move(queue_.front());
            queue_.pop_front();
            refill = queue_.size() <= kRefillAt;
        }
        if (refill) {
            changed_.notify_all();
        }
        replayed_ = 0;
    }
    return &replaying_[replayed_++];
}

void ParseAhead::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
}
