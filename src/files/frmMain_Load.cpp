// Read-out mode: loading a recording file back into the store with its context.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "files/CsvReader.h"
#include "platform/Controls.h"
#include "platform/NumText.h"
#include "platform/PictureBox.h"
#include "platform/Prompts.h"
#include "trend/Scale.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

namespace tavin {

void frmMain::SelectPlusRangeByText(const QString& text)
{
    Trap(st_.log, QString(), [&] {
        for (int i = 0; i < cmbGraphRange->count(); ++i)
            if (cmbGraphRange->itemText(i).contains(text)) {
                cmbGraphRange->setCurrentIndex(i);
                mnuPlusRange_Click(i);
                return;
            }
        const double n = Val(text);
        for (int i = 0; i < cmbGraphRange->count(); ++i)
            if (Val(cmbGraphRange->itemText(i)) > n) {
                cmbGraphRange->setCurrentIndex(i);
                mnuPlusRange_Click(i);
                return;
            }
        cmbGraphRange->setCurrentIndex(cmbGraphRange->count() - 1);
    });
}

void frmMain::SelectMinusRangeByText(const QString& minusText, const QString& plusText)
{
    Trap(st_.log, QString(), [&] {
        const double m = Val(minusText);
        if (m == 0) {
            cmbRangeMinus->setCurrentIndex(0);
            return;
        }
        if (std::fabs(m) == Val(plusText)) {
            cmbRangeMinus->setCurrentIndex(1);
            return;
        }
        for (int i = 0; i < cmbRangeMinus->count(); ++i)
            if (cmbRangeMinus->itemText(i).contains(minusText)) {
                cmbRangeMinus->setCurrentIndex(i);
                return;
            }
        cmbRangeMinus->setCurrentIndex(1);
    });
}

void frmMain::cmdFileLoad_Click()
{
    const std::optional<QString> chosen = st_.env.prompts->file(
        {FileDialog::Open, QString(), st_.Settings.SaveDir, QString(),
         QStringLiteral("すべてのファイル(*.*)|*.*|CSVファイル(*.csv)|*.csv|"), 2});
    if (!chosen)
        return;
    LoadCsvFile(*chosen);
}

void frmMain::LoadCsvFile(const QString& path)
{
    AppState& s = st_;
    const QString native = QDir::toNativeSeparators(path);
    LoadFolder = native.contains(QDir::separator()) ? native.left(native.lastIndexOf(QDir::separator())) : QString();
    std::fill(s.g_Datas.begin(), s.g_Datas.end(), 0.0f);
    std::fill(s.g_DataTime.begin(), s.g_DataTime.end(), 0.0);
    std::fill(s.g_AveDatas.begin(), s.g_AveDatas.end(), 0.0f);
    l_StartPos = 0;
    s.g_DataCnt = 0;
    l_CursorPos = -1;
    lineCursor->Visible = false;
    pctLabelWork->hide();
    pctGraph1->shapesChanged();
    lblLoadFileName->setText(QFileInfo(path).fileName());

    StatusBar1->showMessage(QStringLiteral("ファイルの読み込み中..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    AveReset();

    QString failure;
    CsvSamples read;
    Trap(s.log, QString(), [&] {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            failure = f.errorString();
            return;
        }
        const QByteArray bytes = f.readAll();
        const CsvHeaderLine header = ReadCsvHeader(bytes);
        const QStringList& h = header.fields;
        OleDate start = s.env.now();
        if (h.size() >= 2) {
            if (!h[1].isEmpty() && !ParseDateField(h[1].toStdString(), start)) {
                read.badLine = 1;
                return;
            }
            lblStartTime->setText(h[0]);
        }
        s.g_FileNo = h.size() >= 3 ? std::int32_t(Val(h[2])) : 1;
        if (h.size() >= 4)
            SelectSampling(h[3]);
        if (h.size() >= 5)
            SelectPlusRangeByText(h[4]);
        if (h.size() >= 6)
            SelectMinusRangeByText(h[5], h[4]);
        if (h.size() >= 7)
            SelectTani(h[6]);
        if (h.size() >= 8)
            g_Keisu = float(Val(h[7]));
        read = ReadCsvSamples(bytes, header.next, start, s.g_Datas.data(), s.g_DataTime.data(), s.g_AveDatas.data(),
                              ave, AppState::StoreSize - 1, [&](double share) {
                                  ProgressBar1->setValue(int(share * 100));
                                  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                              });
        s.g_DataCnt = read.dataCnt;
    });
    // Whatever was read is shown as after a complete load, also when a bad line ended it.
    l_StartPos = 0;
    lblCounter->setText(QString::number(s.g_DataCnt));
    DispPageInfo(0, s.g_DataCnt - 1, false);
    if (s.g_DataCnt > 0)
        lblVariable->setText(QStringLiteral(" ----- "));
    if (!failure.isEmpty())
        StatusBar1->showMessage(QStringLiteral("読み込みエラー ") + failure);
    else if (read.badLine > 0)
        StatusBar1->showMessage(QStringLiteral("読み込みエラー %1行目").arg(read.badLine));
    else
        StatusBar1->showMessage(QStringLiteral("読み込み終了"));
    pctGraph1_Paint();
    ProgressBar1->hide();
    QApplication::restoreOverrideCursor();
}

}  // namespace tavin
