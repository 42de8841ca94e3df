// The quick-launch menu: fifty items and the three display modes.
#pragma once

#include <QString>
#include <string_view>

#include "session/quick_launch_menu.h"

namespace gb {

struct Context;
class CommandRegistry;

// Text from a file for showing: UTF-8 when it is valid UTF-8, otherwise Shift-JIS (code page 932).
QString FileTextToQString(std::string_view bytes);

void RegisterQuickLaunchCommands(CommandRegistry& registry, Context& ctx, QuickLaunch& list,
                                 const PathOpeners& openers);

}  // namespace gb
