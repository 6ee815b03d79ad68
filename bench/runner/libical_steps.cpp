#include "bench/runner/calendar_steps.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <libical/ical.h>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double SecondsSince(std::chrono::steady_clock::time_point begin) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

int CountEvents(icalcomponent* calendar) {
    return calendar == nullptr ? 0
                               : icalcomponent_count_components(calendar, ICAL_VEVENT_COMPONENT);
}

} // namespace

bool HaveLibical() {
    return true;
}

int LibicalParseStep(const std::string& path) {
    const auto begin = std::chrono::steady_clock::now();
    const std::string text = ReadAll(path);
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    const double seconds = SecondsSince(begin);
    std::printf("events=%d\nseconds=%.6f\n", CountEvents(calendar), seconds);
    const int status = CountEvents(calendar) > 0 ? 0 : 1;
    icalcomponent_free(calendar);
    return status;
}

int LibicalSerializeStep(const std::string& path, const std::string& out) {
    icalcomponent* calendar = icalparser_parse_string(ReadAll(path).c_str());
    const auto begin = std::chrono::steady_clock::now();
    char* text = icalcomponent_as_ical_string_r(calendar);
    std::ofstream(out, std::ios::binary) << text;
    const double seconds = SecondsSince(begin);
    std::printf("events=%d\nseconds=%.6f\n", CountEvents(calendar), seconds);
    icalmemory_free_buffer(text);
    icalcomponent_free(calendar);
    return 0;
}
