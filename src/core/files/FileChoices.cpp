#include "core/files/FileChoices.h"

#include "core/app/ConfFile.h"
#include "core/files/NameLimit.h"
#include "core/platform/TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace tavin {

QString OverwriteQuestion(const QString& path)
{
    return QStringLiteral("上書きしますか？\r\n(") + path + u')';
}

SaveTarget SaveTargetOf(const QString& chosen)
{
    SaveTarget t;
    t.path = QDir::toNativeSeparators(chosen);
    const qsizetype cut = t.path.lastIndexOf(QDir::separator());
    if (cut < 0) {
        t.none = true;
        return t;
    }
    if (const QString bad = Cp932Unencodable(t.path); !bad.isEmpty()) {
        t.refusal =
            QStringLiteral("保存先のフォルダ名またはファイル名に使えない文字があります。(%1)\r\n(").arg(bad) +
            t.path + QStringLiteral(")\r\nShift_JIS (CP932) で書ける文字の名前を選んでください。");
        return t;
    }
    t.folder = t.path.left(cut);
    t.base = t.path.mid(cut + 1);
    if (t.base.contains(u'.'))
        t.base = t.base.left(t.base.lastIndexOf(u'.'));
    if (!BaseNameFits(t.folder, t.base))
        t.refusal = BaseNameTooLongText(t.folder, t.base);
    return t;
}

std::optional<QString> CutBaseNameToFit(const QString& folder, const QString& typed)
{
    if (BaseNameFits(folder, typed))
        return std::nullopt;
    return CutToBytes(typed, FolderNameMax(folder) - LongestRecordingNameBytes(QString()));
}

ExportProposal ProposeExport(const QString& recordingName, const QString& folder, const QString& suffix)
{
    QString base = recordingName;
    if (base.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        base.chop(4);
    return {folder + QDir::separator(), base + suffix};
}

QString ExportPathOf(const QString& chosen, const QString& suffix)
{
    return QFileInfo(chosen).suffix().isEmpty() ? chosen + suffix.mid(suffix.lastIndexOf(u'.')) : chosen;
}

bool RememberRecent(QStringList& recent, const QString& path)
{
    // The settings file is code page 932: a path it cannot hold would come back as another.
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (!Cp932CanHold(native) || native.contains(u'\r') || native.contains(u'\n'))
        return false;
    recent.removeAll(native);
    recent.prepend(native);
    while (recent.size() > RecentMax)
        recent.removeLast();
    return true;
}

std::optional<QString> DropVanishedRecent(QStringList& recent, const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return std::nullopt;
    recent.removeAll(path);
    return QStringLiteral("ファイルが見つかりません。最近使ったファイルの一覧から削除しました。\r\n(") +
           QDir::toNativeSeparators(path) + u')';
}

QString RecentMenuText(int index, const QString& path)
{
    return QStringLiteral("&%1 %2").arg(index + 1).arg(
        QFileInfo(path).fileName().replace(u'&', QStringLiteral("&&")));
}

}  // namespace tavin
