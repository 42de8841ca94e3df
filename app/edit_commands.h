// The Edit menu's clear and edit-mode commands and the File menu's new command.
#pragma once

namespace gb {

struct Context;
class CommandRegistry;

// 57632 clear (enabled while the last frame counted live cells), 32798 / 32799 edit start and
// end (each enabled while it would change the mode), 57600 new (always).
void RegisterEditCommands(CommandRegistry& registry, Context& ctx);

}  // namespace gb
