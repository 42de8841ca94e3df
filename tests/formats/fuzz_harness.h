// One fuzz step shared by the mutation test and the libFuzzer targets: run a reader on any bytes
// and check what must hold afterwards. Returns an empty text when all is well.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "engine/rule.h"
#include "tests/formats/format_test_util.h"

namespace gb::test {

enum class FuzzReader { Rle, Life, Text };

class FuzzBench {
public:
    // Small fields make the edges easy to reach and keep every run cheap.
    static constexpr std::array<std::pair<int, int>, 3> kSizes{{{6, 4}, {40, 30}, {101, 77}}};

    // config picks the field size and the answer to a question.
    std::string run(FuzzReader reader, std::string_view bytes, unsigned config) {
        TestContext& t = context(config % kSizes.size());
        Prepare(t);
        t.host.answers.push_back((config & 8) != 0 ? Button::Yes : Button::No);
        const Cells before = LiveCells(t.ctx.field);
        const std::string path = "fuzz.pat";
        Read(t.ctx, reader, bytes, path);
        t.host.answers.clear();

        const Field& f = t.ctx.field;
        if (t.ctx.run.busy != 0) return "busy left set";
        if (t.ctx.shell.messageCaption != "Gridbloom") return "caption not restored";
        const Cells live = LiveCells(f);
        for (const auto& [x, y] : live)
            if (!f.isInterior(x, y)) return "live cell on the border";
        if (f.cells().population() != static_cast<std::int64_t>(live.size()))
            return "count differs from the cells";
        if (!SameExtent(FieldExtent(f), ExtentOf(live))) return "extent differs from the cells";
        Rule check;
        if (ParseRuleTables(check, t.ctx.rule.ruleText) != t.ctx.rule.ruleText ||
            check.birthTable != t.ctx.rule.birthTable ||
            check.survivalTable != t.ctx.rule.survivalTable)
            return "rule text and tables disagree";
        if (t.host.titles.empty()) {
            if (live != before) return "failed read changed the Field";
            if (f.generation != 5) return "failed read changed the generation";
            if (t.ctx.rule.ruleText != "23/3") return "failed read changed the rule";
            return {};
        }
        if (f.generation != 0) return "generation not reset";

        // What loaded reads back the same after being written in its own format, unless it
        // fills the interior (where re-centring may legitimately cut a row or column).
        const Extent e = FieldExtent(f);
        if (!e.found || e.width > f.gridWidth - 4 || e.height > f.gridHeight - 4) return {};
        CountPopulation(t.ctx);
        std::string written;
        FuzzReader backReader = reader;
        if (reader == FuzzReader::Text) {
            written = WriteTextFile(t.ctx.field, t.ctx.rule.ruleText).bytes;
        } else {
            const LifeHeader kind =
                reader == FuzzReader::Life ? ClassifyLifeFile(bytes) : LifeHeader::HandedToRle;
            if (kind == LifeHeader::Life105 || kind == LifeHeader::Life106) {
                const LifeFormat format =
                    kind == LifeHeader::Life105 ? LifeFormat::Life105 : LifeFormat::Life106;
                written = WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, format).bytes;
            } else {
                written = WriteRleFile(t.ctx.field, t.ctx.rule.ruleText);
                backReader = FuzzReader::Rle;
            }
        }
        const Cells shape = Shape(live);
        const std::string rule = t.ctx.rule.ruleText;
        TestContext& back = context(config % kSizes.size(), true);
        Prepare(back);
        Read(back.ctx, backReader, written, path);
        if (back.host.titles.empty()) return "written file was refused: " + written;
        if (Shape(LiveCells(back.ctx.field)) != shape)
            return "round trip changed the cells: " + written;
        if (back.ctx.rule.ruleText != rule) return "round trip changed the rule: " + written;
        return {};
    }

private:
    static void Read(Context& ctx, FuzzReader reader, std::string_view bytes,
                     const std::string& path) {
        switch (reader) {
            case FuzzReader::Rle: ReadRleFile(ctx, bytes, path); break;
            case FuzzReader::Life: ReadLifeFile(ctx, bytes, path); break;
            case FuzzReader::Text: ReadTextFile(ctx, bytes, path); break;
        }
    }

    static void Prepare(TestContext& t) {
        ClearCells(t.ctx.field);
        t.ctx.field.setCell(2, 2, 1);
        t.ctx.field.setCell(3, 2, 1);
        t.ctx.field.generation = 5;
        t.ctx.rule.ruleText = ParseRuleTables(t.ctx.rule, "23/3");
        t.host.boxes.clear();
        t.host.titles.clear();
        t.host.pointers.clear();
        t.host.answers.clear();
    }

    TestContext& context(std::size_t size, bool second = false) {
        auto& slot = (second ? backs_ : contexts_)[size];
        if (!slot) {
            slot = std::make_unique<TestContext>(false);
            SetUpField(slot->ctx, kSizes[size].first, kSizes[size].second);
        }
        return *slot;
    }

    std::array<std::unique_ptr<TestContext>, kSizes.size()> contexts_, backs_;
};

}  // namespace gb::test
