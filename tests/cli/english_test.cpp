// One language for the tool: the program's messages in English unless the locale is Japanese.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <set>

#include "frontends/cli/english.h"
#include "tests/cli/cli_harness.h"

namespace {

using namespace gb::clitest;
using gb::cli::InEnglish;
using gb::cli::MessageLines;

bool Ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::size_t Holes(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("{}"); at != std::string_view::npos;
         at = text.find("{}", at + 2))
        ++n;
    return n;
}

// Every line: its English is plain ASCII with as many holes, and a message filled in comes out
// as its English filled in alike, whatever the holes hold.
TEST(English, EveryLineTranslatesItsMessageFilledIn) {
    std::set<std::string_view> seen;
    const std::vector<std::string> fills = {"x", "/tmp/a \"b\".rle", "", "2(3)\r\n"};
    for (const auto& line : MessageLines()) {
        SCOPED_TRACE(std::string(line.program));
        EXPECT_TRUE(seen.insert(line.program).second) << "twice in the table";
        EXPECT_TRUE(Ascii(line.english));
        EXPECT_FALSE(Ascii(line.program));
        ASSERT_EQ(Holes(line.program), Holes(line.english));
        for (const std::string& fill : fills) {
            std::string program(line.program), english(line.english);
            for (std::size_t at; (at = program.find("{}")) != std::string::npos;)
                program.replace(at, 2, fill);
            for (std::size_t at; (at = english.find("{}")) != std::string::npos;)
                english.replace(at, 2, fill);
            EXPECT_EQ(InEnglish(program), english);
        }
    }
    // A file's own texts are left as they are.
    for (const char* text :
         {"Glider", "", "glider.rle", "グライダー\n", "認識できない拡張子です。!"})
        EXPECT_EQ(InEnglish(text), text);
}

// The string literals of a C++ source with their escapes read, adjacent ones joined, comments
// skipped.
std::vector<std::string> Literals(const std::string& source) {
    std::vector<std::string> out;
    bool joining = false;
    for (std::size_t i = 0; i < source.size();) {
        const char c = source[i];
        if (source.compare(i, 2, "//") == 0) {
            i = source.find('\n', i);
            if (i == std::string::npos) break;
            continue;
        }
        if (source.compare(i, 2, "/*") == 0) {
            i = source.find("*/", i);
            if (i == std::string::npos) break;
            i += 2;
            continue;
        }
        if (c == '\'') {  // a character literal: '"' is not a string
            i = source.find('\'', i + (source[i + 1] == '\\' ? 3 : 2)) + 1;
            continue;
        }
        if (c != '"') {
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') joining = false;
            ++i;
            continue;
        }
        std::string text;
        for (++i; i < source.size() && source[i] != '"'; ++i) {
            if (source[i] != '\\') {
                text += source[i];
                continue;
            }
            const char e = source[++i];
            text += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        }
        ++i;
        if (joining)
            out.back() += text;
        else
            out.push_back(text);
        joining = true;
    }
    return out;
}

// Every text in the sources the tool's messages come from is part of a message the table holds:
// a new message without its English fails here.
TEST(English, TheTableHoldsEveryMessageOfTheSources) {
    const fs::path root = GRIDBLOOM_SOURCE_DIR;
    std::vector<fs::path> sources = {
        root / "session/rule_edit.cpp",    root / "engine/rule.cpp",
        root / "engine/field.cpp",         root / "session/document.cpp",
        root / "session/paste.cpp",        root / "session/read_guard.cpp",
        root / "session/pattern_save.cpp", root / "session/quick_launch_menu.cpp"};
    for (const auto& entry : fs::directory_iterator(root / "formats"))
        sources.push_back(entry.path());
    // Menu texts, not messages.
    const std::set<std::string> notMessages = {"- クイック起動 "};
    int found = 0;
    for (const fs::path& source : sources) {
        for (const std::string& literal : Literals(ReadBytes(source))) {
            if (Ascii(literal) || notMessages.count(literal) != 0) continue;
            ++found;
            bool held = false;
            for (const auto& line : MessageLines()) {
                std::string key(line.program);
                for (std::size_t at; (at = key.find("{}")) != std::string::npos;)
                    key.replace(at, 2, "\x01");
                for (std::size_t from = 0; !held && from <= key.size();) {
                    const std::size_t to = std::min(key.find('\x01', from), key.size());
                    held = key.substr(from, to - from).find(literal) != std::string::npos;
                    from = to + 1;
                }
                if (held) break;
            }
            EXPECT_TRUE(held) << source.filename() << ": " << literal;
        }
    }
    EXPECT_GT(found, 50);
}

