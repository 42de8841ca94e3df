// gridbloom-cli driven as a user drives it: the built binary, its exit status and its output.
#include <unistd.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/cli/cli_harness.h"

namespace {

using namespace gb::clitest;

TEST_F(CliTest, HelpAndVersion) {
    const Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("gridbloom-cli run  INPUT"), std::string::npos);
    EXPECT_NE(help.out.find("gridbloom-cli info INPUT"), std::string::npos);
    EXPECT_EQ(Run({"run", "x.rle", "--help"}).status, 0);

    const Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("gridbloom-cli ") + GRIDBLOOM_VERSION + "\n");
}

TEST_F(CliTest, GliderLinesAndNotes) {
    // A 3 × 3 pattern on the 1202 × 1202 grid: its corner at ((1202 - 3) / 2, (1202 - 3) / 2).
    const Result info = Run({"info", Pattern("glider.rle")});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto lines = info.lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "rule 23/3 (B3/S23)");
    EXPECT_EQ(lines[1], "generation 0");
    EXPECT_EQ(lines[2], "population 5");
    EXPECT_EQ(lines[3], "extent 599 599 601 601 3 3");
    // Name, author and comment follow, as the reader's box shows them.
    EXPECT_EQ(lines[4], "Glider");
    EXPECT_NE(info.out.find("Gridbloom samples\n"), std::string::npos);
    EXPECT_NE(info.out.find("moves one cell diagonally every four generations.\n"),
              std::string::npos);
    // Once: the reader's box is not printed on standard error as well.
    EXPECT_EQ(info.err, "");

    // run prints only the four lines, and the notes only when asked, on standard error,
    // captioned with the file name as the reader's box is.
    const Result run = Run({"run", Pattern("glider.rle"), "-g", "0"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "rule 23/3 (B3/S23)\ngeneration 0\npopulation 5\nextent 599 599 601 601 3 3\n");
    EXPECT_EQ(run.err, "");
    for (const char* verbose : {"-v", "--verbose"}) {
        const Result told = Run({"run", Pattern("glider.rle"), verbose, "-g", "8"});
        EXPECT_EQ(told.status, 0);
        EXPECT_EQ(told.out,
                  "rule 23/3 (B3/S23)\ngeneration 8\npopulation 5\nextent 601 601 603 603 3 3\n");
        EXPECT_EQ(told.err.rfind("glider.rle\nGlider\n", 0), 0u) << told.err;
        EXPECT_EQ(Lines(told.err).size(), 1 + Lines(info.out).size() - 4) << told.err;
    }
    EXPECT_EQ(Run({"info", Pattern("glider.rle"), "-v"}).status, 2);

    // A field size changes where the pattern lands.
    EXPECT_EQ(RunReport({"info", Pattern("glider.rle"), "-s", "40x30"}).extent, "19 14 21 16 3 3");

    // Life 1.05 description lines.
    const Result lif = Run({"info", Pattern("two-gliders.lif")});
    ASSERT_EQ(lif.status, 0);
    const auto lifLines = lif.lines();
    ASSERT_EQ(lifLines.size(), 6u);
    EXPECT_EQ(lifLines[2], "population 10");
    EXPECT_EQ(lifLines[4], "Two gliders in two blocks, written as Life 1.05.");
    EXPECT_EQ(lifLines[5], "The blocks count from the centre of the field.");
}

TEST_F(CliTest, GliderMovesOneCellDiagonallyEveryFourGenerations) {
    const std::vector<long long> start = Numbers(RunReport({"info", Pattern("glider.rle")}).extent);
    ASSERT_EQ(start.size(), 6u);
    for (long long g : {1, 2, 3, 4, 8, 12, 400}) {
        const Report r = RunReport({"run", Pattern("glider.rle"), "-g", std::to_string(g)});
        EXPECT_EQ(r.generation, g);
        EXPECT_EQ(r.population, 5) << g;
        const auto e = Numbers(r.extent);
        ASSERT_EQ(e.size(), 6u);
        if (g % 4 != 0) continue;
        const long long k = g / 4;
        EXPECT_EQ(e, (std::vector<long long>{start[0] + k, start[1] + k, start[2] + k, start[3] + k,
                                             3, 3}))
            << "after " << g;
    }
    // On a small field the glider reaches the border, turns into a block and stays.
    const Report edge = RunReport({"run", Pattern("glider.rle"), "-s", "8x8", "-g", "100"});
    EXPECT_EQ(edge.population, 4);
    EXPECT_EQ(Numbers(edge.extent)[4], 2);
}

