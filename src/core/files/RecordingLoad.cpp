#include "core/files/RecordingLoad.h"

#include "core/app/basLog.h"
#include "core/platform/AppEnv.h"
#include "core/platform/Errors.h"

namespace tavin {

namespace {

// The samples after the header, and the notes on what they left out.
void ReadSamples(RecordingLoad& r, const CsvFileBytes& file, const CsvHeaderLine& header, SampleStore& store,
                 const AppEnv& env, const std::function<void(double)>& progress)
{
    const CsvHeader& h = header.header;
    if (header.badKeisu)
        r.notes << QStringLiteral("係数「%1」は使えないため1にしました").arg(header.keisuText.left(20));
    r.read = ReadCsvSamples(file.bytes, header.next, header.startGiven ? h.start : env.now(), store,
                            LoadMaxLines, progress, file.whole);
    if (r.read.rest && r.read.lines == LoadMaxLines)
        r.notes << QStringLiteral("%1行を超えた分は読み込んでいません").arg(LoadMaxLines);
    else if (r.read.rest)  // stopped by the byte limit: lines far longer than a recording's
        r.notes
            << QStringLiteral("ファイルが大きすぎるため%1行目以降は読み込んでいません").arg(r.read.lines + 2);
}

QString StatusOf(const RecordingLoad& r)
{
    QString status;
    if (!r.failure.isEmpty())
        status = QStringLiteral("読み込みエラー ") + r.failure;
    else if (r.read.badLine > 0)
        status = QStringLiteral("読み込みエラー %1行目").arg(r.read.badLine);
    else
        status = QStringLiteral("読み込み終了");
    for (const QString& note : r.notes)
        status += QStringLiteral(" (") + note + u')';
    return status;
}

}  // namespace

RecordingLoad LoadRecording(const QString& path, SampleStore& store, EventLog& log, const AppEnv& env,
                            const std::function<void(const CsvHeaderLine&)>& applyHeader,
                            const std::function<void(double)>& progress)
{
    RecordingLoad r;
    Trap(log, QString(), [&] {
        try {
            const CsvFileBytes file = ReadCsvFile(path, LoadMaxLines);
            if (!file.error.isEmpty()) {
                r.failure = file.error;
                return;
            }
            const CsvHeaderLine header = ReadCsvHeader(file.bytes);
            if (header.badStart || header.malformed) {
                r.read.badLine = 1;
                return;
            }
            store.g_FileNo = header.has(CsvField::FileNo) ? header.header.fileNo : 1;
            if (applyHeader)
                applyHeader(header);
            ReadSamples(r, file, header, store, env, progress);
        } catch (const std::exception& e) {
            r.failure = describe(e);  // also logged and shown by Trap
            throw;
        }
    });
    r.status = StatusOf(r);
    r.logged = !r.failure.isEmpty() || r.read.badLine > 0 || !r.notes.isEmpty();
    r.remembered = r.failure.isEmpty() && r.read.badLine != 1 && store.g_DataCnt > 0;
    return r;
}

}  // namespace tavin
