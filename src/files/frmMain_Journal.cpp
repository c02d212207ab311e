// Keeping what was measured: every stored sample also goes into the segment's journal, a segment
// whose recording cannot be written is kept and saved again, a journal left by a program that
// ended without saving becomes a recording at the next start.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "files/RecordingFiles.h"
#include "platform/Controls.h"
#include "platform/Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>

namespace tavin {

CsvHeader frmMain::recordingHeader() const
{
    return RecordingHeader(lblStartTime->text(), st_.store.g_FileNo, st_.Settings.Sampling, st_.Settings.RangePlus,
                           st_.Settings.RangeMinus, lblTani->text(), st_.g_Keisu);
}

void frmMain::journalSample(std::int32_t index, float value, OleDate time)
{
    Journal& journal = st_.journal;
    if (index > 0) {
        if (journal.active())
            journal.sample(value, time != st_.store.g_DataTime[std::size_t(index) - 1] ? &time : nullptr);
        return;
    }
    // A journal still open here belongs to a segment that ended without a save: leave it whole
    // for the recovery rather than lose it.
    if (journal.active())
        journal.release(journal.keep());
    if (!Measuring)
        return;
    // Beside the recordings, or where they go when the save folder cannot be written.
    const QByteArray header = CsvHeaderText(recordingHeader(), &time);
    QStringList failures;
    for (const QString& folder : {st_.Settings.SaveDir, DocumentsFolder(st_.env)}) {
        const QString path = JournalPath(folder, txtSaveFileName->text(), StartDate, st_.store.g_FileNo);
        QString why;
        if (journal.begin(path, header, &why)) {
            rememberJournalFolder(folder);
            journal.sample(value, nullptr);
            return;
        }
        failures << QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), why);
    }
    reportJournalFailure(failures.join(QStringLiteral(", ")));
}

QString frmMain::journalFolderList() const
{
    return st_.env.exePath(st_.env.exeBaseName + QStringLiteral(".journals"));
}

void frmMain::rememberJournalFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    if (journalFolders_.contains(clean))
        return;
    journalFolders_.append(clean);
    // Another copy of the program may have remembered folders of its own meanwhile.
    QStringList all = ReadJournalFolders(journalFolderList()) + journalFolders_;
    all.removeDuplicates();
    WriteJournalFolders(journalFolderList(), all);
}

void frmMain::journalContextChanged()
{
    if (st_.journal.active() && st_.store.g_DataCnt > 0)
        st_.journal.line(CsvHeaderText(recordingHeader(), &st_.store.g_DataTime[0]));
}

// Once a measurement: a folder that cannot take the journal fails the same way at every segment.
void frmMain::reportJournalFailure(const QString& what)
{
    if (journalFailureReported_)
        return;
    journalFailureReported_ = true;
    st_.LogMsg(1, QStringLiteral("Journal"),
               QStringLiteral("ジャーナルを書き込めません。測定はメモリ上で続けます: ") + what);
    StatusBar1->showMessage(QStringLiteral("ジャーナルを書き込めません。測定はメモリ上で続けます."));
}

void frmMain::SaveSegment()
{
    saveUnsaved();  // older segments first, so that recordings keep their order
    QString path;
    if (AutoSaveCsv(&path)) {
        st_.journal.remove();
        return;
    }
    const SampleStore& s = st_.store;
    const auto n = std::size_t(s.g_DataCnt);
    st_.unsaved.add({path, recordingHeader(), lblEndTime->text(),
                     std::vector<float>(s.g_Datas.begin(), s.g_Datas.begin() + std::ptrdiff_t(n)),
                     std::vector<OleDate>(s.g_DataTime.begin(), s.g_DataTime.begin() + std::ptrdiff_t(n)),
                     st_.journal.keep()},
                    st_.log, st_.journal);
    showUnsaved();
}

void frmMain::saveUnsaved()
{
    if (st_.unsaved.empty())
        return;
    if (st_.unsaved.saveAll(st_.log, st_.env, st_.journal) > 0)
        StatusBar1->showMessage(QStringLiteral("保存できなかった測定データを保存しました."));
    showUnsaved();
}

void frmMain::showUnsaved()
{
    const int n = st_.unsaved.count();
    lblUnsaved->setText(QStringLiteral("未保存の測定データ: %1 区間").arg(n));
    lblUnsaved->setVisible(n > 0);
    if (n == 0)
        tmrUnsaved->stop();
    else if (!tmrUnsaved->isActive())
        tmrUnsaved->start();
}

bool frmMain::goOnWithUnsaved(const QString& question)
{
    saveUnsaved();
    if (st_.unsaved.empty())
        return true;
    return st_.env.prompts->message(
               {QStringLiteral("保存できなかった測定データが %1 区間あります。保存先に書き込めるようになると"
                               "自動で保存します。\r\n")
                        .arg(st_.unsaved.count()) +
                    question,
                windowTitle(), MsgButtons::YesNo, MsgIcon::Exclamation}) == MsgAnswer::Yes;
}

void frmMain::recoverJournals()
{
    // The save folder, the Documents folder where journals go when it cannot be written, and
    // every folder a journal went to before.
    QStringList folders = ReadJournalFolders(journalFolderList());
    folders.prepend(DocumentsFolder(st_.env));
    folders.prepend(st_.Settings.SaveDir);
    for (QString& f : folders)
        f = QDir::cleanPath(f);
    folders.removeDuplicates();
    QList<RecoveredJournal> recovered;
    journalFolders_.clear();
    for (const QString& folder : folders) {
        const QDir dir(folder);
        if (dir.exists())
            recovered += RecoverJournals(st_.log, st_.env, folder);
        // Still remembered: a folder out of reach now (a network share, a removed stick), and
        // one where journals stay (a running program's, or ones that could not be saved).
        if (!dir.exists() || !dir.entryList({QStringLiteral("*.journal")}, QDir::Files).isEmpty())
            journalFolders_.append(folder);
    }
    WriteJournalFolders(journalFolderList(), journalFolders_);
    if (recovered.isEmpty())
        return;
    const RecoveredJournal& last = recovered.constLast();
    StatusBar1->showMessage(
        recovered.size() == 1
            ? QStringLiteral("前回の測定を復旧しました: %1 (%2 件)").arg(QFileInfo(last.path).fileName()).arg(last.samples)
            : QStringLiteral("前回の測定を %1 ファイルに復旧しました.").arg(recovered.size()));
}

}  // namespace tavin
