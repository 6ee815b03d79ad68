// Parsing ahead on a thread of its own hands the consumer the same calls,
// with the same parser state, and the log the same lines in the same order,
// as a parse on the calling thread does.

#include "engine/import/parse_ahead.h"
#include "engine/import/read_file.h"
#include "support/language_text.h"
#include "tests/engine/import/berlin_zone.h"
#include "tests/engine/import/parse_harness.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

// Every log line and every call of the parser, in order, with the parser
// state the call saw; and the threads they came on.
class Transcript : public ParsedEventConsumer {
public:
    // AddEvent returns -1 at this event (counted from 1), or throws at it.
    int abortAt = 0;
    int throwAt = 0;
    std::vector<std::string> lines;
    std::set<std::thread::id> threads;

    ImportLogSink Sink() {
        return [this](const std::string& text, LONG code, const char* where, int level, int flag) {
            Note("log " + std::string(where) + " " + std::to_string(level) + "/" +
                 std::to_string(flag) + "/" + std::to_string(code) + " " + text);
        };
    }
    int AddEvent(CvCalParser& parser) override {
        Note("event " + State(parser) + Fields(parser.Event));
        ++events_;
        if (events_ == throwAt) {
            throw std::runtime_error("consumer failed");
        }
        return events_ == abortAt ? -1 : 0;
    }
    void EventFailed(CvCalParser& parser) override { Note("failed " + State(parser)); }
    void CalendarEnded(CvCalParser& parser) override { Note("calendar end " + State(parser)); }
    void ShowWarning(const std::string& title, const std::string& text) override {
        Note("warning " + title + ": " + text);
    }
    void Note(const std::string& line) {
        lines.push_back(line);
        threads.insert(std::this_thread::get_id());
    }

private:
    static std::string State(const CvCalParser& parser) {
        std::string state = parser.FileName + " v" + std::to_string(parser.Version) + " " +
                            parser.ProdId + " zones:";
        for (const auto& [key, zone] : parser.TimeZones) {
            state += " " + (key == DefaultZoneKey ? std::string("<default>") : key) + "=" +
                     std::to_string(zone.Bias) + "/" + std::to_string(zone.DaylightBias);
        }
        return state;
    }
    static std::string Fields(const ParsedEvent& event) {
        std::string text;
        for (const auto& [name, value] : EventFields(event)) {
            text += " " + name + "=" + value;
        }
        return text;
    }

    int events_ = 0;
};

// What a run gives: the result of each file ("closed" for one that could
// not be opened) and the transcript.
struct Replay {
    std::vector<std::string> results;
    std::vector<std::string> lines;
};

void SetUpParser(CvCalParser& parser) {
    parser.ListSeparator = u"|";
    parser.DefaultTimeZone.Bias = 300;
}

// The files parsed one after the other on this thread, as the engine did;
// firstText, when given, is parsed in place of the first file's content.
Replay ParseOnThisThread(const std::vector<std::string>& files, Transcript& transcript,
                         const std::string* firstText = nullptr) {
    CvCalParser parser(transcript, transcript.Sink());
    SetUpParser(parser);
    Replay replay;
    for (const std::string& path : files) {
        HANDLE file = OpenCalendarFile(path);
        if (file == INVALID_HANDLE_VALUE) {
            replay.results.push_back("closed");
            continue;
        }
        parser.FileName = path;
        std::string text;
        bool read = _ReadFile(file, text, nullptr, transcript.Sink());
        if (firstText != nullptr && path == files.front()) {
            text = *firstText;
        }
        int result = read ? parser.Parse(text) : 0;
        replay.results.push_back(std::to_string(result));
        if (result < 0) {
            break;
        }
    }
    replay.lines = transcript.lines;
    return replay;
}

Replay ParseOnAThreadAhead(const std::vector<std::string>& files, Transcript& transcript,
                           std::shared_ptr<const std::string> firstText = nullptr) {
    CvCalParser view(transcript, transcript.Sink());
    SetUpParser(view);
    ParseAhead ahead(files, std::move(firstText), view);
    Replay replay;
    for (size_t i = 0; i < files.size(); ++i) {
        ParseAhead::FileOutcome file = ahead.ReplayFile(view, transcript);
        replay.results.push_back(file.Opened ? std::to_string(file.Result) : "closed");
        if (file.Opened && file.Result < 0) {
            EXPECT_EQ(ahead.ReplayFile(view, transcript).Result, -1);
            break;
        }
    }
    replay.lines = transcript.lines;
    return replay;
}

