// Every VEVENT property row in both calendar versions, from a plain-text
// case table (tests/data/import/vevent_rows.txt).

#include "tests/engine/import/parse_harness.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

struct RowCase {
    int line = 0;
    std::string name;
    std::string version;
    std::u16string separator = u";";
    std::vector<std::string> lines;
    std::map<std::string, std::string> expect;
    std::vector<std::string> log;
};

std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    }
    return out;
}

void ReadDirective(RowCase& c, const std::string& key, const std::string& value) {
    if (key == "version") {
        c.version = value;
    } else if (key == "separator") {
        c.separator = std::u16string(value.begin(), value.end());
    } else if (key == "line") {
        c.lines.push_back(value);
    } else if (key == "expect") {
        size_t equals = value.find('=');
        c.expect[value.substr(0, equals)] = Unescaped(value.substr(equals + 1));
    } else if (key == "log") {
        c.log.push_back(Unescaped(value));
    } else {
        ADD_FAILURE() << "line " << c.line << ": unknown key " << key;
    }
}

std::vector<RowCase> ReadCases() {
    std::ifstream in(std::string(QUILLANE_TEST_DATA) + "/import/vevent_rows.txt");
    EXPECT_TRUE(in);
    std::vector<RowCase> cases;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t colon = line.find(": ");
        if (line.empty() || line[0] == '#' || colon == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, colon);
        std::string value = line.substr(colon + 2);
        if (key == "case") {
            cases.push_back({});
            cases.back().line = number;
            cases.back().name = value;
        } else if (!cases.empty()) {
            ReadDirective(cases.back(), key, value);
        }
    }
    return cases;
}

std::string EventText(const std::string& version, const std::vector<std::string>& lines) {
    std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:" + version + "\r\nBEGIN:VEVENT\r\nDTSTART:20070101T100000\r\n";
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

TEST(VEventRows, EveryRowInBothVersions) {
    std::vector<RowCase> cases = ReadCases();
    ASSERT_GT(cases.size(), 50u);
    for (const RowCase& c : cases) {
        SCOPED_TRACE("vevent_rows.txt:" + std::to_string(c.line) + ": " + c.name);
        ParseSetup setup;
        setup.fileName = c.version == "1.0" ? "case.vcs" : "case.ics";
        setup.listSeparator = c.separator;
        ParseRun baseline = ParseText(EventText(c.version, {}), setup);
        ParseRun run = ParseText(EventText(c.version, c.lines), setup);
        ASSERT_EQ(baseline.events.size(), 1u);
        ASSERT_EQ(run.events.size(), 1u);
        std::map<std::string, std::string> expected = EventFields(baseline.events[0]);
        for (const auto& [field, value] : c.expect) {
            ASSERT_TRUE(expected.contains(field)) << "unknown field " << field;
            expected[field] = value;
        }
        EXPECT_EQ(EventFields(run.events[0]), expected);
        EXPECT_EQ(run.LogTexts(), c.log);
    }
}

} // namespace
