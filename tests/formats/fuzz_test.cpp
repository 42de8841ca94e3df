// Random and mutated bytes for every reader: nothing may crash, hang or break the Field's rules,
// a failed read changes nothing, and what loads round-trips. Seeds: our samples and the shared
// corpus when present. Run under the sanitizer build too.
#include <gtest/gtest.h>

#include <random>

#include "tests/formats/fuzz_harness.h"

namespace gb {
namespace {

namespace fs = std::filesystem;
using test::FuzzReader;

const std::string_view kTokens[] = {
    "#Life 1.05\n",
    "#Life 1.06\n",
    "#P ",
    "#R ",
    "#r ",
    "#N ",
    "#D ",
    "#C ",
    "x = ",
    "rule = ",
    "b3/s23:T10,10",
    ",",
    "$",
    "!",
    "o",
    "b",
    "*",
    ".",
    "O",
    "\r\n",
    "\r",
    "\n",
    " ",
    std::string_view("\0", 1),
    "\xFF",
    "99999999999999999999",
    "2147483647",
    "-2147483648",
    "4294967296",
    "1000000000$",
    "\x81\xA0",
    "\x81\xA1",
    "\xE2\x96\xA0",
    "\xE2\x96\xA1",
    "\x83",
    "-",
    "+",
    "#P -1 -1\n",
};

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds = {
        "x = 3, y = 3, rule = B3/S23\nbo$2bo$3o!\n",
        "#Life 1.05\n#D d\n#P -1 -1\n.*\n..*\n***\n",
        "#Life 1.06\n#R 34/34\n0 -1\n1 0\n-1 1\n0 1\n1 1\n",
        "#R 23/36\n.*.\n..*\n***\n",
        "#C c\n#R 3 4\nx = 1\n3o$$o!\ntrailer\n",
    };
    for (const std::string& dir : {test::OwnPatterns(), test::SharedPatterns()}) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.is_regular_file() && entry.file_size() < 20000)
                seeds.push_back(test::ReadBytes(entry.path()));
    }
    return seeds;
}

std::string Mutate(std::string s, std::mt19937& rng) {
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < edits; ++k) {
        const std::size_t pos = s.empty() ? 0 : rng() % (s.size() + 1);
        switch (rng() % 5) {
            case 0:  // flip a byte
                if (pos < s.size()) s[pos] = static_cast<char>(rng());
                break;
            case 1:  // insert a token
            {
                s.insert(pos, kTokens[rng() % std::size(kTokens)]);
                break;
            }
            case 2:  // erase a stretch
                if (pos < s.size()) s.erase(pos, 1 + rng() % 16);
                break;
            case 3:  // duplicate a stretch
                if (pos < s.size()) s.insert(pos, s.substr(pos, 1 + rng() % 64));
                break;
            default:  // cut
                s.resize(pos);
        }
    }
    return s;
}

TEST(Fuzz, MutatedAndRandomBytesForEveryReader) {
    test::FuzzBench bench;
    std::mt19937 rng(20240611);
    const std::vector<std::string> seeds = Seeds();
    const FuzzReader readers[] = {FuzzReader::Rle, FuzzReader::Life, FuzzReader::Text};
    int runs = 0;
    for (int round = 0; round < 10; ++round) {
        for (const std::string& seed : seeds) {
            for (FuzzReader reader : readers) {
                const std::string input = round == 0 ? seed : Mutate(seed, rng);
                const std::string error = bench.run(reader, input, static_cast<unsigned>(rng()));
                ASSERT_EQ(error, "") << "reader " << static_cast<int>(reader) << " input:\n"
                                     << input;
                ++runs;
            }
        }
    }
    for (int i = 0; i < 600; ++i) {
        std::string input(rng() % 300, '\0');
        for (char& c : input)
            c = static_cast<char>(rng() % 4 == 0 ? "xo$b!#*.\n"[rng() % 9] : rng());
        for (FuzzReader reader : readers) {
            const std::string error = bench.run(reader, input, static_cast<unsigned>(rng()));
            ASSERT_EQ(error, "") << "reader " << static_cast<int>(reader);
            ++runs;
        }
    }
    EXPECT_GT(runs, 1800);  // the built-in seeds alone give 150 + 1800
}

// Inputs that once broke a reader, kept as ordinary cases.
TEST(Fuzz, Regressions) {
    test::FuzzBench bench;
    const std::pair<FuzzReader, std::string> cases[] = {
        {FuzzReader::Rle,
         "#R -99999999999999999999999999999999999999999999 "
         "0\n99999999999999999999999999999999999999999999bo!"},
        {FuzzReader::Life, "#Life 1.05\n#P 2147483647 -2147483648\n*\n"},
        {FuzzReader::Life, "#Life 1.06\n-2147483648 -2147483648\n2147483647 2147483647\n"},
        {FuzzReader::Text, std::string(20000, '*') + "\n"},
        {FuzzReader::Rle, "x\n" + std::string(30000, '9') + "o!"},
    };
    for (const auto& [reader, input] : cases)
        for (unsigned config = 0; config < 16; ++config)
            EXPECT_EQ(bench.run(reader, input, config), "") << input.substr(0, 80);
}

}  // namespace
}  // namespace gb
