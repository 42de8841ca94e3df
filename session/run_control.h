// What drives the run: the Run menu's commands and rules, Enter and Space, the single step, the
// timer interval and the stop target with their dialogs' decisions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "session/frame.h"

namespace gb {

struct Context;

inline constexpr int kMinTimerInterval = 10;
inline constexpr int kMaxTimerInterval = 10000;
inline constexpr std::int32_t kMaxStopGeneration = 1000000000;

// Enabling rules of the Run menu.
bool CanStartRun(const Context& ctx);          // not running, live cells
bool CanStopRun(const Context& ctx);           // running
bool CanStepOnce(const Context& ctx);          // not running, live cells
bool CanStopAtGeneration(const Context& ctx);  // live cells

// Stops, then draws one advancing frame.
void StepOnce(Context& ctx, const FrameFn& drawFrame);
// Enter starts the run whatever the cells.
void EnterKey(Context& ctx);
// Space stops a run, steps a stopped field with live cells, and does nothing otherwise.
void SpaceKey(Context& ctx, const FrameFn& drawFrame);

// The timer interval command: pauses, asks (current interval in, the confirmed one out), stores
// it, resumes.
using AskInterval = std::function<std::optional<int>(int current)>;
void TimerIntervalCommand(Context& ctx, const AskInterval& ask);

// The stop-at-generation dialog's decisions.
struct StopAtValues {
    std::int32_t absolute = 0;
    std::int32_t relative = 0;
};
// What the two fields open with.
StopAtValues StopAtInitialValues(const Context& ctx);
// "現在第1,234世代".
std::string StopAtStatusLine(std::int32_t generation);
// The comma message, shown when either field's text holds ",".
inline constexpr const char* kCommaMessage = "入力値に\",\"は使用しないでください。";
inline constexpr const char* kPastGenerationMessage = "過去の世代を指定することはできません。";
inline constexpr const char* kStopAtCaption = "指定世代で停止";
bool HasComma(std::string_view text);
// The text the other field takes after a change, or nothing when it already agrees.
std::optional<std::string> RelativeForAbsolute(std::string_view absolute, std::string_view relative,
                                               std::int32_t generation);
std::optional<std::string> AbsoluteForRelative(std::string_view relative, std::string_view absolute,
                                               std::int32_t generation);
// OK's first check: the absolute field must name a generation after the current one.
bool TargetIsAhead(std::string_view absolute, std::int32_t generation);

// The stop-at-generation command: pauses, asks (the initial values in, the confirmed absolute
// target out), arms and starts the run on OK, disarms on Cancel, and resumes.
using AskStopAt = std::function<std::optional<std::int32_t>(const StopAtValues& initial)>;
void StopAtGenerationCommand(Context& ctx, const AskStopAt& ask);

}  // namespace gb
