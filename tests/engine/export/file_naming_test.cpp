// Output file names: unsafe characters, reserved device names, line breaks
// in subjects, clashes with existing files and overwriting.

#include "engine/export/file_naming.h"
#include "tests/engine/export/export_fixture.h"

using nlohmann::json;

namespace {

struct NameCase {
    const char* label;
    const char* given;
    const char* safe;
};

const NameCase kNameCases[] = {
    {"path climbing", "../../x", ".._.._x"},
    {"every forbidden character", "a\tb\rc\nd\\e/f:g*h?i\"j<k>l|m", "a_b_c_d_e_f_g_h_i_j_k_l_m"},
    {"trailing white space", "Review  \v", "Review"},
    {"reserved con", "con", "co_"},
    {"reserved CON in capitals", "CON", "CO_"},
    {"reserved nul before a dot", "Nul.backup", "Nu_.backup"},
    {"con as a prefix only", "console", "console"},
    {"nul as a prefix only", "nullable", "nullable"},
};

TEST(SanitizeFileName, MakesNamesSafe) {
    for (const NameCase& c : kNameCases) {
        EXPECT_EQ(SanitizeFileName(c.given), c.safe) << c.label;
    }
}

TEST(BracketFirstLineBreak, PutsTheSecondLineInBrackets) {
    EXPECT_EQ(BracketFirstLineBreak("Plan\r\nDraft"), "Plan (Draft)");
    EXPECT_EQ(BracketFirstLineBreak("a\r\nb\r\nc"), "a (b\r\nc)");
    EXPECT_EQ(BracketFirstLineBreak("one line"), "one line");
}

TEST_F(ExportTest, SameStartAndSubjectGetNumberedNames) {
    Add(json::parse(R"([
      {"subject": "Call", "start": "2007-03-05T09:00:00", "end": "2007-03-05T09:10:00"},
      {"subject": "Call", "start": "2007-03-05T09:00:00", "end": "2007-03-05T09:20:00"},
      {"subject": "Call", "start": "2007-03-05T09:00:00", "end": "2007-03-05T09:30:00"}
    ])"));

    EXPECT_EQ(Run().exported, 3);

    EXPECT_EQ(OutputFiles(),
              (std::vector<std::string>{"20070305090000_Call(1).ics", "20070305090000_Call(2).ics",
                                        "20070305090000_Call.ics"}));
}

TEST_F(ExportTest, OverwriteReplacesAFileOfTheSameName) {
    Add(json::parse(R"([
      {"subject": "Call", "start": "2007-03-05T09:00:00", "end": "2007-03-05T09:10:00"},
      {"subject": "Call", "start": "2007-03-05T09:00:00", "end": "2007-03-05T09:50:00"}
    ])"));
    options_.overwrite = true;

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 2);
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"20070305090000_Call.ics"});
    EXPECT_NE(Output("20070305090000_Call.ics").find("DTEND:20070305T145000Z"), std::string::npos);
}

TEST_F(ExportTest, AnExistingFileIsNeverReplacedWithoutOverwrite) {
    out_.Write("Calendar.ics", "keep me");
    Add(json::parse(R"([{"subject": "A", "start": "2007-03-05T09:00:00"}])"));
    options_.oneFile = true;

    Run();

    EXPECT_EQ(Output("Calendar.ics"), "keep me");
    EXPECT_EQ(OutputFiles(), (std::vector<std::string>{"Calendar(1).ics", "Calendar.ics"}));
}

TEST_F(ExportTest, SubjectsNeverLeadOutOfTheOutputFolder) {
    Add(json::parse(R"([
      {"subject": "../../x", "start": "2007-03-05T09:00:00"},
      {"subject": "Plan\r\nDraft: v2  ", "start": "2007-03-06T09:00:00"}
    ])"));

    EXPECT_EQ(Run().exported, 2);

    EXPECT_EQ(OutputFiles(), (std::vector<std::string>{"20070305090000_.._.._x.ics",
                                                       "20070306090000_Plan (Draft_ v2  ).ics"}));
}

TEST_F(ExportTest, AOneFileExportOfAFolderNamedConWritesCo_) {
    options_.folder = Calendar()->GetFolders()->Add(u"Con");
    LoadAppointment(json::parse(R"({"subject": "A", "start": "2007-03-05T09:00:00"})"),
                    QueryInterface<_AppointmentItem>(options_.folder->GetItems()->Add()));
    options_.oneFile = true;
    options_.format = kFormatVCalendar10;

    EXPECT_EQ(Run().exported, 1);

    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"Co_.vcs"});
}

} // namespace
