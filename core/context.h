// Everything one running Gridbloom holds: one of each state group and the Host that reaches the
// user. The program makes one; every test makes a fresh one.
#pragma once

#include "core/engine/field.h"
#include "core/host.h"
#include "core/engine/rule.h"
#include "core/shell.h"
#include "core/view_state.h"

namespace gb {

struct Context {
    explicit Context(Host& h) : host(h) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    Host& host;
    Field field;
    Rule rule;
    ViewState view;
    RunState run;
    DisplaySettings display;
    ShellState shell;
};

}  // namespace gb
