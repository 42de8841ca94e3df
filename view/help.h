// Help: the keyboard and mouse texts and the help file.
#pragma once

#include <functional>
#include <string>

namespace gb {

struct Context;

extern const char* const kKeyboardHelpText;
extern const char* const kMouseHelpText;
inline constexpr const char* kHelpFileName = "説明.chm";

// A box owned by the view with the text, inside the pause bracket.
void ShowKeyboardHelp(Context& ctx);
void ShowMouseHelp(Context& ctx);

// Asks opener to show the help file (bare name, resolved against the current directory); when
// that fails, asks documentOpener (if given) to show the program's own help document; only when
// neither shows anything does the application box say so. The run is not paused.
void OpenHelpFile(Context& ctx, const std::function<bool(const std::string&)>& opener,
                  const std::function<bool()>& documentOpener = {});

// The opener of the program: the desktop's viewer for the file, when the file exists.
bool OpenWithDesktop(const std::string& fileName);

}  // namespace gb
