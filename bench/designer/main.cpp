// Times the designer canvas: a repaint from the recorded page picture (what
// scrolling, the selection frame and drag outlines cost) and a repaint after
// a change (the elements drawn again), at 100 % and 300 % zoom.
//
//   tabulon-bench-designer REPORT.QR2 [--frames N]
//   (with TABULON_HOME pointing at the report's databases)

#include "common/screen.h"
#include "definition/designreport.h"
#include "definition/startup.h"
#include "designer/designcanvas.h"
#include "designer/repdesigner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: tabulon-bench-designer REPORT.QR2 [--frames N]\n");
        return argc < 2 ? 2 : 0;
    }
    int frames = 200;
    for (int i = 2; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--frames") == 0)
            frames = std::max(1, std::atoi(argv[i + 1]));
    RegisterReportSupport();
    TForm form;
    auto *report = new TQRDesignReport(&form);
    report->SetName("Report");
    auto *designer = new TQRepDesigner(&form);
    designer->SetQReport(report);
    if (!designer->LoadReportFile(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "tabulon-bench-designer: cannot read %s\n", argv[1]);
        return 1;
    }
    TDesignCanvas canvas(designer);
    std::printf("report: %s, %d elements\n", argv[1], int(report->AllElements().size()));
    for (int zoom : {100, 300}) {
        report->SetZoom(zoom);
        canvas.Invalidate();
        QImage target(canvas.sizeHint(), QImage::Format_ARGB32_Premultiplied);
        const QRect all(QPoint(0, 0), target.size());
        // A viewport-sized piece, as a scroll area repaints it.
        const QRect view(QPoint(0, 0), QSize(1200, 900).boundedTo(target.size()));
        {
            QPainter p(&target);
            canvas.PaintDesign(&p, all); // warms up fonts and the picture
        }
        for (const auto &[name, clip, rebuild] :
             {std::tuple{"viewport repaint", view, false}, std::tuple{"whole page repaint", all, false},
              std::tuple{"viewport repaint after a change", view, true}}) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < frames; ++i) {
                if (rebuild)
                    canvas.Invalidate();
                QPainter p(&target);
                p.setClipRect(clip);
                canvas.PaintDesign(&p, clip);
            }
            const double ms = timer.nsecsElapsed() / 1e6 / frames;
            std::printf("zoom %d%%: %s: %.3f ms per frame (%dx%d)\n", zoom, name, ms, clip.width(),
                        clip.height());
        }
    }
    return 0;
}
