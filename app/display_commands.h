// The colour commands and the grid switch.
#pragma once

#include <QColor>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace gb {

struct Context;
class CommandRegistry;

// 0x00BBGGRR <-> QColor.
QColor ToQColor(std::uint32_t bgr);
std::uint32_t ToColorRef(const QColor& color);

enum class ColorSetting { Live, Back, Grid };

// The sixteen custom colours each setting offers in its chooser: entry 0 is the setting itself,
// entries 1..15 start white and keep what the user defines until the program ends.
struct CustomColors {
    std::array<std::uint32_t, 16> live{};
    std::array<std::uint32_t, 16> back{};
    std::array<std::uint32_t, 16> grid{};
    CustomColors();
    std::array<std::uint32_t, 16>& of(ColorSetting which);
};

// Runs a colour chooser: (title, initial colour, custom colours in/out) -> chosen colour or
// nothing on cancel.
using ColorChooser = std::function<std::optional<std::uint32_t>(
    const char* title, std::uint32_t initial, std::array<std::uint32_t, 16>& custom)>;

// The whole command: pause, chooser with the setting's title, OK takes the colour (the grid colour
// also switches the grid on) and invalidates the view, resume.
void ChooseColor(Context& ctx, CustomColors& customs, ColorSetting which,
                 const ColorChooser& chooser);
void ToggleGrid(Context& ctx);

// The chooser of the program: QColorDialog with the custom colours.
std::optional<std::uint32_t> RunColorDialog(const char* title, std::uint32_t initial,
                                            std::array<std::uint32_t, 16>& custom);

void RegisterDisplayCommands(CommandRegistry& registry, Context& ctx, CustomColors& customs);

}  // namespace gb
