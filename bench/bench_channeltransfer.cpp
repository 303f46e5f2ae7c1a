// Times a whole channel write and a whole channel read against the simulated radio, with and
// without line-speed pacing, and prints the median of several runs. Not a test: nothing asserts.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/bench_channeltransfer [runs]
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "rtl/dialogs.h"
#include "tools/radiosim/radiosim.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs until `done` holds or 60 s pass; returns the elapsed milliseconds, -1 on time-out.
template <typename Done>
double runUntil(Done done)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (t.elapsed() > 60000)
            return -1;
    }
    return t.nsecsElapsed() / 1e6;
}

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
        std::printf("%-9s write median %8.1f ms   read median %8.1f ms   (%d runs)\n",
                    paced ? "paced" : "unpaced", median(writes), median(reads), runs);
        sim.stop();
    }
    destroyForms();
    return 0;
}
