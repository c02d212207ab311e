// The trend graph: a full repaint of a page that spans a store of 360,001 samples against a
// plain loop drawing every segment with QPainter::drawLine on an image of the same size (time
// and pixels compared), and appending 1000 samples with 1,000 and with 360,000 stored.
#include "OffscreenProgram.h"
#include "Timing.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

using namespace tavin;
using namespace tavin::bench;

int main(int argc, char** argv)
{
    OffscreenProgram program(argc, argv);
    AppState& state = program.state;
    frmMain& w = program.w;
    w.controls().mnuPlusRange[7]->trigger();      // 0 .. 125
    w.controls().mnuSampling[0]->trigger();       // 1 ms
    w.controls().cmbPageSec->setCurrentIndex(9);  // 600 s: one page spans 600,000 samples
    state.Settings.MaxDatas = 360000;
    constexpr int Stored = 360001;
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    for (int i = 0; i < Stored; ++i)
        state.store.g_Datas[std::size_t(i)] = 60.0f + 40.0f * std::sin(float(i) / 9000.0f) + noise(rng);
    state.store.g_DataCnt = Stored;
    w.state().page.showFrom(0);

    // Full repaint (grid, labels and the page's polyline).
    const double repaint = best(5, [&] { w.pctGraph1_Paint(); });

    // The same polyline alone on a white image, and the plain loop on an image of the same size.
    PictureBox* g = w.controls().pctGraph1;
    g->BackColor = Qt::white;
    g->Cls();
    w.graph().DrawGraph(g, 0, Stored - 1, false);
    const QImage reduced = g->image().copy();
    const double sx = reduced.width() / double(g->ScaleWidth), sy = reduced.height() / double(g->ScaleHeight);
    const float off = state.ScaleTable[7].Top;
    QImage plain(reduced.size(), QImage::Format_RGB32);
    const double loop = best(3, [&] {
        plain.fill(Qt::white);
        QPainter p(&plain);
        p.setPen(QPen(QColor(0, 0, 255), 0));
        for (int i = 1; i < Stored; ++i)
            p.drawLine(QPointF((i - 1) * sx, (off - state.store.g_Datas[std::size_t(i - 1)]) * sy),
                       QPointF(i * sx, (off - state.store.g_Datas[std::size_t(i)]) * sy));
    });
    const double polyline = best(5, [&] {
        g->Cls();
        w.graph().DrawGraph(g, 0, Stored - 1, false);
    });
    long differ = 0, drawn = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            differ += reduced.pixel(x, y) != plain.pixel(x, y);
            drawn += plain.pixel(x, y) != QColor(Qt::white).rgb();
        }
    const double share = 100.0 * double(differ) / double(plain.width() * plain.height());
    std::printf("full repaint of a page of %d samples: %.2f ms (polyline alone %.2f ms)\n", Stored,
                repaint * 1e3, polyline * 1e3);
    std::printf("plain drawLine loop, same image %dx%d: %.2f ms -> repaint %.1f times faster (goal 30)\n",
                plain.width(), plain.height(), loop * 1e3, loop / repaint);
    std::printf("pixels that differ between the two polylines: %ld of %ld drawn = %.3f%% of the image (goal "
                "<= 0.5%%)\n",
                differ, drawn, share);

    // Appending one segment per sample, with few and with many stored.
    w.controls().cmbPageSec->setCurrentIndex(4);  // 20 s: 20,000 samples a page
    auto append = [&](int stored) {
        return best(3, [&] {
            state.store.g_DataCnt = stored;
            w.state().page.showFrom(stored - stored % 20000);
            if (stored % 20000 > 18000)
                w.state().page.showFrom(stored);
            for (int i = 0; i < 1000; ++i)
                w.engine().injectValue(60.0f + noise(rng));
            w.RefreshScreen();
            w.controls().pctGraph1->image();  // the segments drawn into the image
            QCoreApplication::processEvents();
        });
    };
    const double few = append(1000), many = append(358000);
    std::printf("append 1000 samples: %.2f ms with 1,000 stored, %.2f ms with 358,000 stored, ratio %.2f "
                "(goal <= 1.5)\n",
                few * 1e3, many * 1e3, many / few);
    w.close();
    return 0;
}
