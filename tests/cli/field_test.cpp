// What the tool says about the field it runs on, and the Plaintext files it reads.
#include <string>
#include <vector>

#include "tests/cli/cli_harness.h"

namespace {

using namespace gb::clitest;

// A rule's topology is not used: one warning line says the field is bounded, for the rule that
// applies (-r's, which replaces the file's whole rule, or else the file's).
TEST_F(CliTest, ATopologySuffixIsWarnedAboutOnce) {
    // The RLE header ends the rule at its first comma.
    Write("torus.rle", "x = 3, y = 3, rule = B3/S23:T20,20\nbo$2bo$3o!\n");
    Write("plane.txt", "#R 23/36:P60,40\n.*\n..*\n***\n");
    Write("plain.rle", "x = 3, y = 3, rule = B3/S23\nbo$2bo$3o!\n");
    struct Case {
        std::vector<std::string> args;
        std::string suffix;  // empty: no warning
    };
    const std::vector<Case> cases = {
        {{"run", "plain.rle", "-r", "B3/S23:T20,20", "-g", "4"}, ":T20,20"},
        {{"info", "torus.rle"}, ":T20"},
        {{"run", "plane.txt", "-s", "50x40"}, ":P60,40"},
        {{"run", "torus.rle", "-r", "b36/s23:P5,5"}, ":P5,5"},
        {{"run", "torus.rle", "-r", "B3/S23"}, ""},
        {{"run", "plain.rle", "-r", "23/3", "-g", "2"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + (c.args.size() > 3 ? c.args[3] : ""));
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ParseReport(r.out).rule.empty(), false);
        std::vector<std::string> warnings;
        for (const std::string& line : Lines(r.err))
            if (line.rfind("gridbloom-cli: warning:", 0) == 0) warnings.push_back(line);
        if (c.suffix.empty()) {
            EXPECT_TRUE(warnings.empty()) << r.err;
            continue;
        }
        ASSERT_EQ(warnings.size(), 1u) << r.err;
        EXPECT_NE(warnings[0].find("\"" + c.suffix + "\""), std::string::npos) << warnings[0];
        EXPECT_NE(warnings[0].find("bounded"), std::string::npos) << warnings[0];
    }
    // The rule itself still applies.
    EXPECT_EQ(RunReport({"info", "plane.txt"}).rule, "23/36 (B36/S23)");
}

TEST_F(CliTest, PlaintextCellsFilesAreRead) {
    Write("glider.cells", "!Name: Glider\r\n!A small spaceship.\r\n.O\r\n..O\r\nOOO\r\n");
    const Result info = Run({"info", "glider.cells"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out,
              "rule 23/3 (B3/S23)\ngeneration 0\npopulation 5\nextent 600 599 602 601 3 3\n"
              "Name: Glider\nA small spaceship.\n");
    EXPECT_EQ(info.err, "");
    // Its glider runs as the RLE glider does.
    const Report cells = RunReport({"run", "glider.cells", "-g", "40"});
    Write("glider.rle", "x = 3, y = 3\nbo$2bo$3o!\n");
    const Report rle = RunReport({"run", "glider.rle", "-g", "40"});
    EXPECT_EQ(cells.population, rle.population);
    EXPECT_EQ(Numbers(cells.extent)[4], 3);
    EXPECT_EQ(Numbers(cells.extent)[0] - Numbers(rle.extent)[0], 1);
}

}  // namespace
