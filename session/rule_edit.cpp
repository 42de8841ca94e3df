#include "session/rule_edit.h"

#include "session/context.h"
#include "session/run.h"
#include "session/shell.h"

namespace gb {

namespace {

constexpr const char* kNotFoundCaption = "ルール設定文字列が見つかりません。";
constexpr const char* kNotFoundText = "ルール設定文字列を入力してください。";

// Full-width "０" (U+FF10) to "８" (U+FF18) and "／" (U+FF0F) are EF BC 90..98 and EF BC 8F.
std::string NarrowDigitsAndSlash(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF &&
            static_cast<unsigned char>(text[i + 1]) == 0xBC) {
            const auto third = static_cast<unsigned char>(text[i + 2]);
            if (third >= 0x90 && third <= 0x98) {
                out += static_cast<char>('0' + (third - 0x90));
                i += 2;
                continue;
            }
            if (third == 0x8F) {
                out += '/';
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool IsRuleCharacter(char c) {
    return c == 'B' || c == 'S' || c == '/' || (c >= '0' && c <= '8') || c == ' ' || c == '\t' ||
           c == '\n';
}

}  // namespace

RuleTextCheck ValidateRuleText(std::string_view text) {
    RuleTextCheck check;
    if (text.empty()) {
        check.caption = kNotFoundCaption;
        check.text = kNotFoundText;
        return check;
    }
    const std::string n = NarrowDigitsAndSlash(text);

    std::string unrecognised;
    for (char c : n)
        if (!IsRuleCharacter(c)) unrecognised += c;
    if (!unrecognised.empty()) {
        check.caption =
            "ルール設定文字列に認識できない文字\"" + unrecognised + "\"が含まれています。";
        check.text = "ルール設定文字列には\"B\"・\"S\" および 0～8の数字と\"/\"しか使えません。";
        return check;
    }

    if (n.find_first_of("/BS") == std::string::npos) {
        check.caption = "ルールの指定があいまいです。";
        check.text = "\"B" + n + "\" または \"S" + n + "\" と指定するか、\"/" + n + "\" または \"" +
                     n + "/\" と指定してください。";
        return check;
    }

    if (n.find('/') != n.rfind('/')) {
        check.caption = "ルール設定文字列に\"/\"が2個以上見つかりました。";
        check.text = "ルール設定文字列に\"/\"は1個しか使えません。";
        return check;
    }

    check.ok = true;
    check.rule = n;
    return check;
}

std::optional<std::string> RuleDialogOk(Context& ctx, std::string_view text) {
    RuleTextCheck check = ValidateRuleText(text);
    if (check.ok) return std::move(check.rule);
    ctx.shell.messageCaption = check.caption;
    AppMessageBox(ctx, check.text, Icon::Exclamation);
    return std::nullopt;
}

void EditRule(Context& ctx, const RuleDialogRunner& runDialog) {
    PauseRun(ctx);
    if (const std::optional<std::string> result = runDialog(ctx.rule.ruleText)) {
        if (result->empty()) {
            ctx.shell.messageCaption = kNotFoundCaption;
            AppMessageBox(ctx, kNotFoundText, Icon::Exclamation);
        } else {
            ctx.rule.ruleText = *result;
            ctx.rule.ruleText = ApplyRule(ctx, ctx.rule.ruleText);
        }
    }
    ResumeRun(ctx);
}

}  // namespace gb
