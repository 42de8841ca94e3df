// Reading within the memory there is: a read that runs out of memory ends with the reader's
// memory message instead of ending the program, and leaves everything as it was before.
#pragma once

#include <functional>
#include <string>

namespace gb {

struct Context;

// Runs read (a file or clipboard read with everything it does to the Field, the rule, the view
// and the title). When an allocation fails on the way, the cells, the generation, the rule, the
// view, the title and where the pattern came from are put back as they were, the wait cursor
// goes, and the box "メモリ不足です。" / "パターン読み込み領域が確保できません。" is shown.
// Returns false then, true when read ran to its end (whatever it found in the data).
bool ReadWithinMemory(Context& ctx, const std::function<void()>& read);

// The same for a read of the file at path, which may also fail part-way (ReadFailure): then
// everything is put back in the same way and the box of a file that cannot be read is shown
// ("ファイルが見つかりません。"). False after either failure.
bool ReadFileWithinMemory(Context& ctx, const std::string& path, const std::function<void()>& read);

}  // namespace gb
