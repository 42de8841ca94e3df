// The document: opening and saving patterns by extension, opening by path and dropped files.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "formats/life_file.h"

namespace gb {

struct Context;

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

// Loading through the document (Open command, recent file, command line): pause, wait cursor,
// the reader by extension (".txt" and ".lif" apply "23/3" first; ".cells" is a text picture),
// documentPath and currentQuickLaunchItem updated. False (after the file-not-found box, nothing
// changed but the pause) when the file cannot be opened or a read of it fails part-way, and after
// the memory box; a file the reader rejects still counts as opened.
bool LoadDocument(Context& ctx, const std::string& path);

// The reader to use for a path whose name does not say it (standard input, a pipe).
enum class PatternKind { Rle, Life, Text, Cells };
// LoadDocument with the reader chosen by the caller instead of by the extension.
bool LoadDocument(Context& ctx, const std::string& path, PatternKind kind);

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