TEST_F(CliTest, RuleOptionAndFileRules) {
    // The file's rule comes from its "#R" line; the report goes to standard error.
    const Result hl = Run({"info", Pattern("highlife-replicator.txt")});
    ASSERT_EQ(hl.status, 0);
    EXPECT_EQ(hl.lines()[0], "rule 23/36 (B36/S23)");
    EXPECT_NE(hl.err.find("デフォルト(23/3)以外のルールが適用されます。\n"), std::string::npos);

    // -r is applied after loading, whatever the file said, in any accepted spelling.
    EXPECT_EQ(RunReport({"run", Pattern("highlife-replicator.txt"), "-r", "B3/S23"}).rule,
              "23/3 (B3/S23)");
    EXPECT_EQ(RunReport({"run", Pattern("glider.rle"), "-r", "S23/B36"}).rule, "23/36 (B36/S23)");
    EXPECT_EQ(RunReport({"run", Pattern("glider.rle"), "-r", "１２／３"}).rule, "12/3 (B3/S12)");

    // Under "/2" (births on two, no survival) the glider's generations differ from Life's.
    EXPECT_NE(RunReport({"run", Pattern("glider.rle"), "-r", "/2", "-g", "1"}).extent,
              RunReport({"run", Pattern("glider.rle"), "-g", "1"}).extent);

    // Rejected rules: the dialog's caption and text, status 2, nothing on standard output.
    struct Case {
        std::string rule, caption;
    };
    for (const Case& c :
         {Case{"B3/S2x3", "ルール設定文字列に認識できない文字\"x\"が含まれています。"},
          Case{"23", "ルールの指定があいまいです。"},
          Case{"2/3/4", "ルール設定文字列に\"/\"が2個以上見つかりました。"},
          Case{"", "ルール設定文字列が見つかりません。"}}) {
        const Result r = Run({"run", Pattern("glider.rle"), "-r", c.rule});
        EXPECT_EQ(r.status, 2) << c.rule;
        EXPECT_EQ(r.out, "") << c.rule;
        EXPECT_EQ(r.err.rfind(c.caption + "\n", 0), 0u) << r.err;
    }
}

