// Times a back-up of all 52 blocks (channels, DTMF, FSK, two-tone, five-tone) and a restore
// with its read-back against the paced simulated radio; prints least, median and greatest.
// Not a test: nothing asserts.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/bench_backup [runs]
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "app/backup/radiobackup.h"
#include "rtl/dialogs.h"
#include "tools/radiosim/radiosim.h"
#include "testsupport/benchutil.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::runUntil;

void print(const char *what, std::vector<double> v)
{
    const bench::Figures f = bench::figures(std::move(v));
    std::printf("%-18s %7.0f / %7.0f / %7.0f ms\n", what, f.min, f.median, f.max);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QStringList boxes;
    rtl::dialogs::setRecorder([&](const rtl::dialogs::Shown &s) { boxes << s.text; });
    createForms();
    radiosim::RadioSim sim;
    if (!bench::startRadio(sim, true))
        return 1;
    Form1->comcbb->setCurrentText(sim.portPath());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("radio.rimg"));
    auto *backup = Form1->findChild<RadioBackup *>();
    backup->chooseBackupFile = [&] { return file; };
    backup->chooseRestoreFile = [&] { return file; };

    std::vector<double> backups, restores;
    for (int i = 0; i < runs; ++i) {
        boxes.clear();
        backup->backupAction->trigger();
        backups.push_back(runUntil([&] { return !boxes.isEmpty(); }));
        if (boxes.value(0) != QStringLiteral("已备份电台的 52 个数据块。"))
            std::fprintf(stderr, "backup: %s\n", qPrintable(boxes.join(u' ')));
        boxes.clear();
        backup->restoreAction->trigger();
        restores.push_back(runUntil([&] { return !boxes.isEmpty(); }));
        if (boxes.value(0) != QStringLiteral("恢复完成，校验通过"))
            std::fprintf(stderr, "restore: %s\n", qPrintable(boxes.join(u' ')));
    }
    std::printf("paced 9600 baud, %d runs: least / median / greatest\n", runs);
    print("backup, 52 blocks", backups);
    print("restore + verify", restores);
    sim.stop();
    destroyForms();
    return 0;
}
