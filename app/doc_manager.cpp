#include "app/doc_manager.h"

#include <QFileDialog>
#include <QMenu>
#include <QSettings>
#include <algorithm>
#include <filesystem>

#include "app/commands.h"
#include "app/life_format_dialog.h"
#include "app/menu_bar.h"
#include "app/profile.h"
#include "session/context.h"
#include "session/document.h"
#include "session/paste.h"

namespace gb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "name (pattern)" unless the name already ends with its pattern in parentheses, so Qt finds the
// pattern and shows the name as it stands.
QString QtNameFilter(const FileFilter& f) {
    const std::string tail = "(" + f.pattern + ")";
    if (f.name.size() >= tail.size() &&
        f.name.compare(f.name.size() - tail.size(), tail.size(), tail) == 0)
        return Q(f.name);
    return Q(f.name + " " + tail);
}

// The filter handed to Qt: the label as shown, then the patterns Qt matches with, which the
// dialog keeps out of sight. "*.*" means every file, as it does elsewhere; Qt's "*.*" would want
// a dot in the name.
QString QtFilterBehindLabel(const FileFilter& f) {
    const std::string matched = f.pattern == "*.*" ? "*" : f.pattern;
    return QtNameFilter(f) + " (" + Q(matched) + ")";
}

std::string CurrentDirectory() {
    std::error_code error;
    return std::filesystem::current_path(error).string();
}

std::optional<std::string> RunQtFileDialog(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    ConfigureFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.first().toStdString();
}

}  // namespace

std::vector<FileFilter> FileDialogFilters(bool isOpen) {
    if (isOpen) {
        return {
            {kAllFilesFilterName, "*.*"},
            {"RLE ファイル (*.rle)", "*.rle"},
            {"Life 1.05／1.06 ファイル，RLE ファイル (*.lif)", "*.lif"},
            {"テキスト ファイル (*.txt)", "*.txt"},
        };
    }
    return {
        {kTemplateFilterName, "*.*"},
        {"RLE ファイル (*.rle)", "*.rle"},
        {"Life 1.05／1.06 ファイル (*.lif)", "*.lif"},
        {"テキスト ファイル (*.txt)", "*.txt"},
        {kAllFilesFilterName, "*.*"},
    };
}

FileDialogRequest MakeFileDialogRequest(const Context& ctx, bool isOpen,
                                        const std::string& fileName) {
    FileDialogRequest r;
    r.isOpen = isOpen;
    r.title = isOpen ? "開く" : "名前を付けて保存";
    r.filters = FileDialogFilters(isOpen);
    r.fileName = StripExtension(isOpen ? fileName : ProposedSaveName(ctx, fileName));
    return r;
}

void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(Q(request.title));
    dialog.setAcceptMode(request.isOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // Open: the file must exist. Save: an existing file is overwritten only after a question.
    dialog.setFileMode(request.isOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    // Set before the filters, so the list shows only the labels.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    QStringList filters;
    for (const FileFilter& f : request.filters) filters << QtFilterBehindLabel(f);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
    if (!request.fileName.empty()) dialog.selectFile(Q(request.fileName));
}

void RecentFileList::add(const std::string& path) {
    std::error_code error;
    std::string full = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error || full.empty()) full = path;
    files_.erase(std::remove(files_.begin(), files_.end(), full), files_.end());
    files_.insert(files_.begin(), full);
    if (files_.size() > static_cast<std::size_t>(kSize)) files_.resize(kSize);
}

void RecentFileList::remove(int index) {
    if (index >= 0 && index < static_cast<int>(files_.size())) files_.erase(files_.begin() + index);
}

void RecentFileList::load(QSettings& profile) {
    files_.clear();
    profile.beginGroup(ProfileSection(profile, "Recent File List"));
    for (int i = 1; i <= kSize; ++i) {
        const QString path =
            profile.value(ProfileKey(profile, QStringLiteral("File%1").arg(i))).toString();
        if (!path.isEmpty()) files_.push_back(path.toStdString());
    }
    profile.endGroup();
}

void RecentFileList::save(QSettings& profile) const {
    profile.beginGroup(ProfileSection(profile, "Recent File List"));
    for (int i = 1; i <= kSize; ++i) {
        const QString key = ProfileKey(profile, QStringLiteral("File%1").arg(i));
        if (i <= static_cast<int>(files_.size()))
            profile.setValue(key, Q(files_[static_cast<std::size_t>(i - 1)]));
        else
            profile.remove(key);
    }
    profile.endGroup();
    profile.sync();
}

