// The close check: asked before the main window closes (close box and the exit command).
#pragma once

#include <functional>

namespace gb {

struct Context;

// Stops the run and asks "終了しますか。". Yes releases the Field's memory, writes the display
// settings through writeSettings and answers true; No lets a run that was going continue.
bool CanCloseFrame(Context& ctx, const std::function<void()>& writeSettings);

}  // namespace gb
