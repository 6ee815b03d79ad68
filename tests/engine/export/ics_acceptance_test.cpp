// Exported iCalendar files read by an independent parser (python3-icalendar
// from Debian's packages): every file of every fixture folder, one-file and
// per-item, must be accepted with all its events. Skips when the parser is
// not installed.

#include "tests/engine/export/export_fixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path kData = fs::path(QUILLANE_TEST_DATA) / "engine";

// The first Python that has the icalendar module, or empty.
std::string PythonWithIcalendar() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string probe = std::string(python) + " -c 'import icalendar' 2>/dev/null";
        if (std::system(probe.c_str()) == 0) {
            return python;
        }
    }
    return {};
}

struct CheckRun {
    int status = -1;
    std::string output;
};

CheckRun AcceptIcs(const std::string& python, const std::vector<std::string>& files) {
    std::string command = python + " " + (kData / "tools" / "accept_ics.py").string();
    for (const std::string& file : files) {
        command += " '" + file + "'";
    }
    CheckRun run;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char chunk[512];
    while (pipe != nullptr && std::fgets(chunk, sizeof chunk, pipe) != nullptr) {
        run.output += chunk;
    }
    run.status = pipe != nullptr ? pclose(pipe) : -1;
    return run;
}

// The sum of the counts that end the checker's lines ("FILE COUNT").
int EventsRead(const std::string& output) {
    int events = 0;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        events += std::atoi(line.substr(line.find_last_of(' ') + 1).c_str());
    }
    return events;
}

class IcsAcceptanceTest : public ExportTest, public ::testing::WithParamInterface<bool> {};

TEST_P(IcsAcceptanceTest, EveryFixtureIsReadBackWithAllItsEvents) {
    std::string python = PythonWithIcalendar();
    if (python.empty()) {
        GTEST_SKIP() << "python3-icalendar is not installed (apt-get install python3-icalendar)";
    }
    int appointments = 0;
    for (const auto& entry : fs::directory_iterator(kData / "export")) {
        if (entry.path().extension() == ".json") {
            std::ifstream in(entry.path());
            nlohmann::json fixture = nlohmann::json::parse(in);
            Add(fixture);
            appointments += static_cast<int>(fixture.size());
        }
    }
    options_.oneFile = GetParam();

    ASSERT_EQ(Run().exported, appointments);

    std::vector<std::string> files;
    for (const std::string& name : OutputFiles()) {
        files.push_back(out_.File(name));
    }
    CheckRun check = AcceptIcs(python, files);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(EventsRead(check.output), appointments) << check.output;
}

INSTANTIATE_TEST_SUITE_P(Layouts, IcsAcceptanceTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "OneFile" : "PerItem";
                         });

} // namespace
