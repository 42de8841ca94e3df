// RLE pattern files: the writer.
#pragma once

#include <string>

namespace gb {

struct Context;

// The Field's live extent as an RLE file, CR LF line ends.
std::string WriteRleFile(Context& ctx);

}  // namespace gb
