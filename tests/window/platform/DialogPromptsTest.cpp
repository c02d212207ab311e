// The file dialogs' filters as Qt shows them.
#include "window/platform/DialogPrompts.h"

#include <gtest/gtest.h>

using namespace tavin;

TEST(QtNameFilters, EachPatternIsShownOnce)
{
    const struct {
        const char* filter;
        QStringList shown;
    } cases[] = {
        {"すべてのファイル(*.*)|*.*|CSVファイル(*.csv)|*.csv|",
         {"すべてのファイル(*.*)", "CSVファイル(*.csv)"}},
        {"CSV|*.csv|Text|*.txt;*.log", {"CSV (*.csv)", "Text (*.txt *.log)"}},
        {"Logs(*.log)|*.txt", {"Logs(*.log) (*.txt)"}},  // a description naming another pattern
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtNameFilters(QString::fromUtf8(c.filter)), c.shown) << c.filter;
}
