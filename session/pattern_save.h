// The pattern writers as the session runs them: the memory check, the writer on the Field and
// the current rule, and a refusal told to the user in its box.
#pragma once

#include <string>

#include "formats/life_file.h"
#include "formats/write_result.h"

namespace gb {

struct Context;

// The box of a writer's refusal; nothing for a written file.
void ShowWriteRefusal(Context& ctx, const WriteResult& result);

// Each returns the file's bytes, or nothing after the refusal's box. A text picture is refused
// as well when the last frame counted no live cell.
std::string WriteRlePattern(Context& ctx);
std::string WriteLifePattern(Context& ctx, LifeFormat format);
std::string WriteTextPattern(Context& ctx);

}  // namespace gb
