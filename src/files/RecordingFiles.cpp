#include "files/RecordingFiles.h"

#include "app/basLog.h"
#include "platform/AppEnv.h"
#include "platform/TextFile.h"
#include "trend/Scale.h"

#include <QDir>
#include <QFileInfo>

namespace tavin {

QString UniqueRecordingPath(const QString& path)
{
    QString free = path;
    for (int n = 2; QFileInfo::exists(free); ++n)
        free = path.left(path.size() - 4) + QStringLiteral("-%1.csv").arg(n);
    return free;
}

CsvHeader RecordingHeader(const QString& startText, std::int32_t fileNo, std::int32_t sampling, int rangePlus,
                          int rangeMinus, const QString& unit, float keisu)
{
    CsvHeader h;
    h.startText = startText;
    h.fileNo = fileNo;
    h.sampling = sampling;
    h.plusRange = PlusRangeTexts().value(rangePlus);
    h.minusRange = MinusRangeField(rangeMinus, h.plusRange, MinusRangeTexts().value(rangeMinus));
    h.unit = unit;
    h.keisu = keisu;
    return h;
}

namespace {

// The file at a free name near `target`; empty with the reason when it could not be written.
QString writeRecording(const QString& target, const std::function<bool(QIODevice&)>& content, QString* why)
{
    const QString path = UniqueRecordingPath(target);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *why = QStringLiteral("フォルダを作成できません。");
        return QString();
    }
    return ReplaceFileAtomically(path, path + QStringLiteral(".part"), content, why) ? path : QString();
}

}  // namespace

SavedRecording SaveRecording(EventLog& log, const AppEnv& env, const QString& path,
                             const std::function<bool(QIODevice&)>& content)
{
    QString why;
    if (QString saved = writeRecording(path, content, &why); !saved.isEmpty())
        return {SaveOutcome::Saved, saved};
    log.LogMsg(2, QStringLiteral("SaveCsvFile"),
               QStringLiteral("保存できません: %1 (%2)").arg(QDir::toNativeSeparators(path), why));
    const QString fallback = QDir(DocumentsFolder(env)).filePath(QFileInfo(path).fileName());
    if (QString saved = writeRecording(fallback, content, &why); !saved.isEmpty()) {
        log.LogMsg(1, QStringLiteral("SaveCsvFile"),
                   QStringLiteral("%1 に保存しました。").arg(QDir::toNativeSeparators(saved)));
        return {SaveOutcome::SavedInDocuments, saved};
    }
    log.LogMsg(2, QStringLiteral("SaveCsvFile"),
               QStringLiteral("測定データを保存できませんでした: %1 (%2)").arg(QDir::toNativeSeparators(fallback), why));
    return {SaveOutcome::Failed, QString()};
}

}  // namespace tavin
