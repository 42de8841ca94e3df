#include "app/edit_commands.h"

#include "app/commands.h"
#include "session/context.h"
#include "session/edit.h"

namespace gb {

void RegisterEditCommands(CommandRegistry& registry, Context& ctx) {
    Context* c = &ctx;
    auto enabledWhen = [c](bool (*rule)(const Context&)) {
        return [c, rule](CommandState& s) { s.enabled = rule(*c); };
    };
    registry.add(
        cmd::EditClear, [c] { ClearField(*c); }, enabledWhen(CanClearField));
    registry.add(
        cmd::EditStart, [c] { StartEditing(*c); }, enabledWhen(CanStartEditing));
    registry.add(
        cmd::EditEnd, [c] { EndEditing(*c); }, enabledWhen(CanEndEditing));
    registry.add(cmd::FileNew, [c] { NewField(*c); });
}

}  // namespace gb
