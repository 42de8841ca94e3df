#include "app/view_commands.h"

#include "app/commands.h"
#include "session/context.h"
#include "session/run.h"
#include "session/run_control.h"
#include "session/scroll.h"
#include "view/lg_view.h"
#include "view/run_dialogs.h"
#include "view/zoom_dialog.h"

namespace gb {

void RegisterRunAndViewCommands(CommandRegistry& commands, Context& ctx, CLGView& view) {
    CLGView* v = &view;
    Context* c = &ctx;
    auto enabledWhen = [c](bool (*rule)(const Context&)) {
        return [c, rule](CommandState& s) { s.enabled = rule(*c); };
    };
    const FrameFn draw = [v](bool advance) { v->DrawFrame(advance); };

    // Run menu.
    commands.add(
        cmd::RunStart, [c] { StartRun(*c); }, enabledWhen(CanStartRun));
    commands.add(
        cmd::RunStop, [c] { StopRun(*c); }, enabledWhen(CanStopRun));
    commands.add(
        cmd::RunStep, [c, draw] { StepOnce(*c, draw); }, enabledWhen(CanStepOnce));
    commands.add(
        cmd::RunStopAt,
        [c, v] {
            StopAtGenerationCommand(
                *c, [c, v](const StopAtValues& initial) -> std::optional<std::int32_t> {
                    StopAtDialog dialog(*c, initial, v->window());
                    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
                    return dialog.target();
                });
        },
        enabledWhen(CanStopAtGeneration));
    commands.add(cmd::TimerInterval, [c, v] {
        TimerIntervalCommand(*c, [c, v](int current) -> std::optional<int> {
            TimerIntervalDialog dialog(*c, current, v->window());
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            return dialog.interval();
        });
    });

    // Zoom.
    commands.add(
        cmd::ZoomIn, [c] { ZoomIn(*c); }, enabledWhen(CanZoomIn));
    commands.add(
        cmd::ZoomOut, [c] { ZoomOut(*c); }, enabledWhen(CanZoomOut));
    commands.add(cmd::ZoomDialog, [c, v] {
        ZoomDialogCommand(*c, [c, v](int shown) -> std::optional<int> {
            ZoomDialog dialog(*c, shown, v->window());
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            return dialog.number();
        });
    });

    // Scrolling, against the view's own client size; Shift is read as the command runs.
    const std::pair<int, ScrollDirection> scrolls[] = {
        {cmd::ScrollLeft, ScrollDirection::Left},
        {cmd::ScrollRight, ScrollDirection::Right},
        {cmd::ScrollUp, ScrollDirection::Up},
        {cmd::ScrollDown, ScrollDirection::Down},
    };
    for (const auto& [id, dir] : scrolls) {
        commands.add(
            id,
            [c, v, dir = dir] {
                ScrollView(*c, dir, v->width(), v->height(), c->host.shiftHeld());
            },
            [c, v, dir = dir](CommandState& s) {
                s.enabled = CanScroll(*c, dir, v->width(), v->height());
            });
    }
    commands.add(
        cmd::ScrollFieldCentre, [c] { ScrollToFieldCentre(*c); },
        enabledWhen(CanScrollToFieldCentre));
    auto hasLiveCells = [c](CommandState& s) { s.enabled = HasLiveCells(c->view) != 0; };
    commands.add(
        cmd::ScrollExtentCentre, [c] { ScrollToExtentCentre(*c); }, hasLiveCells);
    commands.add(
        cmd::ScrollCentroid, [c] { ScrollToCentroid(*c); }, hasLiveCells);
}

}  // namespace gb
