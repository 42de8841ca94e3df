#include "frontends/cli/english.h"

#include <cstdlib>
#include <vector>

namespace gb::cli {

namespace {

constexpr MessageLine kLines[] = {
    // Opening and saving.
    {"ファイルが見つかりません。", "File not found."},
    {"ファイル\"{}\"が見つかりません。", "The file \"{}\" was not found."},
    {"認識できない拡張子です。", "Unrecognised extension."},
    {"RLE形式として保存します。", "The pattern is saved as RLE."},
    {"保存できません。", "Cannot save."},
    {"ファイル\"{}\"に保存できませんでした。\r\n({})\r\n元のファイルは変更されていません。",
     "The pattern could not be saved to the file \"{}\".\r\n({})\r\nThe old file was not changed."},
    {"ファイル\"{}\"に保存できませんでした。\r\n({})"
     "\r\n元のファイルは変更されましたが、元に戻せませんでした。",
     "The pattern could not be saved to the file \"{}\".\r\n({})\r\nThe old file was changed and "
     "could not be put back."},
    {"テキストファイルに保存できません。", "Cannot save as a text file."},
    {"パターンの幅が{}セルあります。テキストファイルに保存できるのは幅{}"
     "セルまでです。\r\nRLE形式かLife形式で保存してください。",
     "The pattern is {} cells wide; a text file holds patterns up to {} cells wide.\r\nSave it as "
     "RLE or Life instead."},
    {"\n（長いため、以降は省略しました。）\n", "\n(The rest was left out: it is too long.)\n"},
    {"メモリ不足です。", "Out of memory."},
    {"パターン読み込み領域が確保できません。", "The pattern loading area cannot be allocated."},
    // Life files.
    {"サポートしていないファイル形式です。", "Unsupported file format."},
    {"サポートしていないファイル形式なので読み込めません。",
     "The file is in a format that is not supported, so it cannot be read."},
    {"Life 1.05／Life 1.06 以外のフォーマットが指定されました。",
     "A format other than Life 1.05 or Life 1.06 was given."},
    {"フォーマットの指定が無効です。", "The format given is not valid."},
    // RLE files.
    {"RLE形式として読み込みましたが、データが\"x\"または\"#\"で始まっていません。",
     "The file was read as RLE, but its data does not start with \"x\" or \"#\"."},
    {"パターンデータの中に認識できない文字が見つかりました。",
     "Unrecognised characters were found in the pattern data."},
    {"パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" だけです。\r\n"
     "このファイルは読み込めません。",
     "Pattern data may only use \"b\", \"o\", \"$\", digits and \"!\".\r\nThis file cannot be "
     "read."},
    {"認識できないデータ構造です。", "Unrecognised data structure."},
    {"有効なパターンデータが見つかりませんでした。", "No valid pattern data was found."},
    // Text pictures.
    {"テキストファイルに下記の無効なデータが含まれています。",
     "The text file contains the invalid data below."},
    {"{}\r\n\r\n読み込みを強行しますか。", "{}\r\n\r\nLoad it anyway?"},
    {"セルが存在していません。", "There are no cells."},
    {"保存するデータがありません。", "There is nothing to save."},
    // Clipboard paste.
    {"クリップボードのテキストに下記の無効なデータが含まれています。",
     "The clipboard text contains the invalid data below."},
    {"{}\r\n\r\n貼り付けを強行しますか。", "{}\r\n\r\nPaste it anyway?"},
    {"RLEデータ貼り付け機能。サポートしていないデータ形式です。",
     "RLE paste: unsupported data format."},
    {"RLE形式として貼り付けを試みましたが、データが\"x\"または\"#\"で始まっていません。",
     "The data was pasted as RLE, but it does not start with \"x\" or \"#\"."},
    {"RLEデータ貼り付け機能。パターンデータの中に認識できない文字が見つかりました。",
     "RLE paste: unrecognised characters were found in the pattern data."},
    {"パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" だけです。\r\n"
     "このデータは貼り付けできません。",
     "Pattern data may only use \"b\", \"o\", \"$\", digits and \"!\".\r\nThis data cannot be "
     "pasted."},
    {"RLEデータ貼り付け機能。認識できないデータ構造です。",
     "RLE paste: unrecognised data structure."},
    {"RLEデータ貼り付け機能。下記の文字列はコメントとして扱われ、パターンデータとしては認識されませ"
     "ん。",
     "RLE paste: the text below is taken as a comment, not as pattern data."},
    {"クリップボードのデータがテキスト形式ではないようです。",
     "The clipboard does not seem to hold text."},
    {"クリップボードからのデータ取得に失敗しました。",
     "The data could not be taken from the clipboard."},
    {"クリップボードに有効なデータがありません。", "The clipboard holds no usable data."},
    {"貼り付けできません。", "Nothing can be pasted."},
    // Quick launch.
    {"クイック起動データファイルが見つかりません", "Quick launch data file not found"},
    {"クイック起動データファイル\"quicklaunch.dat\"が見つかりません。",
     "The quick launch data file \"quicklaunch.dat\" was not found."},
    {"クイック起動データファイルのバージョンが異なります。",
     "The quick launch data file is of another version."},
    {"クイック起動データファイルのバージョンが異なるので読み込めません。",
     "The quick launch data file is of another version, so it cannot be read."},
    // Rules.
    {"ルール設定文字列が見つかりません。", "No rule was given."},
    {"ルール設定文字列を入力してください。", "Give a rule."},
    {"ルール設定文字列に認識できない文字\"{}\"が含まれています。",
     "The rule holds the unrecognised characters \"{}\"."},
    {"ルール設定文字列には\"B\"・\"S\" および 0～8の数字と\"/\"しか使えません。",
     "A rule may only use \"B\", \"S\", the digits 0 to 8 and \"/\"."},
    {"ルールの指定があいまいです。", "The rule is ambiguous."},
    {"\"B{}\" または \"S{}\" と指定するか、\"/{}\" または \"{}/\" と指定してください。",
     "Give \"B{}\" or \"S{}\", or \"/{}\" or \"{}/\"."},
    {"ルール設定文字列に\"/\"が2個以上見つかりました。", "The rule holds more than one \"/\"."},
    {"ルール設定文字列に\"/\"は1個しか使えません。", "A rule may hold only one \"/\"."},
    {"デフォルト(23/3)以外のルールが適用されます。",
     "A rule other than the default (23/3) applies."},
    {"適用されるルール   {}   ({})\r\n\r\n隣人  0  1  2  3  4  5  6  7  8\r\n"
     "--------------------------\n\r生存{}\r\n誕生{}",
     "Rule   {}   ({})\r\n\r\nneighbours  0  1  2  3  4  5  6  7  8\r\n"
     "-------------------------------------\n\rsurvival  {}\r\nbirth     {}"},
    // Memory.
    {"計算エラー。", "Calculation error."},
    {"パターン記録領域のセル数が多すぎるようです。", "The field seems to hold too many cells."},
    {"パターン記録領域が確保できません。", "The field cannot be allocated."},
    {"パターン読み込み領域のセル数が多すぎるようです。",
     "The pattern loading area seems to hold too many cells."},
    {"メモリ領域が確保できないので起動できません。",
     "Memory cannot be allocated, so the program cannot start."},
    {"メモリ領域が確保できないため終了します。", "Memory cannot be allocated: the program ends."},
};

constexpr std::string_view kHole = "{}";

// The parts of text that stand where pattern has "{}", when text is pattern filled in.
std::optional<std::vector<std::string_view>> Holes(std::string_view pattern,
                                                   std::string_view text) {
    std::vector<std::string_view> pieces;
    for (std::size_t from = 0;;) {
        const std::size_t hole = pattern.find(kHole, from);
        pieces.push_back(pattern.substr(from, hole == std::string_view::npos ? hole : hole - from));
        if (hole == std::string_view::npos) break;
        from = hole + kHole.size();
    }
    if (pieces.size() == 1) {
        if (pattern != text) return std::nullopt;
        return std::vector<std::string_view>{};
    }
    const std::string_view first = pieces.front(), last = pieces.back();
    if (text.size() < first.size() + last.size() || !text.starts_with(first) ||
        !text.ends_with(last))
        return std::nullopt;
    const std::size_t end = text.size() - last.size();
    std::vector<std::string_view> holes;
    std::size_t pos = first.size();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        const std::size_t at = text.find(pieces[i], pos);
        if (at == std::string_view::npos || at + pieces[i].size() > end) return std::nullopt;
        holes.push_back(text.substr(pos, at - pos));
        pos = at + pieces[i].size();
    }
    holes.push_back(text.substr(pos, end - pos));
    return holes;
}

}  // namespace

std::span<const MessageLine> MessageLines() { return kLines; }

std::string InEnglish(std::string_view text) {
    for (const MessageLine& line : kLines) {
        const auto holes = Holes(line.program, text);
        if (!holes) continue;
        std::string out;
        std::size_t from = 0, next = 0;
        for (std::size_t hole; (hole = line.english.find(kHole, from)) != std::string_view::npos;) {
            out += line.english.substr(from, hole - from);
            if (next < holes->size()) out += (*holes)[next++];
            from = hole + kHole.size();
        }
        return out += line.english.substr(from);
    }
    return std::string(text);
}

bool JapaneseMessages(std::optional<std::string_view> lcAll,
                      std::optional<std::string_view> lcMessages,
                      std::optional<std::string_view> lang) {
    for (const auto& value : {lcAll, lcMessages, lang})
        if (value && !value->empty()) return value->starts_with("ja");
    return false;
}

bool JapaneseMessages() {
    const auto get = [](const char* name) -> std::optional<std::string_view> {
        const char* value = std::getenv(name);
        if (value == nullptr) return std::nullopt;
        return std::string_view(value);
    };
    return JapaneseMessages(get("LC_ALL"), get("LC_MESSAGES"), get("LANG"));
}

}  // namespace gb::cli
