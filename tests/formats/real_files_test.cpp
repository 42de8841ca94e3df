// Every pattern file of the shared corpus and of our own samples: it loads or is refused with a
// message, a CR LF file and its LF twin read alike, and what loads reads back the same after being
// written in its own format.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/step.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

namespace fs = std::filesystem;
using test::Cells;
using test::LiveCells;
using test::Shape;

std::vector<fs::path> PatternFiles(const std::string& dir) {
    std::vector<fs::path> files;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().filename() != "MANIFEST.md")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Writes the Field in the format the file was read as.
std::string WriteOwnFormat(Context& ctx, const std::string& bytes, const std::string& ext) {
    test::CountPopulation(ctx);
    if (ext == ".txt") return WriteTextFile(ctx.field, ctx.rule.ruleText).bytes;
    if (ext == ".lif") {
        const LifeHeader kind = ClassifyLifeFile(bytes);
        if (kind == LifeHeader::Life105)
            return WriteLifeFile(ctx.field, ctx.rule.ruleText, LifeFormat::Life105).bytes;
        if (kind == LifeHeader::Life106)
            return WriteLifeFile(ctx.field, ctx.rule.ruleText, LifeFormat::Life106).bytes;
    }
    return WriteRleFile(ctx.field, ctx.rule.ruleText);
}

std::string ToggleLineEnds(const std::string& bytes) {
    const bool crlf = bytes.find("\r\n") != std::string::npos;
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (crlf && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        if (!crlf && bytes[i] == '\n') out += '\r';
        out += bytes[i];
    }
    return out;
}

struct Outcome {
    bool loaded = false;
    Cells cells;
    std::string rule;
    std::vector<std::string> boxTexts;
};

Outcome Read(const std::string& bytes, const std::string& path) {
    test::TestContext t;
    test::ReadByExtension(t.ctx, bytes, path);
    Outcome o;
    o.loaded = !t.host.titles.empty();
    o.cells = LiveCells(t.ctx.field);
    o.rule = t.ctx.rule.ruleText;
    for (const MessageBox& b : t.host.boxes) o.boxTexts.push_back(b.caption + "|" + b.text);
    EXPECT_EQ(t.ctx.run.busy, 0) << path;
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom") << path;
    return o;
}

void CheckCorpus(const std::string& dir) {
    const auto files = PatternFiles(dir);
    if (files.empty()) GTEST_SKIP() << "no pattern files in " << dir;
    int loaded = 0;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        const std::string bytes = test::ReadBytes(path);
        const Outcome first = Read(bytes, path.string());
        if (!first.loaded) {
            // Refused: with a box, and nothing placed.
            EXPECT_FALSE(first.boxTexts.empty());
            EXPECT_TRUE(first.cells.empty());
            continue;
        }
        ++loaded;
        // Line ends do not matter.
        const Outcome twin = Read(ToggleLineEnds(bytes), path.string());
        EXPECT_EQ(twin.loaded, first.loaded);
        EXPECT_EQ(twin.cells, first.cells);
        EXPECT_EQ(twin.rule, first.rule);
        EXPECT_EQ(twin.boxTexts, first.boxTexts);

        // Round trip in its own format.
        test::TestContext t;
        test::ReadByExtension(t.ctx, bytes, path.string());
        const std::string ext = Lower(path.extension().string());
        const std::string written = WriteOwnFormat(t.ctx, bytes, ext);
        if (first.cells.empty()) continue;
        test::TestContext back;
        test::ReadByExtension(back.ctx, written, path.string());
        EXPECT_EQ(Shape(LiveCells(back.ctx.field)), Shape(first.cells));
        EXPECT_EQ(back.ctx.rule.ruleText, first.rule);
    }
    EXPECT_GT(loaded, 0);
}

TEST(RealFiles, SharedCorpus) { CheckCorpus(test::SharedPatterns()); }

TEST(RealFiles, OwnSamples) { CheckCorpus(test::OwnPatterns()); }

// Facts stated with the corpus, checked on a field large enough to hold the whole pattern.
TEST(RealFiles, KnownPopulationsAndBoxes) {
    struct Known {
        const char* file;
        std::size_t cells;
        int width, height;
    } known[] = {
        {"Turing-Machine-3-state.rle", 36549, 1714, 1647},
        {"Unit-Life-Cell-512x512.rle", 4668, 511, 511},
    };
    for (const Known& k : known) {
        const fs::path path = fs::path(test::SharedPatterns()) / k.file;
        if (!fs::exists(path)) GTEST_SKIP() << path << " absent";
        test::TestContext t;
        ASSERT_TRUE(SetUpField(t.ctx, 2000, 2000));
        ASSERT_EQ(ReadRleFile(t.ctx, test::ReadBytes(path), path.string()), 0);
        const Extent e = FieldExtent(t.ctx.field);
        EXPECT_EQ(LiveCells(t.ctx.field).size(), k.cells) << k.file;
        EXPECT_EQ(e.width, k.width) << k.file;
        EXPECT_EQ(e.height, k.height) << k.file;
    }
}

TEST(RealFiles, OwnGliderGunFiresEveryThirtyGenerations) {
    test::TestContext t;
    const fs::path path = fs::path(test::OwnPatterns()) / "gosper-glider-gun.rle";
    ASSERT_EQ(ReadRleFile(t.ctx, test::ReadBytes(path), path.string()), 0);
    const Cells start = LiveCells(t.ctx.field);
    EXPECT_EQ(start.size(), 36u);
    for (int g = 0; g < 30; ++g) AdvanceGeneration(t.ctx.field, t.ctx.rule);
    const Cells after = LiveCells(t.ctx.field);
    EXPECT_EQ(after.size(), 36u + 5u);
    EXPECT_TRUE(std::includes(after.begin(), after.end(), start.begin(), start.end()));
}

}  // namespace
}  // namespace gb