QString RecentFileMenuText(int n, const std::string& path, const std::string& currentDir) {
    std::string shown = path;
    const std::filesystem::path p(path);
    if (!currentDir.empty() && p.has_parent_path() &&
        p.parent_path() == std::filesystem::path(currentDir))
        shown = p.filename().string();
    QString text = Q(shown);
    text.replace("&", "&&");
    return QStringLiteral("&%1 ").arg(n) + text;
}

CMyDocManager::CMyDocManager(Context& ctx, QWidget* window) : ctx_(ctx), window_(window) {
    runDialog_ = [this](const FileDialogRequest& r) { return RunQtFileDialog(window_, r); };
    askLifeFormat_ = [this] { return AskLifeFormat(window_, lifeSettings_); };
}

void CMyDocManager::setProfile(QSettings* profile) {
    profile_ = profile;
    if (profile_ != nullptr) recent_.load(*profile_);
}

bool CMyDocManager::PromptFileName(std::string& fileName, bool isOpen) {
    ctx_.run.hold();  // the run timer keeps ticking, but nothing advances
    const FileDialogRequest request = MakeFileDialogRequest(ctx_, isOpen, fileName);
    const std::optional<std::string> chosen = runDialog_(request);
    if (!chosen) {
        ctx_.run.release();
        return false;
    }
    fileName = *chosen;
    return true;
}

void CMyDocManager::OnFileOpen() {
    std::string fileName;
    if (PromptFileName(fileName, true)) OpenDocumentFile(fileName);
}

void CMyDocManager::OnFileSaveAs() {
    std::string fileName = toolkitProposal();
    if (!PromptFileName(fileName, false)) return;
    if (!StoreDocument(ctx_, fileName, askLifeFormat_)) return;
    pathName_ = fileName;
    SetMainTitle(ctx_, FileNameOf(fileName));
    addRecent(fileName);
}

bool CMyDocManager::OpenDocumentFile(const std::string& path) {
    if (!LoadDocument(ctx_, path)) return false;
    pathName_ = path;
    addRecent(path);
    return true;
}

void CMyDocManager::OpenRecentFile(int index) {
    if (index < 0 || index >= static_cast<int>(recent_.files().size())) return;
    const std::string path = recent_.files()[static_cast<std::size_t>(index)];
    if (!OpenDocumentFile(path)) {
        // A file that is gone leaves the list.
        recent_.remove(index);
        if (profile_ != nullptr) recent_.save(*profile_);
    }
}

std::string CMyDocManager::toolkitProposal() const {
    return pathName_.empty() ? std::string(kUntitledName) : pathName_;
}

void CMyDocManager::addRecent(const std::string& path) {
    recent_.add(path);
    if (profile_ != nullptr) recent_.save(*profile_);
}

void RegisterDocumentCommands(CommandRegistry& registry, Context& ctx, CMyDocManager& docs) {
    registry.add(cmd::FileOpen, [&docs] { docs.OnFileOpen(); });
    registry.add(
        cmd::FileSaveAs, [&docs] { docs.OnFileSaveAs(); },
        [&ctx](CommandState& s) { s.enabled = HasLiveCells(ctx.view); });
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        registry.add(
            cmd::RecentFile1 + i, [&docs, i] { docs.OpenRecentFile(i); },
            [&docs, i](CommandState& s) {
                const auto& files = docs.recentFiles().files();
                const bool present = i < static_cast<int>(files.size());
                s.enabled = present;
                // The placeholder stays (greyed) while the list is empty; the others hide.
                s.visible = present || i == 0;
                if (present)
                    s.text = RecentFileMenuText(i + 1, files[static_cast<std::size_t>(i)],
                                                CurrentDirectory());
            });
    }
    registry.add(
        cmd::Paste, [&ctx] { PasteFromClipboard(ctx); },
        [&ctx](CommandState& s) { s.enabled = UpdatePasteCommand(ctx); });
}

void InstallRecentFileMenu(MenuBar& menus, const CommandRegistry& registry) {
    QAction* placeholder = menus.action(cmd::RecentFile1);
    if (placeholder == nullptr) return;
    QMenu* file = nullptr;
    for (QObject* o : placeholder->associatedObjects())
        if ((file = qobject_cast<QMenu*>(o)) != nullptr) break;
    if (file == nullptr) return;
    const QList<QAction*> actions = file->actions();
    const qsizetype at = actions.indexOf(placeholder);
    QAction* before = at + 1 < actions.size() ? actions[at + 1] : nullptr;
    for (int i = 1; i < RecentFileList::kSize; ++i) {
        const int id = cmd::RecentFile1 + i;
        auto* a = new QAction(file);
        a->setData(id);
        a->setVisible(false);
        file->insertAction(before, a);
        QObject::connect(a, &QAction::triggered, a, [&registry, id] { registry.runIfEnabled(id); });
    }
}

}  // namespace gb
