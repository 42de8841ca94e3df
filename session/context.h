// Everything one running Gridbloom holds: one of each state group and the Host that reaches the
// user. The program makes one; every test makes a fresh one. The session's operations on the
// Field and the Rule that report to the user (field_memory.h, rule_report.h) come with it.
#pragma once

#include "engine/field.h"
#include "engine/rule.h"
#include "session/field_memory.h"
#include "session/host.h"
#include "session/rule_report.h"
#include "session/shell.h"
#include "session/view_state.h"

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
