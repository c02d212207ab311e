// Reading a sample on the graph: the index under a position and the readout text.
#include "core/trend/Cursor.h"
#include "core/trend/SampleStore.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace tavin;

TEST(Cursor, TheWholePartOfThePositionCountsAndNothingLiesPastTheData)
{
    EXPECT_EQ(CursorIndexAt(0.9, 100, 500), 100);     // the page's first sample, not the nearest
    EXPECT_EQ(CursorIndexAt(399.99, 100, 500), 499);  // the last sample stored
    EXPECT_EQ(CursorIndexAt(400, 100, 500), -1);      // right of the data
    EXPECT_EQ(CursorIndexAt(-150, 100, 500), 0);      // before the first sample
    EXPECT_EQ(CursorIndexAt(3, 0, 0), -1);            // nothing stored
}

TEST(Cursor, TheReadoutFollowsTheFlagsAndTheCoefficient)
{
    SampleStore s;
    s.g_DataCnt = 121;
    s.g_Datas[120] = 0.617f;
    s.g_AveDatas[120] = 0.615f;
    s.g_DataTime[120] = ToOleDate(QDateTime(QDate(2026, 12, 6), QTime(10, 15, 2)));
    s.ave.AveNum = 10;
    EXPECT_EQ(CursorTipText(s, 120, 0, 2, false), "値:1.234");
    EXPECT_EQ(CursorTipText(s, 120, CursorShowsIndex | CursorShowsTime, 2, true),
              "[120]10:15:02 値:1.234  平均:1.2300");
    EXPECT_EQ(CursorTipText(s, 120, 7, 2, true), "[120]10:15:02 値:1.234  平均:1.2300");
    s.ave.AveNum = 1;  // an average of one sample is the value itself: not shown
    EXPECT_EQ(CursorTipText(s, 120, 7, 2, true), "[120]10:15:02 値:1.234");
}

TEST(Cursor, ThePanelFlipsToTheLeftOfTheLineAtTheRightEdge)
{
    const CursorPanel middle = CursorPanelAt(1000, 2000, 200, 9000);
    EXPECT_TRUE(middle.markerFirst);
    EXPECT_EQ(middle.left, 900);                                    // the marker's middle on the line
    EXPECT_EQ(CursorPanelAt(50, 2000, 200, 9000).left, 0);          // never left of the graph
    EXPECT_TRUE(CursorPanelAt(7000, 2000, 200, 9000).markerFirst);  // just fits
    const CursorPanel edge = CursorPanelAt(7001, 2000, 200, 9000);
    EXPECT_FALSE(edge.markerFirst);
    EXPECT_EQ(edge.left, 7001 - 2000 + 100);
}
