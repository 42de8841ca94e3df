#include "session/pattern_save.h"

#include <utility>

#include "formats/rle_writer.h"
#include "formats/text_file.h"
#include "session/context.h"

namespace gb {

namespace {

std::string Shown(Context& ctx, WriteResult result) {
    ShowWriteRefusal(ctx, result);
    return std::move(result.bytes);
}

}  // namespace

void ShowWriteRefusal(Context& ctx, const WriteResult& result) {
    switch (result.refusal) {
        case WriteRefusal::None: return;
        case WriteRefusal::NothingToSave:
            ctx.shell.messageCaption = "セルが存在していません。";
            AppMessageBox(ctx, "保存するデータがありません。", Icon::Exclamation);
            return;
        case WriteRefusal::TooWideForText:
            ctx.shell.messageCaption = "テキストファイルに保存できません。";
            AppMessageBox(ctx,
                          "パターンの幅が" + std::to_string(result.patternWidth) +
                              "セルあります。テキストファイルに保存できるのは幅" +
                              std::to_string(kTextWidestRow) +
                              "セルまでです。\r\nRLE形式かLife形式で保存してください。",
                          Icon::Exclamation);
            return;
        case WriteRefusal::InvalidLifeFormat:
            ctx.shell.messageCaption = "Life 1.05／Life 1.06 以外のフォーマットが指定されました。";
            AppMessageBox(ctx, "フォーマットの指定が無効です。", Icon::Exclamation);
            return;
    }
}

std::string WriteRlePattern(Context& ctx) {
    CheckMemory(ctx);
    return WriteRleFile(ctx.field, ctx.rule.ruleText);
}

std::string WriteLifePattern(Context& ctx, LifeFormat format) {
    CheckMemory(ctx);
    return Shown(ctx, WriteLifeFile(ctx.field, ctx.rule.ruleText, format));
}

std::string WriteTextPattern(Context& ctx) {
    CheckMemory(ctx);
    // The menu's idea of live cells is the last frame's count, which a save goes by as well.
    if (!HasLiveCells(ctx.view))
        return Shown(ctx, WriteResult::Refused(WriteRefusal::NothingToSave));
    return Shown(ctx, WriteTextFile(ctx.field, ctx.rule.ruleText));
}

}  // namespace gb
