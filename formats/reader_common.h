// What the three pattern readers share: the file-not-found message, the rule text from a file,
// and the control lines' text.
#pragma once

#include <string>
#include <string_view>

namespace gb {

struct Context;

// busy = 0 and the pointer, then "ファイル"<path>"が見つかりません。" captioned
// "ファイルが見つかりません。". The open dispatch shows it when a file cannot be read.
void ReportFileNotFound(Context& ctx, const std::string& path);

// A rule as files and the clipboard spell it, made readable for ApplyRule: everything from the
// first ":" on (a topology such as ":T100,100") is dropped, and the lettered form is recognised
// whatever the case of "B" and "S" ("b3/s23", "s23/b3").
std::string FileRuleText(std::string_view text);

// The topology suffix (":T100,100") that FileRuleText last dropped since ForgetDroppedTopology,
// or empty: the Field is bounded whatever the rule asked for, and a front end may say so.
std::string DroppedTopology();
void ForgetDroppedTopology();

// The text after a two-byte control mark such as "#D", without one leading blank.
std::string_view ControlLineText(std::string_view line);

}  // namespace gb
