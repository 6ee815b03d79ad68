// Both rule grammars against plain-text case tables: each case gives a rule,
// the fields it must yield and every line it must log, in order.

#include "engine/import/recurrence_rule.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

struct RuleCase {
    int line = 0;
    std::string rule;
    std::map<std::string, std::string> fields;
    std::vector<std::string> log; // "level text"
};

std::string Unescaped(std::string text) {
    for (size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 1)) {
        text.replace(at, 2, "\n");
    }
    return text;
}

std::vector<RuleCase> ReadCases(const std::string& name) {
    std::ifstream in(std::string(QUILLANE_TEST_DATA) + "/import/" + name);
    EXPECT_TRUE(in) << "cannot open " << name;
    std::vector<RuleCase> cases;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.starts_with("rule: ")) {
            cases.push_back({number, line.substr(6), {}, {}});
        } else if (line.starts_with("fields:") && !cases.empty()) {
            std::istringstream fields(line.substr(7));
            for (std::string field; fields >> field;) {
                size_t equals = field.find('=');
                cases.back().fields[field.substr(0, equals)] = field.substr(equals + 1);
            }
        } else if (line.starts_with("log: ") && !cases.empty()) {
            cases.back().log.push_back(Unescaped(line.substr(5)));
        }
    }
    return cases;
}

std::map<std::string, std::string> FieldsOf(const RecurrenceFields& rule) {
    return {{"type", std::to_string(rule.RuleType)},
            {"interval", std::to_string(rule.RuleInterval)},
            {"count", std::to_string(rule.RuleCount)},
            {"instance", std::to_string(rule.RuleInstance)},
            {"until", rule.RuleUntil},
            {"mask", std::to_string(rule.RuleDayMask)},
            {"day", std::to_string(rule.RuleDayOfMonth)},
            {"month", std::to_string(rule.RuleMonth)}};
}

using RuleParser = void (*)(std::string_view, RecurrenceFields&, RuleMessages&);

void RunTable(const std::string& file, RuleParser parse) {
    std::vector<RuleCase> cases = ReadCases(file);
    ASSERT_FALSE(cases.empty());
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(file + ":" + std::to_string(c.line) + ": " + c.rule);
        RecurrenceFields rule;
        rule.RuleMonth = 99; // every field must be set by the parser
        RuleMessages messages;
        parse(c.rule, rule, messages);
        std::map<std::string, std::string> actual = FieldsOf(rule);
        for (const auto& [key, expected] : c.fields) {
            ASSERT_TRUE(actual.contains(key)) << "unknown field " << key;
            EXPECT_EQ(actual[key], expected) << "field " << key;
        }
        std::vector<std::string> log;
        for (const RuleMessage& message : messages) {
            log.push_back(std::to_string(message.Level) + " " + message.Text);
        }
        EXPECT_EQ(log, c.log);
    }
}

TEST(RuleTable, VCalendarGrammar) {
    RunTable("vcal_rules.txt", ParseVCalRule);
}

TEST(RuleTable, ICalendarGrammar) {
    RunTable("ical_rules.txt", ParseICalRule);
}

TEST(RuleLimits, ThousandsOfByDayItemsStopAt365) {
    std::string byDay;
    for (int i = 0; i < 5000; ++i) {
        byDay += i ? ",MO" : "MO";
    }
    RecurrenceFields rule;
    RuleMessages messages;
    ParseICalRule("FREQ=WEEKLY;BYDAY=" + byDay, rule, messages);
    EXPECT_EQ(rule.RuleType, kRuleWeekly);
    EXPECT_EQ(rule.RuleDayMask, 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Text, "Was errors:Too many days in BYDAY;");
}

TEST(RuleLimits, AbsurdNumbersSaturate) {
    RecurrenceFields rule;
    RuleMessages messages;
    ParseICalRule("FREQ=DAILY;COUNT=99999999999999999999;INTERVAL=88888888888888", rule, messages);
    EXPECT_EQ(rule.RuleType, kRuleDaily);
    EXPECT_EQ(rule.RuleCount, 2147483647);
    EXPECT_EQ(rule.RuleInterval, 2147483647);
    ParseVCalRule("D99999999999999 #99999999999999", rule, messages);
    EXPECT_EQ(rule.RuleInterval, 2147483647);
    EXPECT_EQ(rule.RuleCount, 2147483647);
}

} // namespace
