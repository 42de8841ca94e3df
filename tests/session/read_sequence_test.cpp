// The order in which opening, dropping and pasting show what they do: boxes, titles, the pointer
// and the view's updates, interleaved as the user meets them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "session/document.h"
#include "session/paste.h"
#include "tests/formats/format_test_util.h"
#include "tests/support/temp_dir.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

// Every call the user could see, in order. A pointer set to the shape it already has shows
// nothing and is left out.
class LogHost : public test::ScriptedHost {
public:
    std::vector<std::string> log;
    Button showMessage(const MessageBox& box) override {
        log.push_back("box " + box.caption);
        return ScriptedHost::showMessage(box);
    }
    void setWindowTitle(const std::string& title) override {
        log.push_back("title " + title);
        ScriptedHost::setWindowTitle(title);
    }
    void setPointer(Pointer shape) override {
        const std::string entry = shape == Pointer::Wait ? "wait" : "arrow";
        if (shown_ != entry) log.push_back(entry);
        shown_ = entry;
        ScriptedHost::setPointer(shape);
    }
    void invalidateView() override { log.push_back("invalidate"); }
    void repaintView() override { log.push_back("repaint"); }

private:
    std::string shown_ = "arrow";
};

struct ReadSequence : ::testing::Test, test::TempDir {
    LogHost host;
    Context ctx{host};
    ReadSequence() : TempDir("gb-sequence") { InitField(ctx); }
    // The log since the last call.
    std::vector<std::string> Taken() {
        std::vector<std::string> log;
        log.swap(host.log);
        return log;
    }
};

using Log = std::vector<std::string>;
const std::string kRuleBox = "box デフォルト(23/3)以外のルールが適用されます。";

TEST_F(ReadSequence, OpeningEachFormat) {
    LoadDocument(ctx, Write("n.rle", "#N Name\nx = 1, y = 1, rule = 34/34\no!\n"));
    EXPECT_EQ(Taken(), (Log{"wait", kRuleBox, "invalidate", "arrow", "title n.rle - Gridbloom",
                            "box n.rle"}));
    LoadDocument(ctx, Write("d.lif", "#Life 1.05\n#D about\n#R 36/23\n**\n"));
    EXPECT_EQ(Taken(),
              (Log{"wait", kRuleBox, "repaint", "arrow", "title d.lif - Gridbloom", "box d.lif"}));
    LoadDocument(ctx, Write("h.lif", "#C handed\nx = 1\no!\n"));
    EXPECT_EQ(Taken(),
              (Log{"wait", "invalidate", "arrow", "title h.lif - Gridbloom", "box h.lif"}));
    // The picture names the window first, and asks its question before anything changes.
    host.answers.push_back(Button::Yes);
    LoadDocument(ctx, Write("p.txt", "#R 36/23\n*\nx\n"));
    EXPECT_EQ(Taken(),
              (Log{"wait", "arrow", "box テキストファイルに下記の無効なデータが含まれています。",
                   "title p.txt - Gridbloom", kRuleBox, "repaint"}));
    LoadDocument(ctx, Write("c.cells", "!about\nO\n"));
    EXPECT_EQ(Taken(),
              (Log{"wait", "title c.cells - Gridbloom", "repaint", "arrow", "box c.cells"}));
}

TEST_F(ReadSequence, DroppingRefusingAndFailing) {
    DropPatternFile(ctx, Write("c.cells", "!about\nO\n"));
    EXPECT_EQ(Taken(), (Log{"wait", "title c.cells - Gridbloom", "repaint", "arrow", "box c.cells",
                            "repaint"}));
    DropPatternFile(ctx, Write("bad.rle", "x = 1\nbo$O!\n"));
    EXPECT_EQ(Taken(),
              (Log{"wait", "arrow", "box パターンデータの中に認識できない文字が見つかりました。"}));
    host.answers.push_back(Button::No);
    DropPatternFile(ctx, Write("q.txt", "*\nx\n"));
    EXPECT_EQ(Taken(),
              (Log{"wait", "arrow", "box テキストファイルに下記の無効なデータが含まれています。",
                   "repaint"}));
    EXPECT_FALSE(LoadDocument(ctx, (dir / "missing.rle").string()));
    EXPECT_EQ(Taken(), (Log{"wait", "arrow", "box ファイルが見つかりません。"}));
    EXPECT_EQ(ctx.shell.windowTitle, "c.cells - Gridbloom");
}

TEST_F(ReadSequence, Pasting) {
    host.clipboard = "#C note\nx = 1, rule = 34/34\no!\n";
    PasteFromClipboard(ctx);
    EXPECT_EQ(Taken(), (Log{kRuleBox, "title 新規 - Gridbloom", "invalidate",
                            "box RLEデータ貼り付け機能。下記の文字列はコメントとして扱われ、"
                            "パターンデータとしては認識されません。"}));
    host.clipboard = "*x\n";
    host.answers.push_back(Button::Yes);
    PasteFromClipboard(ctx);
    EXPECT_EQ(Taken(), (Log{"box クリップボードのテキストに下記の無効なデータが含まれています。",
                            "title 新規 - Gridbloom", "repaint"}));
    host.clipboard = "x = 1\nbO!\n";
    PasteFromClipboard(ctx);
    EXPECT_EQ(
        Taken(),
        (Log{"box RLEデータ貼り付け機能。パターンデータの中に認識できない文字が見つかりました。"}));
}

}  // namespace
}  // namespace gb
