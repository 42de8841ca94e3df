// How gridbloom-cli tells what it found: the summary as lines or as JSON, and the progress line.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/extent.h"

namespace gb::cli {

struct Settled {
    std::int64_t generation = 0;
    int period = 0;
};

struct Summary {
    std::string rule;    // as the program keeps it, "23/3"
    std::string ruleBS;  // "B3/S23"
    std::int64_t generation = 0;
    std::int64_t population = 0;
    Extent extent;
    bool settleAsked = false;
    std::optional<Settled> settled;
    bool withNotes = false;
    std::vector<std::string> notes;  // UTF-8
};

// The four lines (five with settling), then the notes.
std::string SummaryLines(const Summary& s);
// One JSON object on one line.
std::string SummaryJson(const Summary& s);
// A JSON string literal; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

// One line on standard error that rewrites itself: shown only on a terminal, and only once a
// run has taken about a second.
class Progress {
public:
    Progress(std::int64_t limit, bool enabled);
    // After generation g; cheap when nothing is to be shown.
    void update(std::int64_t g) {
        if (enabled_) show(g);
    }
    // Clears the line.
    void finish();

private:
    void show(std::int64_t g);
    using Clock = std::chrono::steady_clock;
    std::int64_t limit_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_, last_;
};

// "1 h 2 min", "3 min 4 s", "5 s".
std::string Duration(double seconds);

}  // namespace gb::cli
