// What a pattern reader hands back: the pattern it staged, or why it read none. The readers only
// read; the session's opening, dropping and pasting apply what they return.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace gb {

// A message box a reader asks for: its caption and its text. Every refusal is a warning.
struct ReadMessage {
    std::string caption;
    std::string text;
};

// Where the staged cells go: the live cells of the staging grid inside the box [left, right] ×
// [top, bottom] (staging coordinates), moved by (dx, dy) onto a cleared grid.
struct StagedPattern {
    bool found = false;  // any live cell staged; without one the grid is only cleared
    int left = 0, top = 0, right = 0, bottom = 0;
    int dx = 0, dy = 0;
};

// Which reader read the pattern (a ".lif" file may be handed to the RLE reader); the sequences
// that apply a pattern differ by it.
enum class PatternFormat { Rle, Life, Picture };

struct ReadPattern {
    PatternFormat format = PatternFormat::Rle;
    StagedPattern cells;
    // The rule as the file spells it (before FileRuleText), or none: the rule in force stays.
    std::optional<std::string> rule;
    // The notice texts (name, author, comments, descriptions) as UTF-8; shown when not empty.
    std::string notice;
};

// A read's outcome: a pattern, a refusal with its box, or the user's No to a question asked on
// the way (nothing more is shown then).
struct PatternRead {
    enum class Status { Read, Refused, Declined };
    Status status = Status::Read;
    ReadPattern pattern;  // when Read
    ReadMessage refusal;  // when Refused

    bool read() const { return status == Status::Read; }
    static PatternRead Refuse(ReadMessage message) {
        PatternRead r;
        r.status = Status::Refused;
        r.refusal = std::move(message);
        return r;
    }
    static PatternRead Decline() {
        PatternRead r;
        r.status = Status::Declined;
        return r;
    }
};

// The questions a reader may ask on the way; the session answers them over its Host, so the
// boxes keep their order among the others.
class ReadQuestions {
public:
    virtual ~ReadQuestions() = default;
    // A Yes/No warning whose default is No; true for Yes.
    virtual bool confirm(const ReadMessage& question) = 0;
};

}  // namespace gb
