#include "app/display_commands.h"

#include <QApplication>
#include <QColorDialog>

#include "app/commands.h"
#include "session/context.h"
#include "session/run.h"

namespace gb {

QColor ToQColor(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t ToColorRef(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
           static_cast<std::uint32_t>(c.blue()) << 16;
}

CustomColors::CustomColors() {
    live.fill(0xFFFFFF);
    back.fill(0xFFFFFF);
    grid.fill(0xFFFFFF);
}

std::array<std::uint32_t, 16>& CustomColors::of(ColorSetting which) {
    switch (which) {
        case ColorSetting::Live: return live;
        case ColorSetting::Back: return back;
        case ColorSetting::Grid: break;
    }
    return grid;
}

void ChooseColor(Context& ctx, CustomColors& customs, ColorSetting which,
                 const ColorChooser& chooser) {
    DisplaySettings& d = ctx.display;
    std::uint32_t* setting = which == ColorSetting::Live   ? &d.liveColor
                             : which == ColorSetting::Back ? &d.backColor
                                                           : &d.gridColor;
    const char* title = which == ColorSetting::Live   ? "アクティブセルの色"
                        : which == ColorSetting::Back ? "背景の色"
                                                      : "グリッドの色";
    auto& custom = customs.of(which);
    custom[0] = *setting;
    PauseRun(ctx);
    if (const auto chosen = chooser(title, *setting, custom)) {
        *setting = *chosen;
        if (which == ColorSetting::Grid) d.gridShown = true;
        ctx.host.invalidateView();
    }
    ResumeRun(ctx);
}

void ToggleGrid(Context& ctx) {
    ctx.display.gridShown = !ctx.display.gridShown;
    ctx.host.invalidateView();
}

std::optional<std::uint32_t> RunColorDialog(const char* title, std::uint32_t initial,
                                            std::array<std::uint32_t, 16>& custom) {
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, ToQColor(custom[static_cast<std::size_t>(i)]));
    QColorDialog dialog(ToQColor(initial), QApplication::activeWindow());
    dialog.setWindowTitle(QString::fromUtf8(title));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool ok = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < 16; ++i)
        custom[static_cast<std::size_t>(i)] = ToColorRef(QColorDialog::customColor(i));
    if (!ok) return std::nullopt;
    return ToColorRef(dialog.selectedColor());
}

void RegisterDisplayCommands(CommandRegistry& registry, Context& ctx, CustomColors& customs) {
    const auto choose = [&ctx, &customs](ColorSetting which) {
        return [&ctx, &customs, which] { ChooseColor(ctx, customs, which, RunColorDialog); };
    };
    registry.add(cmd::ColorLive, choose(ColorSetting::Live));
    registry.add(cmd::ColorBack, choose(ColorSetting::Back));
    registry.add(cmd::ColorGrid, choose(ColorSetting::Grid));
    registry.add(
        cmd::GridToggle, [&ctx] { ToggleGrid(ctx); },
        [&ctx](CommandState& s) { s.checked = ctx.display.gridShown; });
}

}  // namespace gb
