// gridbloom-cli as a tool for studying patterns, driven as a user drives it: pipes both ways,
// statistics rows, settling, pictures decoded back, JSON, and every bad value of the options.
#include <gif_lib.h>
#include <png.h>
#include <pty.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/cli/cli_harness.h"

namespace {

using namespace gb::clitest;

const std::string kBlinker = "x = 3, y = 1\n3o!\n";
const std::string kBlock = "x = 2, y = 2\n2o$2o!\n";
const std::string kPair = "x = 2, y = 1\n2o!\n";  // dies at once

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A decoded PNG as RGB bytes.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    unsigned pixel(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)) *
                              3;
        return rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2];
    }
};
Picture ReadPng(const fs::path& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << path << ": " << image.message;
        return p;
    }
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << path << ": " << image.message;
        return p;
    }
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    return p;
}

TEST_F(CliTest, StandardInputAndOutput) {
    const std::string glider = ReadBytes(Pattern("glider.rle"));
    const std::string expected =
        "rule 23/3 (B3/S23)\ngeneration 4\npopulation 5\nextent 600 600 602 602 3 3\n";
    // "-" is standard input, read as RLE.
    EXPECT_EQ(Run({"run", "-", "-g", "4"}, Feed::File, glider).out, expected);

    // -o - puts the pattern alone on standard output; the summary goes to standard error.
    const Result out = Run({"run", Pattern("glider.rle"), "-g", "4", "-o", "-"});
    ASSERT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(out.out.rfind("x = 3, y = 3", 0), 0u) << out.out;
    EXPECT_NE(out.err.find(expected), std::string::npos) << out.err;
    const Result back = Run({"run", "-", "-o", "-"}, Feed::File, out.out);
    EXPECT_EQ(back.out, out.out);

    // --as chooses the writer for -o - and the reader for "-".
    const Result text = Run({"run", Pattern("glider.rle"), "--as", "txt", "-o", "-"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.find("x = "), std::string::npos);
    EXPECT_EQ(ParseReport(Run({"info", "-", "--as", "txt"}, Feed::File, text.out).out).population,
              5);
    const Result lif = Run({"run", Pattern("glider.rle"), "--as", "lif", "--life106", "-o", "-"});
    EXPECT_EQ(lif.out.rfind("#Life 1.06", 0), 0u) << lif.out;
    // Read as RLE, a picture is refused. A name with a pattern extension decides its reader;
    // --as decides for any other name.
    EXPECT_EQ(Run({"info", "-"}, Feed::File, text.out).status, 1);
    Write("picture.rle", text.out);
    EXPECT_EQ(Run({"info", Temp("picture.rle").string(), "--as", "txt"}).status, 1);
    Write("picture", text.out);
    EXPECT_EQ(Run({"info", Temp("picture").string()}).status, 1);
    EXPECT_EQ(ParseReport(Run({"info", Temp("picture").string(), "--as", "txt"}).out).population,
              5);

    // The writer's refusal of an empty Field: status 1 and nothing on standard output.
    const Result empty =
        Run({"run", Write("d.rle", kPair).string(), "-g", "1", "--as", "txt", "-o", "-"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "");
}

// Reading a pipe to its end needs readers that take more than regular files.
TEST_F(CliTest, PipesBothWays) {
    const std::string glider = ReadBytes(Pattern("glider.rle"));
    const Result piped = Run({"run", "-", "-g", "4"}, Feed::Pipe, glider);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out,
              "rule 23/3 (B3/S23)\ngeneration 4\npopulation 5\nextent 600 600 602 602 3 3\n");

    // One tool's pattern on standard output piped into the next.
    const Result out = Run({"run", Pattern("r-pentomino.rle"), "-g", "40", "-o", "-"});
    ASSERT_EQ(out.status, 0);
    const Result back = Run({"run", "-", "-g", "10", "-o", "-"}, Feed::Pipe, out.out);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, Run({"run", Pattern("r-pentomino.rle"), "-g", "50", "-o", "-"}).out);
    const Result text = Run({"run", Pattern("pulsar.txt"), "--as", "txt", "-o", "-"});
    EXPECT_EQ(ParseReport(Run({"info", "-", "--as", "txt"}, Feed::Pipe, text.out).out).population,
              48);

    // A pipe that stays empty is refused, at once.
    const Result empty = Run({"run", "-"}, Feed::Pipe, "");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "");
}

