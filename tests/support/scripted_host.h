// A Host for tests: records every box, title, pointer and timer call, and answers questions from
// a script. exitProcess throws ProcessExit so a test can check the status.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "session/context.h"
#include "session/host.h"

namespace gb::test {

struct ProcessExit : std::runtime_error {
    explicit ProcessExit(int s) : std::runtime_error("process exit"), status(s) {}
    int status;
};

class ScriptedHost : public Host {
public:
    // Answers for the next boxes, in order; a box without a scripted answer gets its default
    // button (or the first one).
    std::deque<Button> answers;
    std::vector<MessageBox> boxes;
    std::vector<std::string> titles;
    std::vector<Pointer> pointers;
    std::vector<std::pair<int, int>> timersSet;  // (id, interval)
    std::vector<int> timersKilled;
    std::map<int, int> activeTimers;  // id -> interval
    int invalidations = 0;
    int repaints = 0;
    bool mainWindow = true;
    bool shift = false;
    bool refuseTimers = false;
    std::optional<std::string> clipboard;
    std::string program = "/opt/gridbloom/gridbloom";
    std::optional<std::pair<int, int>> clientSize = std::make_pair(800, 600);
    // Called with every box as it is shown, before its answer.
    std::function<void(const MessageBox&)> onBox;

    Button showMessage(const MessageBox& box) override {
        boxes.push_back(box);
        if (onBox) onBox(box);
        if (!answers.empty()) {
            const Button b = answers.front();
            answers.pop_front();
            return b;
        }
        if (box.defaultButton) return *box.defaultButton;
        switch (box.buttons) {
            case Buttons::YesNo:
            case Buttons::YesNoCancel: return Button::Yes;
            default: return Button::Ok;
        }
    }
    bool hasMainWindow() const override { return mainWindow; }
    void setWindowTitle(const std::string& title) override { titles.push_back(title); }
    void setPointer(Pointer shape) override { pointers.push_back(shape); }
    bool shiftHeld() const override { return shift; }
    int setTimer(int id, int intervalMs) override {
        timersSet.emplace_back(id, intervalMs);
        if (refuseTimers) return 0;
        activeTimers[id] = intervalMs;
        return id;
    }
    void killTimer(int id) override {
        timersKilled.push_back(id);
        activeTimers.erase(id);
    }
    void invalidateView() override { ++invalidations; }
    void repaintView() override { ++repaints; }
    std::optional<std::string> clipboardText() override { return clipboard; }
    std::optional<std::pair<int, int>> activeClientSize() const override { return clientSize; }
    std::string programPath() const override { return program; }
    [[noreturn]] void exitProcess(int status) override { throw ProcessExit(status); }

    std::string lastTitle() const { return titles.empty() ? std::string() : titles.back(); }
    const MessageBox& lastBox() const { return boxes.back(); }
    // The boxes shown so far, as their captions, or as (caption, text) pairs.
    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const MessageBox& box : boxes) out.push_back(box.caption);
        return out;
    }
    std::vector<std::pair<std::string, std::string>> shown() const {
        std::vector<std::pair<std::string, std::string>> out;
        for (const MessageBox& box : boxes) out.emplace_back(box.caption, box.text);
        return out;
    }
};

// What a box should show: its caption and text, and its icon and buttons where given.
struct BoxIs {
    BoxIs(std::string c, std::string t, std::optional<Icon> i = std::nullopt,
          std::optional<Buttons> b = std::nullopt)
        : caption(std::move(c)), text(std::move(t)), icon(i), buttons(b) {}
    std::string caption;
    std::string text;
    std::optional<Icon> icon;
    std::optional<Buttons> buttons;
};

inline ::testing::AssertionResult Shows(const MessageBox& box, const BoxIs& want) {
    const bool same = box.caption == want.caption && box.text == want.text &&
                      (!want.icon || box.icon == *want.icon) &&
                      (!want.buttons || box.buttons == *want.buttons);
    if (same) return ::testing::AssertionSuccess();
    const auto number = [](auto value) { return std::to_string(static_cast<int>(value)); };
    return ::testing::AssertionFailure()
           << "the box shows caption \"" << box.caption << "\", text \"" << box.text << "\", icon "
           << number(box.icon) << ", buttons " << number(box.buttons) << "; expected \""
           << want.caption << "\", \"" << want.text << "\""
           << (want.icon ? ", icon " + number(*want.icon) : std::string())
           << (want.buttons ? ", buttons " + number(*want.buttons) : std::string());
}

}  // namespace gb::test

// The session fixture (TestContext), for the tests that reach it through this header.
#include "tests/support/session_fixture.h"
