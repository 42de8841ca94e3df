// Reading within the memory there is. A reading parses first (into the staging grid, which the
// user does not see) and applies what it found only when the parse succeeded: a parse that runs
// out of memory or fails part-way changes nothing, and only the apply, which may still run out of
// memory, is undone by a copy of what it changes.
#pragma once

#include <functional>
#include <string>

namespace gb {

struct Context;

// busy = 0 and the pointer, then "ファイル"<path>"が見つかりません。" captioned
// "ファイルが見つかりません。": a file that cannot be opened or read.
void ReportFileNotFound(Context& ctx, const std::string& path);

// Runs read, which changes nothing the user sees (a parse; its questions may be asked). When an
// allocation fails on the way, the wait cursor goes, the view is drawn again and the box
// "メモリ不足です。" / "パターン読み込み領域が確保できません。" is shown. Returns false then, true
// when read ran to its end (whatever it found in the data).
bool ReadWithinMemory(Context& ctx, const std::function<void()>& read);

// How a guarded read of a file ended.
enum class ReadEnd { Done, OutOfMemory, ReadFailed };
// The same for a read of the file at path, which may also fail part-way (ReadFailure): then the
// box of a file that cannot be read is shown ("ファイルが見つかりません。").
ReadEnd ReadFileWithinMemory(Context& ctx, const std::string& path,
                             const std::function<void()>& read);

// Runs apply, which puts a parsed pattern in place (the cells, the generation, the rule, the
// view, the title and where the pattern came from). When an allocation fails on the way all of
// these are put back as they were, the wait cursor goes and the memory box above is shown; also
// when the copy of them cannot be made, and then apply does not run. False after the box.
bool ApplyWithinMemory(Context& ctx, const std::function<void()>& apply);

}  // namespace gb
