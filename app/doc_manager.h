// The document's side of the File menu: the open and save dialogs with the program's filters,
// Open, Save As, the recent-file list of four and the paste command.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/life_file.h"

class QFileDialog;
class QSettings;
class QWidget;

namespace gb {

struct Context;
class CommandRegistry;
class MenuBar;

struct FileFilter {
    std::string name;     // shown as it stands
    std::string pattern;  // "*.rle"
};

inline constexpr const char* kAllFilesFilterName = "すべてのファイル (*.*)";
// The document template's entry: first in the save dialog, never in the open dialog.
inline constexpr const char* kTemplateFilterName = "保存の際は必ず拡張子を指定してください";
inline constexpr const char* kUntitledName = "無題";

// The filter list of the open dialog (isOpen) or of the save dialog, in order; the first entry
// is the preselected one.
std::vector<FileFilter> FileDialogFilters(bool isOpen);

// What one open or save dialog shows.
struct FileDialogRequest {
    bool isOpen = true;
    std::string title;
    std::vector<FileFilter> filters;
    std::string fileName;  // the proposed name, its extension already stripped
};

// The dialog for a caller's proposal: for saving, the quick-launch path or "新規" take the
// place of the toolkit's proposal; in both dialogs the extension is stripped.
FileDialogRequest MakeFileDialogRequest(const Context& ctx, bool isOpen,
                                        const std::string& fileName);

// Sets up a non-native file dialog (so the filter texts stand exactly as given) for request.
void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

// The recent-file list: newest first, at most four, no path twice.
class RecentFileList {
public:
    static constexpr int kSize = 4;

    const std::vector<std::string>& files() const { return files_; }
    void add(const std::string& path);
    void remove(int index);

    // The section "Recent File List" of the profile, keys "File1".."File4".
    void load(QSettings& profile);
    void save(QSettings& profile) const;

private:
    std::vector<std::string> files_;
};

// A recent file's menu label: "&n " and the path, shortened to its file name when it lies in the
// current directory, with "&" doubled.
QString RecentFileMenuText(int n, const std::string& path, const std::string& currentDir);

class CMyDocManager {
public:
    // Runs a dialog; the chosen path, or nothing when it was cancelled.
    using DialogRunner = std::function<std::optional<std::string>(const FileDialogRequest&)>;

    CMyDocManager(Context& ctx, QWidget* window);

    // The profile holding the recent-file list (read now, written on every change).
    void setProfile(QSettings* profile);

    // The open or save dialog: the run is held (running = false) while it is up and given back
    // only when it is cancelled. fileName is the proposal in and the chosen path out.
    bool PromptFileName(std::string& fileName, bool isOpen);

    void OnFileOpen();
    void OnFileSaveAs();
    // Loads path through the document (command line, recent file, Open). False when the file
    // cannot be read.
    bool OpenDocumentFile(const std::string& path);
    void OpenRecentFile(int index);

    // The document's own name for itself: the path last opened or saved through it, else "無題".
    std::string toolkitProposal() const;
    const RecentFileList& recentFiles() const { return recent_; }
    LifeWriteSettings& lifeSettings() { return lifeSettings_; }

    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    void setLifeFormatAsker(std::function<LifeFormat()> ask) { askLifeFormat_ = std::move(ask); }

private:
    void addRecent(const std::string& path);

    Context& ctx_;
    QWidget* window_;
    QSettings* profile_ = nullptr;
    std::string pathName_;  // the document's path name, as the toolkit keeps it
    RecentFileList recent_;
    LifeWriteSettings lifeSettings_;  // the Life save format, remembered for the whole run
    DialogRunner runDialog_;
    std::function<LifeFormat()> askLifeFormat_;
};

// Open (57601), Save As (57604, enabled while the Field has live cells), the four recent-file
// commands (57616..57619) and the paste (32908, enabled while the clipboard holds text).
void RegisterDocumentCommands(CommandRegistry& registry, Context& ctx, CMyDocManager& docs);

// Puts recent-file items 2..4 after the placeholder item of the File menu; they show only while
// the list has that many files.
void InstallRecentFileMenu(MenuBar& menus, const CommandRegistry& registry);

}  // namespace gb
