// The sample store's entry point: keeps each decoded value with its time and advances the counter.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/Controls.h"

#include <QColor>
#include <QTimer>

namespace tavin {

void frmMain::GraphDispAndDataSave(float& value, std::int32_t index)
{
    Trap(st_.log, QStringLiteral("GraphDispAndDataSave"), [&] {
        if (index < 0 || index >= AppState::StoreSize)
            throw RuntimeError(QStringLiteral("インデックスが有効範囲にありません。"));
        st_.g_Datas[std::size_t(index)] = value;
        st_.g_DataTime[std::size_t(index)] = LastRecvTime;
        st_.g_DataCnt = index + 1;
        lblCounter->setText(QString::number(st_.g_DataCnt));
        RefreshCount = 0;
    });
}

}  // namespace tavin
