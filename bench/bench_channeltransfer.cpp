// Times a whole channel write and a whole channel read against the simulated radio, with and
// without line-speed pacing, then a proven write (read back after; backed up before and read back
// after) against the paced radio; prints the least, median and greatest of several runs and each
// median against the floor the line sets. Not a test: nothing asserts.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/bench_channeltransfer [runs]
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "app/backup/radiobackup.h"
#include "rtl/dialogs.h"
#include "tools/radiosim/radiosim.h"
#include "testsupport/benchutil.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>
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

// The least a transfer can take at 9600 baud: every byte each way on the line, and the 20 ms the
// port waits after each burst before it hands it over.
constexpr double kByteMs = 10 * 1000.0 / 9600;
constexpr double kBurstMs = 20;
constexpr double kWriteFloorMs = (7 + 17 * 34 + 18) * kByteMs + 18 * kBurstMs;
constexpr double kReadFloorMs = (7 + 17 * 4 + 1 + 17 * 34) * kByteMs + 18 * kBurstMs;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the automatic backups land in a test folder
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
        if (!bench::startRadio(sim, paced))
            return 1;
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
        if (paced)
            std::printf("          floors: write %.0f ms (median %.3f x), read %.0f ms (median %.3f x)\n", kWriteFloorMs,
                        w.median / kWriteFloorMs, kReadFloorMs, r.median / kReadFloorMs);
        sim.stop();
    }

    // Proof: the same write read back after, and backed up before too.
    auto *backup = Form1->findChild<RadioBackup *>();
    QStringList boxes;
    rtl::dialogs::setRecorder([&](const rtl::dialogs::Shown &s) { boxes << s.text; });
    radiosim::RadioSim sim;
    if (!bench::startRadio(sim, true))
        return 1;
    Form1->comcbb->setCurrentText(sim.portPath());
    for (bool backupFirst : {false, true}) {
        backup->verifyAction->setChecked(true);
        backup->autoBackupAction->setChecked(backupFirst);
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            boxes.clear();
            Form1->wbtn->click();
            times.push_back(runUntil([&] { return !boxes.isEmpty(); }));
            if (boxes.value(0) != QStringLiteral("写入成功\n读回校验通过"))
                std::fprintf(stderr, "proven write: %s\n", qPrintable(boxes.join(u' ')));
        }
        const Figures f = figures(times);
        const double floor = kWriteFloorMs + kReadFloorMs * (backupFirst ? 2 : 1);
        std::printf("paced     %-28s %7.1f %7.1f %7.1f ms   floor %.0f ms (median %.3f x)\n",
                    backupFirst ? "backup + write + read-back" : "write + read-back", f.min, f.median, f.max, floor,
                    f.median / floor);
    }
    sim.stop();
    destroyForms();
    return 0;
}
