#include "app/quick_launch_commands.h"

#include <QStringDecoder>

#include "app/commands.h"
#include "session/context.h"

namespace gb {

QString FileTextToQString(std::string_view bytes) {
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) return text;
    QStringDecoder sjis("Shift_JIS");
    if (sjis.isValid()) return sjis.decode(view);
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void RegisterQuickLaunchCommands(CommandRegistry& registry, Context& ctx, QuickLaunch& list,
                                 const PathOpeners& openers) {
    for (int n = 1; n <= kQuickLaunchMax; ++n) {
        registry.add(
            cmd::QuickLaunchItem(n),
            [&ctx, &list, openers, n] { OpenQuickLaunchItem(ctx, list, n, openers); },
            [&ctx, &list, n](CommandState& s) {
                const QuickLaunchItemState item = UpdateQuickLaunchItem(ctx, list, n);
                s.enabled = item.enabled;
                s.checked = item.checked;
                s.text = FileTextToQString(item.text);
            });
    }
    const std::pair<int, QuickLaunchDisplayMode> modes[] = {
        {cmd::QuickLaunchNoFileName, QuickLaunchDisplayMode::NoFileName},
        {cmd::QuickLaunchFileName, QuickLaunchDisplayMode::FileName},
        {cmd::QuickLaunchPathName, QuickLaunchDisplayMode::FullPath},
    };
    for (const auto& [id, mode] : modes) {
        registry.add(
            id, [&list, mode = mode] { list.displayMode = mode; },
            [&list, mode = mode](CommandState& s) { s.checked = list.displayMode == mode; });
    }
}

}  // namespace gb
