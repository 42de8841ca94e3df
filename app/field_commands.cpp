#include "app/field_commands.h"

#include "app/commands.h"
#include "app/field_size_dialog.h"
#include "app/move_amount_dialog.h"
#include "app/rule_dialog.h"
#include "session/context.h"
#include "session/field_size.h"
#include "session/move.h"
#include "session/rule_edit.h"

namespace gb {

void RegisterFieldCommands(Context& ctx, CommandRegistry& registry, QWidget* parent) {
    registry.add(cmd::Rule, [&ctx, parent] {
        EditRule(ctx, [&ctx, parent](const std::string& text) {
            return RunRuleDialog(ctx, text, parent);
        });
    });

    const auto whileLive = [&ctx](CommandState& state) {
        state.enabled = HasLiveCells(ctx.view) != 0;
    };
    registry.add(
        cmd::CentreByExtent, [&ctx] { CentreByExtent(ctx); }, whileLive);
    registry.add(
        cmd::CentreByCentroid, [&ctx] { CentreByCentroid(ctx); }, whileLive);
    registry.add(
        cmd::MoveByAmount,
        [&ctx, parent] {
            MoveByAmount(ctx, [&ctx, parent] { return RunMoveAmountDialog(ctx, parent); });
        },
        whileLive);

    registry.add(cmd::FieldSize, [&ctx, parent] {
        ResizeField(ctx, [&ctx, parent](int width, int height) {
            return RunFieldSizeDialog(ctx, width, height, parent);
        });
    });
}

}  // namespace gb
