// Where the program finds its files and keeps the user's: beside itself in a build or a copied
// folder, or spread over an installed prefix (<prefix>/bin, <prefix>/share/gridbloom and the
// user's configuration directory).
#pragma once

#include <QString>
#include <functional>

namespace gb {

// <prefix>/share/gridbloom when the program runs from an installed prefix: no quicklaunch.dat
// beside the program, one in ../share/gridbloom. Empty otherwise.
QString InstalledDataDirectory(const QString& programFile);

// Whether a new file can be made in a directory: the access bits first, then a file made and
// removed there (the bits say yes on immutable folders and some network shares).
bool DirectoryTakesFiles(const QString& dir);

// Gridbloom.ini for the program at programFile. An installed program keeps it under the user's
// configuration directory configHome ($XDG_CONFIG_HOME), in Gridbloom/; any other keeps it beside
// itself, so a build or a copied folder carries its settings along, unless that directory does
// not take files (the same place under configHome then). An empty configHome leaves the file
// beside the program.
QString ProfileLocation(
    const QString& programFile, const QString& configHome,
    const std::function<bool(const QString&)>& takesFiles = DirectoryTakesFiles);

// The help document (help/index.html) beside the program, or in the data directory of an
// installed prefix. Empty when there is none.
QString HelpDocumentLocation(const QString& programFile);

// Opens the help document of the running program with the desktop's viewer; false when there is
// none or the desktop cannot show it.
bool OpenHelpDocument();

}  // namespace gb
