#pragma once
// ParseAhead: parses the files of an import run on a thread of its own while
// the engine creates the appointments, and replays on the engine's thread
// everything each parse produced - its log lines, events, failed events,
// calendar ends and warnings - in the order a parse on the engine's thread
// would have produced them, each with the parser state it came with.
//
//   ParseAhead ahead(files, firstText, engine.Parser);
//   for (size_t i = 0; i < files.size(); ++i) {
//       ParseAhead::FileOutcome file = ahead.ReplayFile(engine.Parser, engine);
//       if (file.Opened && file.Result < 0) break;  // the run ends
//   }
//
// Who owns what. The thread owns its parser (reader, decoding state, zone
// table, event being read), the texts it reads and the steps it is filling.
// The engine's thread owns the view parser it replays into, the consumer and
// the log sink, so the store, the message boxes and the log are only ever
// touched there. The two share the queues of filled and of replayed steps
// (under their mutex) and the stop request (atomic); the text handed in for
// the first file is read by both and changed by neither. For the length of a
// run the character set converter's selection belongs to the thread: the
// engine selects no character set while it imports.
//
// The thread is a bounded number of steps ahead: it waits while the queue is
// full. Replayed steps go back to it to be freed, so that the memory of the
// events is allocated and freed on one thread. A negative result, the
// destructor or an exception on the engine's side stop it at its next event
// or calendar property.

#include "engine/import/cvcal_parser.h"
#include "platform/com/hresult.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

class ParseAhead {
public:
    // How a file went: not opened (with the system error as an HRESULT), or
    // opened and parsed with the parse's result (below 0 ends the run).
    struct FileOutcome {
        bool Opened = true;
        HRESULT OpenError = S_OK;
        int Result = 0;
    };

    // Starts the thread on the files in order, with the run's settings
    // (DefaultTimeZone, ListSeparator) taken from settings. firstText, when
    // not null, is the first file's text, already read and normalised.
    ParseAhead(std::vector<std::string> files, std::shared_ptr<const std::string> firstText,
               const CvCalParser& settings);
    // Stops the thread and waits for it.
    ~ParseAhead();
    ParseAhead(const ParseAhead&) = delete;
    ParseAhead& operator=(const ParseAhead&) = delete;

    // Replays the next file: the parser's log lines go to view's sink, its events,
    // failed events, calendar ends and warnings to consumer, with view's
    // FileName, Version, ProdId, TimeZones and Event set as the parse had
    // them. An exception raised by the consumer ends the file with the
    // parse's log line; one that escaped reading or parsing is raised here.
    // After a negative result every later call returns -1.
    FileOutcome ReplayFile(CvCalParser& view, ParsedEventConsumer& consumer);

private:
    struct CalendarState;
    using CalendarChange = std::shared_ptr<const CalendarState>;
    struct OpenFailure {
        HRESULT Error;
    };
    struct OpenedFile {
        std::string Name;
    };
    struct LogLine {
        std::string Text;
        LONG Code;
        std::string Where;
        int Level;
        int Flag;
    };
    struct HandedEvent {
        ParsedEvent Event;
        CalendarChange Calendar;
    };
    struct FailedEvent {
        ParsedEvent Event;
        CalendarChange Calendar;
    };
    struct EndedCalendar {
        CalendarChange Calendar;
    };
    struct Warning {
        std::string Title;
        std::string Text;
    };
    struct UndecodedValue {
        std::string FileName;
        std::string PropertyName;
    };
    struct FileEnd {
        int Result;
    };
    struct Raised {
        std::exception_ptr Error;
    };
    using Step = std::variant<OpenFailure, OpenedFile, LogLine, HandedEvent, FailedEvent,
                              EndedCalendar, Warning, UndecodedValue, FileEnd, Raised>;
    class Forwarder;
    class Replayer;

    // The thread's side.
    void Work();
    void ParseFile(const std::string& path, std::shared_ptr<const std::string> text);
    void Emit(Step step);
    void Flush();
    CalendarChange ChangeOf(const CvCalParser& parser);
    bool Stopping() const { return stop_.load(std::memory_order_relaxed); }

    // The engine's side.
    Step* NextStep();
    // The steps of the file up to its end; the file's result.
    int ReplaySteps(CvCalParser& view, ParsedEventConsumer& consumer, std::exception_ptr& raised,
                    bool& fileEnded);
    void SkipRestOfFile();
    void Stop();

    std::vector<std::string> files_;
    std::shared_ptr<const std::string> firstText_;
    std::unique_ptr<Forwarder> forwarder_;
    std::unique_ptr<CvCalParser> parser_;
    CalendarChange lastCalendar_;
    std::vector<Step> filling_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<Step>> queue_;
    // Groups the engine has replayed, for the thread to free.
    std::deque<std::vector<Step>> spent_;
    bool finished_ = false;
    std::atomic<bool> stop_{false};

    std::vector<Step> replaying_;
    size_t replayed_ = 0;
    bool ended_ = false;

    std::thread thread_;
};
