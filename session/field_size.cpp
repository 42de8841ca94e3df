#include "session/field_size.h"

#include <cstdint>

#include "engine/resize.h"
#include "session/context.h"
#include "session/format_number.h"
#include "session/input_numbers.h"
#include "session/run.h"
#include "session/shell.h"

namespace gb {

std::string TotalCellsLine(double total) {
    return "総セル数   " + FormatThousands(total) + "   " + FormatExponent3(total);
}

TotalCellsUpdate ShowTotalCells(Context& ctx, std::string_view width, std::string_view height) {
    TotalCellsUpdate update;
    const auto commaIn = [&](std::string_view text, SizeBox box, int size) {
        if (text.find(',') == std::string_view::npos) return false;
        ViewMessageBox(ctx, kAppName, "入力値に\",\"は使用しないでください。", Icon::Exclamation);
        update.reset = box;
        update.resetText = std::to_string(size);
        return true;
    };
    if (commaIn(width, SizeBox::Width, ctx.field.fieldWidth)) return update;
    if (commaIn(height, SizeBox::Height, ctx.field.fieldHeight)) return update;
    update.line = TotalCellsLine(LeadingNumber(width) * LeadingNumber(height));
    return update;
}

FieldSizeCheck CheckFieldSizeOnOk(Context& ctx, std::string_view width, std::string_view height) {
    FieldSizeCheck check;
    const std::int64_t w = LeadingInteger(width);
    const std::int64_t h = LeadingInteger(height);
    const auto tooSmall = [&](SizeBox box) {
        ViewMessageBox(ctx, kAppName, "1 以上の整数を入力してください。", Icon::Exclamation);
        check.focus = box;
        return check;
    };
    if (w < 1) return tooSmall(SizeBox::Width);
    if (h < 1) return tooSmall(SizeBox::Height);
    const Field& f = ctx.field;
    if (w == f.fieldWidth && h == f.fieldHeight) {
        check.accept = true;
        return check;
    }
    if (LeadingNumber(width) * LeadingNumber(height) > kLargeFieldCells) {
        const Button answer = ViewMessageBox(ctx, kAppName,
                                             "フィールドが大きすぎると、メモリ使用量が大きくなり、"
                                             "動作も遅くなります。\n\n続行しますか。",
                                             Icon::Exclamation, Buttons::YesNo, Button::No);
        if (answer != Button::Yes) {
            check.focus = SizeBox::Width;
            check.restore = true;
            check.restoreWidth = std::to_string(f.fieldWidth);
            check.restoreHeight = std::to_string(f.fieldHeight);
            return check;
        }
    }
    check.accept = true;
    return check;
}

bool RebuildField(Context& ctx, int width, int height) {
    const BusyScope busy(ctx);
    ctx.run.rebuilding = true;
    const RebuildResult result =
        RebuildBlocks(ctx.field, width, height,
                      [&ctx](const AllocResult& failure) { ShowAllocationFailure(ctx, failure); });
    if (result.carried) ctx.host.invalidateView();
    ctx.run.rebuilding = false;
    return result.resized;
}

void ResizeField(Context& ctx, const FieldSizeRunner& runDialog) {
    CheckMemory(ctx);
    PauseRun(ctx);
    const std::optional<std::pair<int, int>> size =
        runDialog(ctx.field.fieldWidth, ctx.field.fieldHeight);
    if (size && (size->first != ctx.field.fieldWidth || size->second != ctx.field.fieldHeight))
        RebuildField(ctx, size->first, size->second);
    ResumeRun(ctx);
}

}  // namespace gb
