#include "platform/liborvane/log_file.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* name;
    timespec when;
    int level;
    const char* where;
    std::int32_t code;
    const char* text;
    const char* line;
};

const LineCase kLines[] = {
    {"the epoch, padded fields",
     {0, 5'000'000},
     1,
     "Place",
     42,
     "text",
     "1970-01-01T00:00:00.005Z\tTRACE\tPlace\t0x0000002A\ttext\n"},
    {"two-digit fields and a failure code",
     {1796515141, 123'999'999},
     3,
     "CvCalImport::Execute",
     static_cast<std::int32_t>(0x80004005),
     "cant open file",
     "2026-12-05T23:59:01.123Z\tERROR\tCvCalImport::Execute\t0x80004005\tcant open file\n"},
    {"line breaks escaped, null texts empty",
     {951782400, 999'000'000},
     2,
     nullptr,
     -1,
     "a\nb\r\nc\r",
     "2000-02-29T00:00:00.999Z\tWARNING\t\t0xFFFFFFFF\ta\\nb\\r\\nc\\r\n"},
};

TEST(LogLine, Table) {
    for (const LineCase& c : kLines) {
        EXPECT_EQ(FormatLogLine(c.when, c.level, c.where, c.code, c.text), c.line) << c.name;
    }
}

} // namespace
