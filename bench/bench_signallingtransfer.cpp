// Times the read and the write of each signalling window against the paced simulated radio and
// holds them against the floor the line sets: every byte's time at 9600 baud, 10 bits a byte,
// plus the 20 ms of quiet that ends each burst the program receives. Not a test: nothing asserts.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/bench_signallingtransfer [runs]
#include "app/Unit1.h"
#include "app/forms.h"
#include "rtl/dialogs.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"
#include "tools/radiosim/radiosim.h"
#include "testsupport/benchutil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double kByteMs = 10.0 * 1000.0 / radiosim::RadioSim::kBaud;
constexpr double kQuietMs = 20.0; // the receive thread's end-of-burst interval

struct Window {
    const char *name;
    SignallingWindow *form;
    int blocks;
    int frameBytes;  // a written block on the line
    int answerBytes; // the radio's answer to a read request
};

double median(std::vector<double> v)
{
    return bench::figures(std::move(v)).median;
}

using bench::runUntil;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    int successes = 0;
    rtl::dialogs::setRecorder([&](const rtl::dialogs::Shown &s) {
        if (s.text == QStringLiteral("写入成功"))
            ++successes;
        else
            std::fprintf(stderr, "box: %s\n", qPrintable(s.text));
    });
    createForms();
    radiosim::RadioSim sim;
    if (!bench::startRadio(sim, true))
        return 1;
    Form1->comcbb->setCurrentText(sim.portPath());

    const Window windows[] = {{"DTMF", Form2, 4, 34, 34},
                              {"FSK", Form6, 3, 32, 32},
                              {"two-tone", Form4, 11, 34, 34},
                              {"five-tone", Form5, 17, 34, 34}};
    std::printf("paced 9600 baud, %d runs each: median (floor, ratio)\n", runs);
    for (const Window &w : windows) {
        std::vector<double> writes, reads;
        for (int i = 0; i < runs; ++i) {
            const int before = successes;
            w.form->wbtnClick();
            writes.push_back(runUntil([&] { return successes > before; }));
            w.form->rbtnClick();
            reads.push_back(runUntil([&] { return w.form->rbtn->isEnabled(); }));
        }
        // A write: each block, then its one-byte acknowledgement. A read: each request, then its answer.
        const double writeFloor = w.blocks * ((w.frameBytes + 1) * kByteMs + kQuietMs);
        const double readFloor = w.blocks * ((4 + w.answerBytes) * kByteMs + kQuietMs);
        const double wm = median(writes);
        const double rm = median(reads);
        std::printf("%-9s write %7.1f ms (%6.1f, %.3f)   read %7.1f ms (%6.1f, %.3f)\n", w.name, wm, writeFloor,
                    wm / writeFloor, rm, readFloor, rm / readFloor);
    }
    sim.stop();
    destroyForms();
    return 0;
}
