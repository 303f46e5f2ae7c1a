// Times a whole channel write and a whole channel read against the simulated radio, with and
// without line-speed pacing, and prints the least, median and greatest of several runs. Not a
// test: nothing asserts.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/bench_channeltransfer [runs]
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "rtl/dialogs.h"
#include "tools/radiosim/radiosim.h"
#include "bench/benchutil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::Figures;
using bench::figures;
using bench::runUntil;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    int infoBoxes = 0;
    rtl::dialogs::setRecorder([&](const rtl::dialogs::Shown &s) {
        if (s.text == QStringLiteral("写入成功"))
            ++infoBoxes;
        else
            std::fprintf(stderr, "box: %s\n", qPrintable(s.text));
    });
    createForms();

    for (bool paced : {false, true}) {
        radiosim::RadioSim sim;
        if (!sim.start()) {
            std::fprintf(stderr, "cannot start the simulated radio: %s\n", qPrintable(sim.errorString()));
            return 1;
        }
        sim.setPaced(paced);
        Form1->comcbb->setCurrentText(sim.portPath());
        std::vector<double> writes, reads;
        for (int i = 0; i < runs; ++i) {
            const int before = infoBoxes;
            Form1->wbtn->click();
            writes.push_back(runUntil([&] { return infoBoxes > before; }));
            Form1->rbtn->click();
            reads.push_back(runUntil([&] { return Form1->rbtn->isEnabled(); }));
        }
        const Figures w = figures(writes);
        const Figures r = figures(reads);
        std::printf("%-9s write min/median/max %7.1f %7.1f %7.1f ms   read %7.1f %7.1f %7.1f ms   (%d runs)\n",
                    paced ? "paced" : "unpaced", w.min, w.median, w.max, r.min, r.median, r.max, runs);
        sim.stop();
    }
    destroyForms();
    return 0;
}
