// Reads arbitrary bytes as a calendar file and parses it: file settling
// (encodings, NUL characters, line ends), content lines, every component and
// value. The first byte chooses the file name's extension, so that both
// calendar versions are reached without a VERSION line.

#include "engine/common/v_sync_char_converter.h"
#include "engine/import/cvcal_parser.h"
#include "engine/import/read_file.h"

#include <cstddef>
#include <cstdint>

namespace {

class DiscardingConsumer : public ParsedEventConsumer {
public:
    int AddEvent(CvCalParser& parser) override {
        // Reading the zones of each event as the import does.
        COleDateTime start;
        parser.ToDate(parser.Event.Start.Date, parser.Event.Start.Tzid, start, kToDateLocal, "");
        parser.ToDate(parser.Event.End.Date, parser.Event.End.Tzid, start, kToDateTarget,
                      parser.Event.Start.Tzid);
        return 0;
    }
    void EventFailed(CvCalParser&) override {}
    void CalendarEnded(CvCalParser&) override {}
    void ShowWarning(const std::string&, const std::string&) override {}
};

void Discard(const std::string&, LONG, const char*, int, int) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_charConverter = new vSyncCharConverter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const char* fileName = (data[0] & 1) ? "fuzz.ics" : "fuzz.vcs";
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    NormalizeFileText(text, fileName, Discard);
    DiscardingConsumer consumer;
    CvCalParser parser(consumer, Discard);
    parser.FileName = fileName;
    parser.Parse(text);
    return 0;
}