TEST_F(CliTest, AFifoWithoutAWriterNeverHangs) {
    const fs::path fifo = Temp("fifo.rle");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    const Result r = Run({"run", fifo.string()});
    EXPECT_EQ(r.status, 1) << r.err;  // -1 would mean the tool had to be ended
    EXPECT_EQ(r.out, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(50));
}

TEST_F(CliTest, SettlingGenerationAndPeriod) {
    struct Case {
        std::string name, pattern;
        std::vector<std::string> extra;
        std::string settled;
        long long generation, population;
    };
    const std::vector<Case> cases = {
        {"blinker", kBlinker, {}, "settled 2 period 2", 2, 3},
        {"block", kBlock, {}, "settled 1 period 1", 1, 4},
        {"dies", kPair, {}, "settled 2 period 1", 2, 0},  // empty at 1, the same at 2
        {"empty", "x = 0, y = 0\n!\n", {}, "settled 1 period 1", 1, 0},
        {"period longer than allowed",
         kBlinker,
         {"-g", "50", "--max-period", "1"},
         "settled none",
         50,
         3},
        {"limit first", kBlinker, {"-g", "1"}, "settled none", 1, 3},
        {"pulsar", ReadBytes(Pattern("pulsar.txt")), {"--as", "txt"}, "settled 3 period 3", 3, 48},
    };
    for (const Case& c : cases) {
        const fs::path file = Write("p", c.pattern);  // no extension: --as or RLE
        const Result r = Run(Plus({"run", file.string(), "--until", "settled"}, c.extra));
        ASSERT_EQ(r.status, 0) << c.name << r.err;
        const auto lines = r.lines();
        ASSERT_EQ(lines.size(), 5u) << c.name << r.out;
        EXPECT_EQ(lines[4], c.settled) << c.name;
        const Report rep = ParseReport(r.out);
        EXPECT_EQ(rep.generation, c.generation) << c.name;
        EXPECT_EQ(rep.population, c.population) << c.name;
    }
    EXPECT_EQ(RunReport({"run", Write("d.rle", kPair).string(), "--until", "settled"}).extent,
              "none");
}

