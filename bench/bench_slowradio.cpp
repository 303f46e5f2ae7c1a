// Times the channel and DTMF write and read against radios that answer late (0 to 2000 ms), the
// simulated radio unpaced: what resends and their back-off cost a slow radio. Prints the median
// of several runs, and whether every run succeeded. Not a test: nothing asserts.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/bench_slowradio [runs]
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/backup/radiobackup.h"
#include "rtl/dialogs.h"
#include "signalling/Unit2.h"
#include "tools/radiosim/radiosim.h"
#include "testsupport/benchutil.h"

#include <QAction>
#include <QApplication>
#include <QSet>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QStringList boxes;
    rtl::dialogs::setRecorder([&](const rtl::dialogs::Shown &s) { boxes << s.text; });
    createForms();
    Form1->findChild<RadioBackup *>()->verifyAction->setChecked(false);
    radiosim::RadioSim sim;
    if (!bench::startRadio(sim, false))
        return 1;
    Form1->comcbb->setCurrentText(sim.portPath());
    std::printf("unpaced radio answering late, %d runs: median ms (all succeeded)\n", runs);
    std::printf("%8s %14s %14s %14s %14s\n", "delay", "channel write", "channel read", "DTMF write", "DTMF read");
    for (int delay : {0, 150, 280, 320, 400, 1000, 2000}) {
        sim.delayAnswers(delay, 1000000);
        std::printf("%6d ms", delay);
        for (int which = 0; which < 4; ++which) {
            std::vector<double> times;
            bool ok = true;
            for (int i = 0; i < runs; ++i) {
                boxes.clear();
                sim.clearLogs();
                if (which == 0)
                    Form1->wbtn->click();
                else if (which == 1)
                    Form1->rbtn->click();
                else {
                    Form1->openPortFromBox();
                    which == 2 ? Form2->wbtnClick() : Form2->rbtnClick();
                }
                times.push_back(bench::runUntil([&] { return !Form1->link().exchangeRunning(); }));
                const bool write = which % 2 == 0;
                // A write succeeded only if every block reached the radio: none skipped.
                QSet<int> written;
                for (const radiosim::Event &e : sim.events())
                    if (e.kind == radiosim::Event::Write)
                        written.insert(e.type << 8 | e.number);
                const int blocks = which == 0 ? 17 : 4;
                ok = ok && (write ? boxes == QStringList{QStringLiteral("写入成功")} && written.size() == blocks
                                  : boxes.isEmpty());
            }
            std::printf(" %9.0f (%s)", bench::figures(times).median, ok ? "ok" : "NO");
            Form1->closePort();
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    sim.stop();
    destroyForms();
    return 0;
}
