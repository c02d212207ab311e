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
    if (Measuring)
        openJournal(false);
}

bool frmMain::openJournal(bool replacing)
{
    Journal& journal = st_.journal;
    const SampleStore& s = st_.store;
    // Beside the recordings, or where they go when the save folder cannot be written.
    const QByteArray header = CsvHeaderText(recordingHeader(), &s.g_DataTime[0]);
    QStringList failures;
    for (const QString& folder : {st_.Settings.SaveDir, DocumentsFolder(st_.env)}) {
        const QString path = JournalPath(folder, txtSaveFileName->text(), StartDate, s.g_FileNo);
        QString why;
        if (replacing ? journal.replace(path, header, &why) : journal.begin(path, header, &why)) {
            rememberJournalFolder(folder);
            journal.sample(s.g_Datas[0], nullptr);
            for (std::size_t i = 1; i < std::size_t(s.g_DataCnt); ++i)
                journal.sample(s.g_Datas[i], s.g_DataTime[i] != s.g_DataTime[i - 1] ? &s.g_DataTime[i] : nullptr);
            return true;
        }
        failures << QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), why);
    }
    journalOff(failures.join(QStringLiteral(", ")));
    return false;
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

void frmMain::checkJournal()
{
    Journal& journal = st_.journal;
    journal.publish();
    if (const QString failure = journal.takeFailure(); !failure.isEmpty()) {
        if (Measuring)
            journalOff(failure);
        else  // the journal of a segment kept unsaved: the unsaved count says what is at stake
            st_.LogMsg(1, QStringLiteral("Journal"), QStringLiteral("ジャーナルを書き込めません: ") + failure);
    }
    if (!Measuring || st_.store.g_DataCnt == 0)
        return;
    // A file that cannot take lines any more, or none at all: a new one with the segment so far,
    // at most every few seconds, so that a disk that fails every sync is not filled with them.
    if ((journal.needsNewFile() || !journal.active()) && ClockMs() >= journalRetryAt_) {
        journalRetryAt_ = ClockMs() + JournalRetryMs;
        openJournal(journal.active());
    }
    if (protectionOff_ && journal.protecting()) {
        protectionOff_ = false;
        lblJournalOff->hide();
        st_.LogMsg(1, QStringLiteral("Journal"),
                   QStringLiteral("ジャーナルへの書き込みを再開しました: ") + QDir::toNativeSeparators(journal.path()));
        StatusBar1->showMessage(QStringLiteral("ジャーナルへの書き込みを再開しました."));
    }
}

// Crash protection is off until the journal takes lines again: logged once, and said in the
// status bar for as long as it lasts.
void frmMain::journalOff(const QString& what)
{
    if (protectionOff_)
        return;
    protectionOff_ = true;
    st_.LogMsg(1, QStringLiteral("Journal"),
               QStringLiteral("ジャーナルを書き込めません。測定はメモリ上で続けます: ") + what);
    lblJournalOff->show();
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
            recovered += RecoverJournals(st_.log, st_.env, folder, folders);
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