TEST_F(CliTest, GliderOnASmallFieldSettlesAsABlock) {
    const Result r = Run({"run", Pattern("glider.rle"), "-s", "8x8", "--until", "settled"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = r.lines();
    ASSERT_EQ(lines.size(), 5u);
    long long g = 0;
    int period = 0;
    ASSERT_EQ(std::sscanf(lines[4].c_str(), "settled %lld period %d", &g, &period), 2) << lines[4];
    EXPECT_EQ(period, 1);
    const Report rep = ParseReport(r.out);
    EXPECT_EQ(rep.population, 4);
    EXPECT_EQ(Numbers(rep.extent)[4], 2);
    // The cells themselves: G repeats G - 1, and G - 1 does not repeat G - 2.
    const auto cellsAt = [&](long long gen) {
        return Run({"run", Pattern("glider.rle"), "-s", "8x8", "-g", std::to_string(gen), "--as",
                    "txt", "-o", "-"})
            .out;
    };
    EXPECT_EQ(cellsAt(g), cellsAt(g - 1));
    EXPECT_NE(cellsAt(g - 1), cellsAt(g - 2));
    // JSON says the same.
    const Result json =
        Run({"run", Pattern("glider.rle"), "-s", "8x8", "--until", "settled", "--json"});
    EXPECT_NE(json.out.find("\"settled\":{\"generation\":" + std::to_string(g) + ",\"period\":1}"),
              std::string::npos)
        << json.out;
}

TEST_F(CliTest, StatisticsRowsAgreeWithTheFinalLines) {
    const Result r =
        Run({"run", Pattern("r-pentomino.rle"), "-s", "60x50", "-g", "30", "--every", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = r.lines();
    ASSERT_EQ(rows.size(), 8u) << r.out;  // header, generations 0, 5, ..., 30
    EXPECT_EQ(rows[0], "generation,population,left,top,right,bottom,width,height");
    EXPECT_EQ(r.out.find("rule "), std::string::npos);  // the summary went to standard error
    for (int i = 1; i < 8; ++i) {
        const int g = (i - 1) * 5;
        const Report rep =
            RunReport({"run", Pattern("r-pentomino.rle"), "-s", "60x50", "-g", std::to_string(g)});
        std::string extent = rep.extent;
        for (char& c : extent) c = c == ' ' ? ',' : c;
        EXPECT_EQ(rows[static_cast<std::size_t>(i)],
                  std::to_string(g) + "," + std::to_string(rep.population) + "," + extent);
    }
    EXPECT_EQ(ParseReport(r.err.substr(r.err.find("rule "))).generation, 30);

    // To a file: the same rows; an empty Field leaves its extent fields empty.
    const Result dies = Run(
        {"run", Write("pair.rle", kPair).string(), "-g", "3", "--stats", Temp("s.csv").string()});
    ASSERT_EQ(dies.status, 0);
    EXPECT_EQ(ParseReport(dies.out).generation, 3);
    EXPECT_EQ(ReadBytes(Temp("s.csv")),
              "generation,population,left,top,right,bottom,width,height\n"
              "0,2,600,600,601,600,2,1\n1,0,,,,,,\n2,0,,,,,,\n3,0,,,,,,\n");
    // With settling, the rows stop where the run stops.
    const Result settle = Run({"run", Write("b.rle", kBlinker).string(), "--until", "settled",
                               "--every", "1", "--stats", Temp("b.csv").string()});
    EXPECT_EQ(Lines(ReadBytes(Temp("b.csv"))).size(), 4u);
}

TEST_F(CliTest, PngDecodesBackToTheField) {
    // A glider, cropped with a one-cell margin, 10 pixels a cell, default colours.
    const Result r = Run(
        {"run", Pattern("glider.rle"), "--png", Temp("g.png").string(), "--crop", "--cell", "10"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture p = ReadPng(Temp("g.png"));
    ASSERT_EQ(p.width, 50);
    ASSERT_EQ(p.height, 50);
    const char* rows[] = {".....", "..*..", "...*.", ".***.",
                          "....."};  // the glider with its margin
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(p.pixel(x, y), rows[y / 10][x / 10] == '*' ? 0xFF0000u : 0xFFFFFFu)
                << x << "," << y;

    // The whole interior without --crop, in chosen colours.
    ASSERT_EQ(Run({"run", Write("b.rle", kBlock).string(), "-s", "40x30", "--png",
                   Temp("w.png").string(), "--live", "00FF00", "--back", "#102030"})
                  .status,
              0);
    const Picture w = ReadPng(Temp("w.png"));
    ASSERT_EQ(w.width, 40);
    ASSERT_EQ(w.height, 30);
    // The block's corner lands at grid (20, 15): pixel (19, 14).
    EXPECT_EQ(w.pixel(19, 14), 0x00FF00u);
    EXPECT_EQ(w.pixel(20, 15), 0x00FF00u);
    EXPECT_EQ(w.pixel(18, 14), 0x102030u);
    EXPECT_EQ(w.pixel(0, 0), 0x102030u);
    int live = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) live += w.pixel(x, y) == 0x00FF00u;
    EXPECT_EQ(live, 4);

    // info makes a picture of the file as loaded; to standard output with "-".
    const Result info = Run({"info", Pattern("glider.rle"), "--png", "-", "--crop"});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out.rfind("\x89PNG", 0), 0u);
    EXPECT_NE(info.err.find("population 5"), std::string::npos);
}

TEST_F(CliTest, GifFramesAndSize) {
    const fs::path gif = Temp("run.gif");
    const Result r =
        Run({"run", Pattern("glider.rle"), "-s", "30x20", "-g", "12", "--every", "3", "--stats",
             Temp("s.csv").string(), "--gif", gif.string(), "--cell", "2", "--delay", "70"});
    ASSERT_EQ(r.status, 0) << r.err;
    int error = 0;
    GifFileType* file = DGifOpenFileName(gif.c_str(), &error);
    ASSERT_NE(file, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(file), GIF_OK);
    EXPECT_EQ(file->ImageCount, 5);  // generations 0, 3, 6, 9, 12
    EXPECT_EQ(file->SWidth, 60);
    EXPECT_EQ(file->SHeight, 40);
    GraphicsControlBlock control{};
    ASSERT_EQ(DGifSavedExtensionToGCB(file, 0, &control), GIF_OK);
    EXPECT_EQ(control.DelayTime, 7);
    // Each frame holds the five cells of the glider: 5 × 2 × 2 pixels of the live colour.
    const ColorMapObject* map = file->SColorMap;
    ASSERT_NE(map, nullptr);
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& frame = file->SavedImages[i];
        int live = 0;
        for (int k = 0; k < 60 * 40; ++k) {
            const GifColorType c = map->Colors[frame.RasterBits[k]];
            live += c.Red == 255 && c.Green == 0 && c.Blue == 0;
        }
        EXPECT_EQ(live, 20) << "frame " << i;
    }
    DGifCloseFile(file, &error);

    // Cropped to the union of the extents: the glider's path from generation 0 to 12 plus the
    // margin, 3 + 3 cells wide and tall.
    ASSERT_EQ(Run({"run", Pattern("glider.rle"), "-g", "12", "--every", "3", "--stats",
                   Temp("t.csv").string(), "--gif", gif.string(), "--crop"})
                  .status,
              0);
    file = DGifOpenFileName(gif.c_str(), &error);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(DGifSlurp(file), GIF_OK);
    EXPECT_EQ(file->ImageCount, 5);
    EXPECT_EQ(file->SWidth, 3 + 3 + 2);
    EXPECT_EQ(file->SHeight, 3 + 3 + 2);
    DGifCloseFile(file, &error);
}

TEST_F(CliTest, BadValuesOfTheNewOptions) {
    const std::string g = Pattern("glider.rle");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"run", g, "--every", "0"}, 2, "bad --every value \"0\""},
        {{"run", g, "--every", "x"}, 2, "bad --every value"},
        {{"run", g, "--cell", "21"}, 2, "bad --cell value \"21\""},
        {{"run", g, "--cell", "0"}, 2, "bad --cell value"},
        {{"run", g, "--max-period", "0"}, 2, "bad --max-period value"},
        {{"run", g, "--as", "gif"}, 2, "unknown format \"gif\""},
        {{"run", g, "--until", "dead"}, 2, "unknown condition \"dead\""},
        {{"run", g, "--live", "red"}, 2, "bad colour \"red\""},
        {{"run", g, "--delay", "-1"}, 2, "bad --delay value"},
        {{"run", g, "--delay", "700000"}, 2, "bad --delay value"},
        {{"run", g, "--png"}, 2, "needs a value"},
        {{"run", g, "--frob=1"}, 2, "unknown option \"--frob\""},
        {{"run", g, "-x"}, 2, "unknown option \"-x\""},
        {{"info", g, "--every", "2"}, 2, "\"--every\" belongs to the run command"},
        {{"info", g, "--generations=2"}, 2, "\"--generations\" belongs to the run command"},
        {{"run", g, "-o", "-", "--every", "1"}, 2, "can go to standard output"},
        {{"run", g, "--png", "-", "--gif", "-"}, 2, "can go to standard output"},
        {{"run", g, "--png", "no/such/dir/p.png"}, 1, "no/such/dir/p.png: cannot be written"},
        {{"run", g, "--gif", "no/such/dir/p.gif"}, 1, "cannot be written"},
        {{"run", g, "--stats", "no/such/dir/s.csv"}, 1, "cannot be written"},
        // 1200 × 1200 pixels a frame: 1,492 frames pass 2^31 pixels.
        {{"run", g, "-g", "1500", "--gif", "big.gif"}, 2, "would exceed 2^31 pixels"},
        {{"run", g, "--gif", "wide.gif", "-s", "70000x1"}, 2, "a GIF side holds at most 65535"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.says << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        const auto errLines = Lines(r.err);
        EXPECT_LE(errLines.size(), 2u) << r.err;  // the message, and for usage the hint
    }
    EXPECT_FALSE(fs::exists(Temp("big.gif")));
    EXPECT_FALSE(fs::exists(Temp("wide.gif")));

    // A cropped GIF is measured as it grows: the soup's frames pass the limit during the run,
    // and nothing is left behind.
    const Result grows = Run({"run", Pattern("r-pentomino.rle"), "--until", "settled", "--crop",
                              "--cell", "20", "--gif", "grow.gif"});
    EXPECT_EQ(grows.status, 2) << grows.err;
    EXPECT_NE(grows.err.find("would exceed 2^31 pixels"), std::string::npos);
    EXPECT_FALSE(fs::exists(Temp("grow.gif")));

    // A picture that cannot be written leaves an old file as it was.
    Write("keep.png", "old");
    fs::create_directory(Temp("keep.png.d"));
    const Result dirTarget = Run({"run", g, "--png", Temp("keep.png.d").string()});
    EXPECT_EQ(dirTarget.status, 1);
    EXPECT_EQ(ReadBytes(Temp("keep.png")), "old");
}

TEST_F(CliTest, OptionsAnywhereInEveryForm) {
    const std::string g = Pattern("glider.rle");
    const Report plain = RunReport({"run", g, "-g", "8", "-r", "B36/S23"});
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"-g8", "--rule=B36/S23", "run", g},
             {"--generations=8", "run", g, "--rule", "b36/s23"},
             {"run", "--rule=B36/S23:T1200,1200", g, "--generations", "8"},
             {"--size=1200x1200", "run", g, "-g", "8", "-r", "s23/b36"}}) {
        const Report r = RunReport(args);
        EXPECT_EQ(r.rule, "23/36 (B36/S23)") << args[0];
        EXPECT_EQ(r.generation, plain.generation);
        EXPECT_EQ(r.extent, plain.extent);
    }
    const Result help = Run({"--help"});
    for (const char* option :
         {"--generations", "--rule",  "--size",   "--output", "--life106",    "--as",
          "--yes",         "--every", "--stats",  "--until",  "--max-period", "--png",
          "--gif",         "--cell",  "--crop",   "--live",   "--back",       "--delay",
          "--json",        "--help",  "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(Run({"--version"}).status, 0);
}

TEST_F(CliTest, JsonSummary) {
    const Result info = Run({"info", Pattern("two-gliders.lif"), "--json"});
    ASSERT_EQ(info.status, 0);
    EXPECT_EQ(info.out.rfind("{\"rule\":\"23/3\",\"rule_bs\":\"B3/"
                             "S23\",\"generation\":0,\"population\":10,\"extent\":{",
                             0),
              0u)
        << info.out;
    EXPECT_NE(info.out.find("\"notes\":[\"Two gliders in two blocks, written as Life 1.05.\\nThe "
                            "blocks count from the centre of the field.\"]"),
              std::string::npos)
        << info.out;
    EXPECT_EQ(Lines(info.out).size(), 1u);
    const Result dead = Run({"run", Write("d.rle", kPair).string(), "-g", "1", "--json"});
    EXPECT_EQ(dead.out,
              "{\"rule\":\"23/3\",\"rule_bs\":\"B3/"
              "S23\",\"generation\":1,\"population\":0,\"extent\":null,\"settled\":null}\n");
    // A Shift-JIS name reaches JSON as UTF-8.
    const Result sjis = Run(
        {"info",
         Write("n.rle", "#N \x83\x4f\x83\x89\x83\x43\x83\x5f\x81\x5b\nx = 1, y = 1\no!\n").string(),
         "--json"});
    EXPECT_NE(sjis.out.find("\"notes\":[\"グライダー\"]"), std::string::npos) << sjis.out;
}

}  // namespace

