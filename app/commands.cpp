#include "app/commands.h"

#include <new>
#include <stdexcept>

namespace gb {

void CommandRegistry::add(int id, Handler handler, UpdateRule update) {
    commands_[id] = Entry{std::move(handler), std::move(update)};
}

CommandState CommandRegistry::state(int id) const {
    CommandState s;
    const auto it = commands_.find(id);
    if (it == commands_.end()) {
        s.enabled = false;
        return s;
    }
    if (it->second.update) it->second.update(s);
    return s;
}

void CommandRegistry::run(int id) const {
    const auto it = commands_.find(id);
    if (it == commands_.end() || !it->second.handler) return;
    if (!onNoMemory_) {
        it->second.handler();
        return;
    }
    try {
        it->second.handler();
    } catch (const std::bad_alloc&) {
        onNoMemory_();
    } catch (const std::length_error&) {
        onNoMemory_();
    }
}

void CommandRegistry::runIfEnabled(int id) const {
    if (state(id).enabled) run(id);
}

}  // namespace gb
