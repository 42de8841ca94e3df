// The rule, move and field-size commands.
#pragma once

class QWidget;

namespace gb {

struct Context;
class CommandRegistry;

// Registers 32883 (rule), 32910/32911/32912 (moves, enabled only while the last frame counted
// live cells) and 32909 (field size). Their dialogs are owned by parent.
void RegisterFieldCommands(Context& ctx, CommandRegistry& registry, QWidget* parent);

}  // namespace gb