namespace {

using namespace gb::clitest;

// The progress line appears only on a terminal: standard error on a pseudo-terminal, a run of
// over a second (seeds under "B2/S" keep every tile busy; 60000 generations of 1200 x 1200 take
// more than two seconds on the development machine).
TEST_F(CliTest, ProgressOnlyOnATerminal) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        GTEST_SKIP() << "no pseudo-terminal";
    const std::vector<std::string> args = {kTool, "run",  Pattern("glider.rle"), "-r", "B2/S",
                                           "-g",  "60000"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(master);
        const int out = ::open("/dev/null", O_WRONLY);
        ::dup2(out, 1);
        ::dup2(slave, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::alarm(120);
        ::execv(kTool.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(slave);
    std::string seen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        seen.append(buffer, static_cast<std::size_t>(n));
    ::close(master);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::size_t line = seen.find("\rgeneration ");
    ASSERT_NE(line, std::string::npos) << seen;
    EXPECT_NE(seen.find(" / 60000   ", line), std::string::npos);
    EXPECT_NE(seen.find(" generations/s   about ", line), std::string::npos);
    EXPECT_NE(seen.find(" left\033[K", line), std::string::npos);
    EXPECT_EQ(seen.substr(seen.size() - 4), "\r\033[K") << "the line is cleared at the end";

    // The same run with standard error in a file: only the program's boxes, no progress.
    const Result quiet = Run({"run", Pattern("glider.rle"), "-r", "B2/S", "-g", "60000"});
    EXPECT_EQ(quiet.err.find("generations/s"), std::string::npos);
}

}  // namespace
