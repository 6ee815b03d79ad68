#include "bench/runner/calendar_steps.h"
#include "engine/common/v_sync_char_converter.h"
#include "engine/import/cvcal_parser.h"
#include "engine/import/read_file.h"
#include "platform/win32/files.h"

#include <chrono>
#include <cstdio>

namespace {

class CountingConsumer : public ParsedEventConsumer {
public:
    int AddEvent(CvCalParser&) override {
        ++events;
        return 0;
    }
    void EventFailed(CvCalParser&) override { ++failed; }
    void CalendarEnded(CvCalParser&) override {}
    void ShowWarning(const std::string&, const std::string&) override {}

    long long events = 0;
    long long failed = 0;
};

} // namespace

int ParseStep(const std::string& path) {
    g_charConverter = new vSyncCharConverter();
    const auto begin = std::chrono::steady_clock::now();
    ImportLogSink sink = [](const std::string&, LONG, const char*, int, int) {};
    std::string text;
    _ReadFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              text, nullptr, sink);
    CountingConsumer consumer;
    CvCalParser parser(consumer, sink);
    parser.FileName = path;
    parser.Parse(text);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("events=%lld failed=%lld\nseconds=%.6f\n", consumer.events, consumer.failed,
                seconds);
    return consumer.events > 0 && consumer.failed == 0 ? 0 : 1;
}
