#include "session/run_control.h"

#include <algorithm>
#include <cstdint>

#include "session/context.h"
#include "session/format_number.h"
#include "session/input_numbers.h"
#include "session/run.h"

namespace gb {

bool CanStartRun(const Context& ctx) { return !ctx.run.running && HasLiveCells(ctx.view); }
bool CanStopRun(const Context& ctx) { return ctx.run.running; }
bool CanStepOnce(const Context& ctx) { return !ctx.run.running && HasLiveCells(ctx.view); }
bool CanStopAtGeneration(const Context& ctx) { return HasLiveCells(ctx.view) != 0; }

void StepOnce(Context& ctx, const FrameFn& drawFrame) {
    StopRun(ctx);
    drawFrame(true);
}

void EnterKey(Context& ctx) { StartRun(ctx); }

void SpaceKey(Context& ctx, const FrameFn& drawFrame) {
    if (ctx.run.running)
        StopRun(ctx);
    else if (HasLiveCells(ctx.view))
        drawFrame(true);
}

void TimerIntervalCommand(Context& ctx, const AskInterval& ask) {
    PauseRun(ctx);
    if (const auto interval = ask(ctx.run.timerInterval)) ctx.run.setTimerInterval(*interval);
    ResumeRun(ctx);
}

StopAtValues StopAtInitialValues(const Context& ctx) {
    const std::int64_t generation = ctx.field.generation;
    StopAtValues v;
    if (ctx.run.stopArmed) {
        v.absolute = ctx.run.stopGeneration;
        v.relative = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(ctx.run.stopGeneration - generation, INT32_MIN, INT32_MAX));
    } else {
        v.absolute = static_cast<std::int32_t>(std::min<std::int64_t>(generation + 1, INT32_MAX));
        v.relative = 1;
    }
    return v;
}

std::string StopAtStatusLine(std::int32_t generation) {
    return "現在第" + FormatThousands(std::to_string(generation)) + "世代";
}

bool HasComma(std::string_view text) { return text.find(',') != std::string_view::npos; }

std::optional<std::string> RelativeForAbsolute(std::string_view absolute, std::string_view relative,
                                               std::int32_t generation) {
    const double r = LenientNumber(absolute) - generation;
    if (r == LenientNumber(relative)) return std::nullopt;
    return FormatInt(r);
}

std::optional<std::string> AbsoluteForRelative(std::string_view relative, std::string_view absolute,
                                               std::int32_t generation) {
    const double a = LenientNumber(relative) + generation;
    if (a == LenientNumber(absolute)) return std::nullopt;
    return FormatInt(a);
}

bool TargetIsAhead(std::string_view absolute, std::int32_t generation) {
    return LenientNumber(absolute) > generation;
}

void StopAtGenerationCommand(Context& ctx, const AskStopAt& ask) {
    const StopAtValues initial = StopAtInitialValues(ctx);
    PauseRun(ctx);
    if (const auto target = ask(initial)) {
        ctx.run.armStop(*target);
        ResumeRun(ctx);
        StartRun(ctx);
    } else {
        ctx.run.disarmStop();
        ResumeRun(ctx);
    }
    ResumeRun(ctx);
}

}  // namespace gb
