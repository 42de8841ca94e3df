// Command ids with their handlers and update rules. Each subsystem registers its own commands;
// the menu bar and the accelerators only carry ids.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace gb {

// What an update rule may set on a menu item when its menu opens.
struct CommandState {
    bool enabled = true;
    bool checked = false;
    bool visible = true;
    std::optional<QString> text;  // replaces the label when set
};

class CommandRegistry {
public:
    using Handler = std::function<void()>;
    using UpdateRule = std::function<void(CommandState&)>;

    void add(int id, Handler handler, UpdateRule update = {});
    bool has(int id) const { return commands_.count(id) != 0; }

    // The state the item shows: disabled when no handler is registered.
    CommandState state(int id) const;
    // Runs the handler (menu click). A handler that runs out of memory ends in onNoMemory (the
    // program's memory failure) instead of passing the exception on.
    void run(int id) const;
    void setMemoryFailure(std::function<void()> onNoMemory) { onNoMemory_ = std::move(onNoMemory); }
    // Runs the handler only when the update rule leaves the command enabled (accelerators).
    void runIfEnabled(int id) const;

private:
    struct Entry {
        Handler handler;
        UpdateRule update;
    };
    std::map<int, Entry> commands_;
    std::function<void()> onNoMemory_;
};

// Command ids.
namespace cmd {
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSaveAs = 57604;
inline constexpr int RecentFile1 = 57616;
inline constexpr int AppExit = 57665;
inline constexpr int EditClear = 57632;
inline constexpr int EditCopy = 57634;
inline constexpr int EditCut = 57635;
inline constexpr int EditPasteStd = 57637;
inline constexpr int EditUndo = 57643;
inline constexpr int EditStart = 32798;
inline constexpr int EditEnd = 32799;
inline constexpr int Paste = 32908;
inline constexpr int CentreByExtent = 32910;
inline constexpr int CentreByCentroid = 32911;
inline constexpr int MoveByAmount = 32912;
inline constexpr int QuickLaunchFirst = 32849;        // items 1..30: 32849..32878
inline constexpr int QuickLaunchThirtyFirst = 32887;  // items 31..50: 32887..32906
inline constexpr int RunStart = 32809;
inline constexpr int RunStop = 32810;
inline constexpr int RunStep = 32838;
inline constexpr int RunStopAt = 32917;
inline constexpr int ZoomOut = 32837;
inline constexpr int ZoomIn = 32836;
inline constexpr int ZoomDialog = 32789;
inline constexpr int ScrollLeft = 32840;
inline constexpr int ScrollRight = 32841;
inline constexpr int ScrollUp = 32842;
inline constexpr int ScrollDown = 32843;
inline constexpr int ScrollFieldCentre = 32844;
inline constexpr int ScrollExtentCentre = 32913;
inline constexpr int ScrollCentroid = 32848;
inline constexpr int ColorLive = 32796;
inline constexpr int ColorBack = 32886;
inline constexpr int ColorGrid = 32907;
inline constexpr int GridToggle = 32802;
inline constexpr int TimerInterval = 32811;
inline constexpr int QuickLaunchNoFileName = 32879;
inline constexpr int QuickLaunchFileName = 32880;
inline constexpr int QuickLaunchPathName = 32881;
inline constexpr int Rule = 32883;
inline constexpr int FieldSize = 32909;
inline constexpr int HelpDescription = 32916;
inline constexpr int HelpKeyboard = 32808;
inline constexpr int HelpMouse = 32915;
inline constexpr int About = 32884;
inline constexpr int CurrentDirectory = 32882;

// Id of quick-launch item n (1..50).
constexpr int QuickLaunchItem(int n) {
    return n <= 30 ? QuickLaunchFirst + n - 1 : QuickLaunchThirtyFirst + n - 31;
}
}  // namespace cmd

}  // namespace gb
