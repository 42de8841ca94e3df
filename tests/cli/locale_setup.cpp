// The tool is driven under a Japanese locale unless a test says otherwise, so that the checks of
// the program's messages read them as the program writes them; the English is checked where a
// test sets another locale (english_test.cpp).
#include <cstdlib>

namespace {

const bool kJapaneseMessages = [] { return ::setenv("LC_ALL", "ja_JP.UTF-8", 1) == 0; }();

}  // namespace