// The environment the tool runs in: LC_ALL, LC_MESSAGES and LANG (nothing: unset), put back
// when it goes.
class Locale {
public:
    Locale(const char* lcAll, const char* lcMessages, const char* lang) {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        Set("LC_ALL", lcAll);
        Set("LC_MESSAGES", lcMessages);
        Set("LANG", lang);
    }
    ~Locale() {
        for (const auto& [name, value] : saved_)
            Set(name.c_str(), value ? value->c_str() : nullptr);
    }

private:
    static void Set(const char* name, const char* value) {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

// What the tool prints under the locales a user has: English (nothing but ASCII on standard
// error) unless Japanese is asked for.
TEST_F(CliTest, MessagesInTheLocalesLanguage) {
    Write("bad.rle", "hello\n");
    Write("rule.rle", "x = 1, y = 1, rule = B36/S23\no!\n");
    struct Case {
        std::vector<std::string> args;
        std::string english, japanese;
    };
    const std::vector<Case> cases = {
        {{"info", "missing.rle"},
         "File not found.\nThe file \"missing.rle\" was not found.\n",
         "ファイルが見つかりません。\nファイル\"missing.rle\"が見つかりません。\n"},
        {{"info", "bad.rle"},
         "Unsupported file format.\nThe file was read as RLE, but its data does not",
         "サポートしていないファイル形式です。\nRLE形式として読み込みましたが"},
        {{"run", "rule.rle", "-o", "out.xyz"},
         "Unrecognised extension.\nThe pattern is saved as RLE.\n",
         "認識できない拡張子です。\nRLE形式として保存します。\n"},
        {{"run", "rule.rle", "-r", "2/3/4"},
         "The rule holds more than one \"/\".\nA rule may hold only one \"/\".\n",
         "ルール設定文字列に\"/\"が2個以上見つかりました。\n"},
        {{"info", "rule.rle"},
         "A rule other than the default (23/3) applies.\nRule   23/36   (B36/S23)\n\nneighbours  0 "
         " 1  2",
         "デフォルト(23/3)以外のルールが適用されます。\n適用されるルール   23/36"},
    };
    struct Env {
        const char *lcAll, *lcMessages, *lang;
        bool japanese;
    };
    for (const Env env :
         {Env{nullptr, nullptr, nullptr, false}, Env{nullptr, nullptr, "C", false},
          Env{"", nullptr, "en_US.UTF-8", false}, Env{"C.UTF-8", nullptr, "ja_JP.UTF-8", false},
          Env{nullptr, nullptr, "ja_JP.UTF-8", true}, Env{nullptr, "ja_JP.UTF-8", "C", true}}) {
        const Locale locale(env.lcAll, env.lcMessages, env.lang);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.args[0] + " " + c.args[1] +
                         (env.lang ? std::string(" LANG=") + env.lang : ""));
            const Result r = Run(c.args);
            EXPECT_NE(r.err.find(env.japanese ? c.japanese : c.english), std::string::npos)
                << r.err;
            if (!env.japanese) {
                EXPECT_TRUE(Ascii(r.err)) << r.err;
            }
        }
    }
}

}  // namespace
