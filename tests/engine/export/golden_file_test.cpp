// One test per expected file in the data folder: X.json holds the
// appointments of a calendar folder, X.ics and X.vcs the exact one-file
// export of that folder in each format. Lines whose value changes from run
// to run (DTSTAMP, generated UIDs) are checked for their form and then
// compared as "<volatile>".

#include "tests/engine/export/export_fixture.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path kDataFolder = fs::path(QUILLANE_TEST_DATA) / "engine" / "export";

struct GoldenCase {
    std::string name;   // fixture name
    std::string format; // "ics" or "vcs"
};

void PrintTo(const GoldenCase& c, std::ostream* out) {
    *out << c.name << "." << c.format;
}

std::vector<GoldenCase> FindCases() {
    std::vector<GoldenCase> cases;
    for (const auto& entry : fs::directory_iterator(kDataFolder)) {
        std::string extension = entry.path().extension().string();
        if (extension == ".ics" || extension == ".vcs") {
            cases.push_back({entry.path().stem().string(), extension.substr(1)});
        }
    }
    std::sort(cases.begin(), cases.end(), [](const GoldenCase& a, const GoldenCase& b) {
        return a.name + a.format < b.name + b.format;
    });
    return cases;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The volatile lines: the stamp is any UTC time, a generated UID the fixed
// Outlook prefix and 32 hex digits of a new GUID.
const std::regex kStamp("(\r\n)DTSTAMP:[0-9]{8}T[0-9]{6}Z\r\n");
const std::regex kGeneratedUid("(\r\n)UID:040000008200E00074C5B7101A82E008"
                               "00000000000000000000000000000000"
                               "0000000010000000[0-9A-F]{32}\r\n");

std::string Masked(const std::string& text) {
    std::string masked = std::regex_replace(text, kStamp, "$1DTSTAMP:<volatile>\r\n");
    return std::regex_replace(masked, kGeneratedUid, "$1UID:<volatile>\r\n");
}

// Keeps a differing output beside the test program for review.
std::string KeepActual(const GoldenCase& c, const std::string& actual) {
    fs::path folder = fs::current_path() / "golden_actual";
    fs::create_directories(folder);
    fs::path path = folder / (c.name + "." + c.format);
    std::ofstream(path, std::ios::binary) << actual;
    return path.string();
}

class GoldenFileTest : public ExportTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenFileTest, OneFileExportMatchesExpectedText) {
    const GoldenCase& c = GetParam();
    Add(nlohmann::json::parse(ReadFile(kDataFolder / (c.name + ".json"))));
    options_.oneFile = true;
    options_.format = c.format == "ics" ? kFormatICalendar20 : kFormatVCalendar10;

    ExportRunResult result = Run();

    EXPECT_EQ(result.failed, 0);
    std::string expected = ReadFile(kDataFolder / (c.name + "." + c.format));
    std::string actual = Masked(OnlyOutput());
    EXPECT_EQ(actual, expected) << "the actual text is in " << KeepActual(c, actual);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GoldenFileTest, ::testing::ValuesIn(FindCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) {
                             return info.param.name + "_" + info.param.format;
                         });

} // namespace
