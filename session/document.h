// The document: opening and saving patterns by extension, opening by path and dropped files.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "formats/bytes.h"
#include "formats/life_file.h"
#include "formats/pattern.h"

namespace gb {

struct Context;
struct Field;

// Opens a path for reading without ever blocking on the opening: files, pipes, FIFOs and
// character devices are read to their end (a FIFO without a writer reads as empty). -1 when it
// cannot be opened (missing, a directory, no permission). The caller closes the descriptor.
int OpenForReading(const std::string& path);

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Opening by path, without touching the rule first. Each returns 0.
int OpenLifePath(Context& ctx, const std::string& path);
int OpenTextPath(Context& ctx, const std::string& path);
int OpenRlePath(Context& ctx, const std::string& path);
int OpenCellsPath(Context& ctx, const std::string& path);

// The reader to use for a path whose name does not say it (standard input, a pipe).
enum class PatternKind { Rle, Life, Text, Cells };
// The reader a name says: ".txt" text, ".lif" Life, ".cells" Plaintext, anything else RLE.
PatternKind KindOfPath(std::string_view path);

// How a load through the document ended.
enum class LoadStatus { Loaded, Refused, Declined, NotFound, ReadFailed, OutOfMemory };
struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    std::string notice;           // the file's notice texts (Loaded), shown or not
    std::string droppedTopology;  // the topology suffix its rule named and the Field ignores
    // A file read to its end counts as opened, whatever the reader made of it.
    bool opened() const {
        return status == LoadStatus::Loaded || status == LoadStatus::Refused ||
               status == LoadStatus::Declined;
    }
};

// Loading through the document (Open command, recent file, command line): pause, wait cursor,
// the reader of kind (Text and Life apply "23/3" first), the pattern applied, documentPath and
// currentQuickLaunchItem updated. A file that cannot be opened, a read of it that fails
// part-way and a lack of memory change nothing but the pause (after their box); a file the
// reader refuses still counts as opened. The notice is shown only when showNotice is set.
LoadResult LoadPattern(Context& ctx, const std::string& path, PatternKind kind,
                       bool showNotice = true);
// LoadPattern by the path's extension; true when the file counts as opened.
bool LoadDocument(Context& ctx, const std::string& path);
// The same with the reader chosen by the caller instead of by the extension.
bool LoadDocument(Context& ctx, const std::string& path, PatternKind kind);

// Clears the grid (generation 0) and places the staged cells of pattern on it.
void PlacePattern(Field& field, const StagedPattern& pattern);

// One reader over an input as opening a file runs it, without the document's part: the memory
// check and the wait cursor, the read, then the refusal's box or the pattern applied. 0: loaded
// (or, for a ".lif" file, handed to the RLE reader); 1: refused or declined.
int ReadRleFile(Context& ctx, TextInput& input, const std::string& path);
int ReadLifeFile(Context& ctx, TextInput& input, const std::string& path);
int ReadTextFile(Context& ctx, TextInput& input, const std::string& path);
int ReadCellsFile(Context& ctx, TextInput& input, const std::string& path);
// The same over a file's bytes (in text mode).
int ReadRleFile(Context& ctx, std::string_view bytes, const std::string& path);
int ReadLifeFile(Context& ctx, std::string_view bytes, const std::string& path);
int ReadTextFile(Context& ctx, std::string_view bytes, const std::string& path);
int ReadCellsFile(Context& ctx, std::string_view bytes, const std::string& path);

// Saving through the document: pause, wait cursor, the writer by extension (an unknown one is
// written as RLE after a warning), then a safe write. chooseLifeFormat is asked only for ".lif".
// Returns whether the file was written.
bool StoreDocument(Context& ctx, const std::string& path,
                   const std::function<LifeFormat()>& chooseLifeFormat);

// A file dropped on the view: the reader by extension (".text" and ".cells" too),
// documentPath = path, currentQuickLaunchItem = -1.
void DropPatternFile(Context& ctx, const std::string& path);

// The name the save dialog proposes, before its extension is stripped.
std::string ProposedSaveName(const Context& ctx, const std::string& toolkitProposal);

}  // namespace gb