TEST_F(CliTest, SavedInEveryFormatReadsBack) {
    // The highlife replicator after 12 generations under its own rule, saved in each format; each
    // file read back gives the same rule and cells, which the RLE writer shows byte for byte.
    const std::string source = Pattern("highlife-replicator.txt");
    const Report original = RunReport({"run", source, "-g", "12", "-o", Temp("ref.rle").string()});
    ASSERT_GT(original.population, 12);
    const std::string reference = ReadBytes(Temp("ref.rle"));
    ASSERT_NE(reference.find("rule = B36/S23"), std::string::npos);

    struct Case {
        std::string file;
        std::vector<std::string> extra;
        std::string head;
    };
    const std::vector<Case> cases = {
        {"a.rle", {}, "x = "},
        {"b.lif", {}, "#Life 1.05\r\n#R 23/36\r\n"},
        {"c.lif", {"--life106"}, "#Life 1.06\r\n#R 23/36\r\n"},
        {"d.txt", {}, "#R 23/36\r\n"},
        {"e.LIF", {"--life106"}, "#Life 1.06\r\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"run", source, "-g", "12", "-o", Temp(c.file).string()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Result saved = Run(args);
        ASSERT_EQ(saved.status, 0) << c.file << saved.err;
        EXPECT_EQ(saved.err.find("認識できない拡張子です。"), std::string::npos);
        EXPECT_EQ(ReadBytes(Temp(c.file)).rfind(c.head, 0), 0u) << c.file;

        const Report back =
            RunReport({"run", Temp(c.file).string(), "-o", Temp("again.rle").string()});
        EXPECT_EQ(back.rule, original.rule) << c.file;
        EXPECT_EQ(back.population, original.population) << c.file;
        EXPECT_EQ(Numbers(back.extent)[4], Numbers(original.extent)[4]) << c.file;
        EXPECT_EQ(ReadBytes(Temp("again.rle")), reference) << c.file;
    }

    // An unknown extension: the warning on standard error, an RLE file under that very name.
    const Result other = Run({"run", source, "-g", "12", "-o", Temp("f.pattern").string()});
    EXPECT_EQ(other.status, 0);
    EXPECT_NE(other.err.find("\n認識できない拡張子です。\nRLE形式として保存します。\n"),
              std::string::npos)
        << other.err;
    EXPECT_EQ(ReadBytes(Temp("f.pattern")), reference);
}

TEST_F(CliTest, TheWritersSeeTheLastGenerationCounted) {
    // Nothing live when loaded, the whole interior after one step (B0): the text writer, which
    // refuses a Field whose last frame counted nothing, sees the generation it writes.
    const fs::path empty = Write("empty.rle", "x = 0, y = 0\n!\n");
    const Result born = Run({"run", empty.string(), "-s", "4x3", "-r", "/0", "-g", "1", "-o",
                             Temp("born.txt").string()});
    EXPECT_EQ(born.status, 0) << born.err;
    EXPECT_EQ(ReadBytes(Temp("born.txt")), "#R /0\r\n****\r\n****\r\n****\r\n.\r\n.\r\n");
}

TEST_F(CliTest, SaveFailuresLeaveStatusOne) {
    // The text writer refuses an empty Field; the old file stays as it was.
    const fs::path empty = Write("empty.rle", "x = 0, y = 0\n!\n");
    Write("keep.txt", "*\r\n");
    const Result dead = Run({"run", empty.string(), "-o", Temp("keep.txt").string()});
    EXPECT_EQ(dead.status, 1);
    EXPECT_EQ(dead.out, "rule 23/3 (B3/S23)\ngeneration 0\npopulation 0\nextent none\n");
    EXPECT_NE(dead.err.find("セルが存在していません。\n保存するデータがありません。\n"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(Temp("keep.txt")), "*\r\n");

    // A picture wider than a text line can hold is refused before anything is written.
    const fs::path wide = Write("wide.rle", "x = 12000, y = 2\n2o11997bo$o5000bo!\n");
    const Result tooWide =
        Run({"run", wide.string(), "-s", "20000x100", "-o", Temp("keep.txt").string()});
    EXPECT_EQ(tooWide.status, 1);
    EXPECT_NE(
        tooWide.err.find("テキストファイルに保存できません。\nパターンの幅が12000セルあります。"),
        std::string::npos)
        << tooWide.err;
    EXPECT_EQ(ReadBytes(Temp("keep.txt")), "*\r\n");

    const Result nowhere =
        Run({"run", Pattern("glider.rle"), "-o", Temp("no/such/dir.rle").string()});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.err.find("保存できません。\n"), std::string::npos);
}

TEST_F(CliTest, InputsThatAreNotLoaded) {
    const Result missing = Run({"run", Temp("missing.rle").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err.rfind("ファイルが見つかりません。\nファイル\"", 0), 0u) << missing.err;
    EXPECT_NE(missing.err.find("no such file"), std::string::npos);

    const Result directory = Run({"info", Temp("").string()});
    EXPECT_EQ(directory.status, 1);
    EXPECT_NE(directory.err.find("is a directory"), std::string::npos);

    // Refused by the readers.
    EXPECT_EQ(Run({"run", Write("a.rle", "3o$!\n").string()}).status, 1);  // no "x" or "#" first
    EXPECT_EQ(Run({"run", Write("b.rle", "x = 1\nozo!\n").string()}).status, 1);
    EXPECT_EQ(Run({"run", Write("c.lif", "*.*\n").string()}).status, 1);
    // A ".lif" file handed to the RLE reader is refused by it.
    const Result handed = Run({"run", Write("d.lif", "#Life 1.07\n").string()});
    EXPECT_EQ(handed.status, 1);
    EXPECT_NE(handed.err.find("認識できないデータ構造です。\n"), std::string::npos) << handed.err;

    // A text file with foreign characters: the question is answered No, or Yes with --yes.
    const fs::path odd = Write("odd.txt", ".*.\n..*\n***\nhello\n");
    const Result no = Run({"info", odd.string()});
    EXPECT_EQ(no.status, 1);
    EXPECT_NE(no.err.find("テキストファイルに下記の無効なデータが含まれています。\nhello\n"),
              std::string::npos);
    EXPECT_NE(no.err.find("--yes"), std::string::npos);
    const Report yes = RunReport({"info", odd.string(), "--yes"});
    EXPECT_EQ(yes.population, 5);

    if (::geteuid() != 0) {  // root reads anything
        const fs::path locked = Write("locked.rle", "x = 1\no!\n");
        fs::permissions(locked, fs::perms::none);
        const Result r = Run({"run", locked.string()});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("cannot be read"), std::string::npos);
    }
}

TEST_F(CliTest, BadArguments) {
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const std::string g = Pattern("glider.rle");
    const std::vector<Case> cases = {
        {{}, "no command"},
        {{"draw", g}, "unknown command"},
        {{"run"}, "no input file"},
        {{"run", g, g}, "more than one input file"},
        {{"run", g, "-s", "0x5"}, "bad field size \"0x5\""},
        {{"run", g, "-s", "5x"}, "bad field size \"5x\""},
        {{"run", g, "-s", "x"}, "bad field size \"x\""},
        {{"run", g, "-s", "5x0"}, "bad field size"},
        {{"run", g, "-s", "-5x5"}, "bad field size"},
        {{"run", g, "-s", "5 x5"}, "bad field size"},
        {{"run", g, "-s", "12345678901x5"}, "too large"},
        {{"run", g, "-g", "-1"}, "bad generation count"},
        {{"run", g, "-g", "1e3"}, "bad generation count"},
        {{"run", g, "-g", "99999999999999999999"}, "bad generation count"},
        {{"run", g, "-g"}, "needs a value"},
        {{"run", g, "--frob"}, "unknown option"},
        {{"info", g, "-g", "4"}, "belongs to the run command"},
        {{"info", g, "-o", "x.rle"}, "belongs to the run command"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_EQ(r.out, "") << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }

    // Sizes the Field cannot be built at: the allocation's box, status 2, no crash.
    for (const std::string size : {"100000x100000", "1000000000x1"}) {
        const Result r = Run({"run", g, "-s", size});
        EXPECT_EQ(r.status, 2) << size;
        EXPECT_NE(r.err.find("計算エラー。\n"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("cannot build a field of " + size + " cells"), std::string::npos);
    }

    // "--" lets a file name start with "-" (the tool runs in the test's directory).
    Write("-g.rle", ReadBytes(g));
    const Report dashed = RunReport({"run", "-s", "20x20", "--", "-g.rle"});
    EXPECT_EQ(dashed.extent, "9 9 11 11 3 3");
}

}  // namespace

namespace {

// What a load shows on standard error, exactly: the reader's boxes in their order, the notice
// only when run is verbose, and for a file that is not loaded the reason last.
TEST_F(CliTest, ALoadsBoxesAndWhyAFileIsNotLoadedReadExactly) {
    const std::string rejected =
        "パターンデータの中に認識できない文字が見つかりました。\n"
        "パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" だけです。\n"
        "このファイルは読み込めません。\n";
    Write("e.rle", "x = 1\nozo!\n");
    const Result refused = Run({"run", "e.rle"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, rejected + "gridbloom-cli: e.rle: not loaded\n");
    // Handed from Life to RLE and refused there.
    Write("h.lif", "#Life 1.05 \n.*\n");
    EXPECT_EQ(Run({"info", "h.lif"}).err, rejected + "gridbloom-cli: h.lif: not loaded\n");

    Write("q.txt", "*\nxy\n");
    const Result declined = Run({"info", "q.txt"});
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(
        declined.err,
        "テキストファイルに下記の無効なデータが含まれています。\nxy\n\n読み込みを強行しますか。\n"
        "gridbloom-cli: q.txt: not loaded (the question was answered No; --yes answers Yes)\n");

    // A rule other than the default is reported before the notice; the notice is held unless run
    // is verbose, and info prints it once, as a note.
    Write("n.rle", "#N Name\n#C first\n#C second\nx = 1, y = 1, rule = 34/34\no!\n");
    const std::string ruleBox =
        "デフォルト(23/3)以外のルールが適用されます。\n適用されるルール   34/34   (B34/S34)\n\n"
        "隣人  0  1  2  3  4  5  6  7  8\n--------------------------\n"
        "生存  -  -  -  *  *  -  -  -  -\n誕生  -  -  -  *  *  -  -  -  -\n";
    const Result quiet = Run({"run", "n.rle"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, ruleBox);
    const Result told = Run({"run", "n.rle", "-v"});
    EXPECT_EQ(told.status, 0);
    EXPECT_EQ(told.err, ruleBox + "n.rle\nName\n\nfirst\nsecond\n");
    const Result info = Run({"info", "n.rle"});
    EXPECT_EQ(info.err, ruleBox);
    EXPECT_EQ(info.out,
              "rule 34/34 (B34/S34)\ngeneration 0\npopulation 1\nextent 600 600 600 600 1 1\n"
              "Name\n\nfirst\nsecond\n");
    // A file without notice texts has no note.
    Write("plain.rle", "x = 1, y = 1\no!\n");
    EXPECT_EQ(Run({"info", "plain.rle"}).out,
              "rule 23/3 (B3/S23)\ngeneration 0\npopulation 1\nextent 600 600 600 600 1 1\n");
}

}  // namespace