void ExpectSame(const Replay& ahead, const Replay& here) {
    EXPECT_EQ(ahead.results, here.results);
    ASSERT_EQ(ahead.lines.size(), here.lines.size());
    for (size_t i = 0; i < here.lines.size(); ++i) {
        EXPECT_EQ(ahead.lines[i], here.lines[i]) << "line " << i;
    }
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// Two calendars; a zone defined between two events that name it, and after
// the last event of the second calendar; a failed event; properties that are
// logged.
std::string ZonesMidFile() {
    std::vector<std::string> lines = {"BEGIN:VCALENDAR",
                                      "VERSION:2.0",
                                      "PRODID:one",
                                      "BEGIN:VEVENT",
                                      "DTSTART;TZID=Berlin:20070305T090000",
                                      "DTEND;TZID=Berlin:20070305T100000",
                                      "SUMMARY:before the zone",
                                      "FOO:bar",
                                      "END:VEVENT"};
    lines.insert(lines.end(), kBerlinZone.begin(), kBerlinZone.end());
    std::vector<std::string> rest = {"BEGIN:VEVENT",
                                     "DTSTART;TZID=Berlin:20070305T090000",
                                     "SUMMARY:after the zone",
                                     "CATEGORIES:a,b",
                                     "RRULE:FREQ=WEEKLY;COUNT=3",
                                     "EXDATE;TZID=Berlin:20070312T090000",
                                     "END:VEVENT",
                                     "BEGIN:VEVENT",
                                     "SUMMARY:no dates",
                                     "END:VEVENT",
                                     "END:VCALENDAR",
                                     "BEGIN:VCALENDAR",
                                     "VERSION:2.0",
                                     "PRODID:two",
                                     "BEGIN:VEVENT",
                                     "DTSTART;TZID=Berlin:20070306T090000",
                                     "SUMMARY:second calendar",
                                     "END:VEVENT"};
    lines.insert(lines.end(), rest.begin(), rest.end());
    lines.insert(lines.end(), kBerlinZone.begin(), kBerlinZone.end());
    lines.push_back("END:VCALENDAR");
    return Lines(lines);
}

// A vCalendar zone, a value that does not decode and a bad date after it.
// The value holds a CR without LF, which no text read from a file does: it
// is parsed as a text handed in.
std::string WarningText() {
    return Lines({"BEGIN:VCALENDAR", "VERSION:1.0", "TZ:-05",
                  "DAYLIGHT:TRUE;-04;20070311T020000;20071104T020000;EDT;EST", "BEGIN:VEVENT",
                  "DTSTART:20070305T090000", "DESCRIPTION;QUOTED-PRINTABLE:a=\rb", "SUMMARY:qp",
                  "END:VEVENT", "BEGIN:VEVENT", "DTSTART:20070306T090000", "DTEND:2007030",
                  "SUMMARY:after the warning", "END:VEVENT", "END:VCALENDAR"});
}

// Ends inside an event.
std::string Truncated() {
    return Lines({"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT", "DTSTART:20070307T090000",
                  "SUMMARY:cut short"});
}

// A calendar of an unknown version after a good one; an event after it.
std::string UnknownVersion() {
    return Lines({"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT", "DTSTART:20070308T090000",
                  "END:VEVENT", "END:VCALENDAR", "BEGIN:VCALENDAR", "VERSION:3.0", "BEGIN:VEVENT",
                  "DTSTART:20070309T090000", "END:VEVENT", "END:VCALENDAR"});
}

std::string ManyEvents(int count) {
    std::vector<std::string> lines = {"BEGIN:VCALENDAR", "VERSION:2.0"};
    for (int i = 0; i < count; ++i) {
        lines.insert(lines.end(), {"BEGIN:VEVENT", "DTSTART:20070305T090000",
                                   "SUMMARY:event " + std::to_string(i), "END:VEVENT"});
    }
    lines.push_back("END:VCALENDAR");
    return Lines(lines);
}

class ParseAheadTest : public ::testing::Test {
protected:
    ParseAheadTest() {
        SetLanguageTextSource([](const char* key) {
            return std::string(key) == "IDS_ERR_INVALID_FORMAT_VCAL"
                       ? std::string("Bad value in %1, property %2")
                       : std::string("Quillane");
        });
    }
    ~ParseAheadTest() override { SetLanguageTextSource({}); }

    // The first file's text is WarningText().
    std::vector<std::string> MixedFiles() const {
        return {folder_.Write("qp.vcs", "BEGIN:VCALENDAR\r\n"),
                folder_.Write("zones.ics", ZonesMidFile()), folder_.File("missing.ics"),
                folder_.Write("cut.ics", Truncated())};
    }
    std::shared_ptr<const std::string> warningText_ = std::make_shared<std::string>(WarningText());

    TempFolder folder_;
};

TEST_F(ParseAheadTest, HandsOnWhatAParseOnTheCallingThreadDoes) {
    Transcript here;
    Transcript ahead;
    ExpectSame(ParseOnAThreadAhead(MixedFiles(), ahead, warningText_),
               ParseOnThisThread(MixedFiles(), here, warningText_.get()));
    // The files do produce every kind of call.
    std::string all;
    for (const std::string& line : here.lines) {
        all += line.substr(0, line.find(' ')) + ",";
    }
    for (const char* kind : {"log,", "event,", "failed,", "calendar,", "warning,"}) {
        EXPECT_NE(all.find(kind), std::string::npos) << kind;
    }
    EXPECT_EQ(ahead.threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST_F(ParseAheadTest, FilesAreReadByTheThreadWhenNoTextIsHandedIn) {
    std::vector<std::string> files = MixedFiles();
    files[0] = folder_.Write("zones again.ics", ZonesMidFile());
    Transcript here;
    Transcript ahead;
    ExpectSame(ParseOnAThreadAhead(files, ahead), ParseOnThisThread(files, here));
}

TEST_F(ParseAheadTest, AnUnknownVersionEndsTheRun) {
    std::vector<std::string> files = {folder_.Write("bad.ics", UnknownVersion()),
                                      folder_.Write("zones.ics", ZonesMidFile())};
    Transcript here;
    Transcript ahead;
    Replay replay = ParseOnAThreadAhead(files, ahead);
    ExpectSame(replay, ParseOnThisThread(files, here));
    EXPECT_EQ(replay.results, std::vector<std::string>{"-1"});
}

TEST_F(ParseAheadTest, AnAbortByTheConsumerStopsTheParse) {
    std::vector<std::string> files = {folder_.Write("many.ics", ManyEvents(20000)),
                                      folder_.Write("zones.ics", ZonesMidFile())};
    Transcript here;
    here.abortAt = 3;
    Transcript ahead;
    ahead.abortAt = 3;
    Replay replay = ParseOnAThreadAhead(files, ahead);
    ExpectSame(replay, ParseOnThisThread(files, here));
    EXPECT_EQ(replay.lines.size(), 3u);
}

TEST_F(ParseAheadTest, AnErrorRaisedByTheConsumerEndsOnlyItsFile) {
    std::vector<std::string> files = MixedFiles();
    Transcript here;
    here.throwAt = 1;
    Transcript ahead;
    ahead.throwAt = 1;
    Replay replay = ParseOnAThreadAhead(files, ahead, warningText_);
    ExpectSame(replay, ParseOnThisThread(files, here, warningText_.get()));
    EXPECT_EQ(replay.results, (std::vector<std::string>{"0", "0", "closed", "0"}));
    EXPECT_NE(std::find(replay.lines.begin(), replay.lines.end(),
                        "log CvCalImport::Parse 3/1/0 CATCHED EXCEPTION! file(" + files[0] + ")"),
              replay.lines.end());
}

TEST_F(ParseAheadTest, StopsWhenDroppedBeforeTheEnd) {
    std::vector<std::string> files = {folder_.Write("many.ics", ManyEvents(20000)),
                                      folder_.Write("more.ics", ManyEvents(20000))};
    Transcript transcript;
    CvCalParser view(transcript, transcript.Sink());
    { ParseAhead ahead(files, nullptr, view); }
    ParseAhead ahead(files, nullptr, view);
    transcript.abortAt = 1;
    EXPECT_EQ(ahead.ReplayFile(view, transcript).Result, -1);
    EXPECT_EQ(transcript.lines.size(), 1u);
}

} // namespace
