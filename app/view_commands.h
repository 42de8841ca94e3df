// The Run menu, the timer interval and the View menu's zoom and scroll commands.
#pragma once

namespace gb {

struct Context;
class CLGView;
class CommandRegistry;

void RegisterRunAndViewCommands(CommandRegistry& commands, Context& ctx, CLGView& view);

}  // namespace gb
