// Pasting a pattern from the clipboard's text: an RLE text or a picture of "*" and ".".
#pragma once

#include <string_view>

namespace gb {

struct Context;

// The paste command. Text that begins (after leading white space) with "x" or "#" is pasted as
// RLE; anything else as a picture centred on the field. The run stays stopped afterwards.
void PasteFromClipboard(Context& ctx);

// The RLE paste of a text whose leading white space is already removed: the reading starts at
// the centre cell. 0 when a pattern was pasted, 1 when the text was rejected (after a box).
int PasteRle(Context& ctx, std::string_view text);

// Whether the paste command is enabled: the clipboard holds text.
bool UpdatePasteCommand(Context& ctx);

}  // namespace gb
