// Every calendar file of the shared corpus (files written by other calendar
// software) is read and parsed to the end without a crash.

#include "engine/import/read_file.h"
#include "tests/engine/import/parse_harness.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>

namespace {

namespace fs = std::filesystem;

bool IsCalendarFile(const fs::path& path) {
    std::string extension = path.extension().string();
    return extension.size() == 4 && (extension[1] == 'i' || extension[1] == 'v' ||
                                     extension[1] == 'I' || extension[1] == 'V');
}

TEST(Corpus, EveryFileParses) {
    fs::path corpus = QUILLANE_SHARED_CORPUS;
    if (!fs::is_directory(corpus)) {
        GTEST_SKIP() << "no shared corpus at " << corpus;
    }
    int files = 0;
    size_t events = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file() || !IsCalendarFile(entry.path())) {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        std::string text;
        ASSERT_TRUE(_ReadFile(OpenForReading(entry.path().string()), text, entry.path().c_str(),
                              [](const std::string&, LONG, const char*, int, int) {}));
        ParseSetup setup;
        setup.fileName = entry.path().string();
        ParseRun run = ParseText(text, setup);
        EXPECT_GE(run.result, -1);
        events += run.events.size();
        ++files;
    }
    std::cout << files << " files, " << events << " events\n";
    EXPECT_GT(files, 1000);
    // Most files hold events; a parser that read none would be broken.
    EXPECT_GT(events, static_cast<size_t>(files));
}

} // namespace
