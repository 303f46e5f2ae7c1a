// Times a fleet of four radios programmed at once, each on its own pty, against one radio alone:
// backup, write of the template with its own identity, read-back, the simulated radios paced at
// 9600 baud; no windows. Prints the medians and their ratio. Not a test: nothing asserts.
//
//   build-release/bench/bench_fleet [runs]
#include "testsupport/benchutil.h"
#include "fleet/fleetrunner.h"
#include "frames/frame.h"
#include "image/radioimage.h"
#include "tools/radiosim/radiosim.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

FleetTemplate blankTemplate()
{
    FleetTemplate t;
    t.source = QStringLiteral("bench");
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys) {
            QByteArray frame(frame::kFrameLength, '\0');
            frame::writeHeader(reinterpret_cast<std::uint8_t *>(frame.data()), frame::kData, keyType(key), keyNumber(key));
            t.image.frames << frame;
        }
    return t;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    constexpr int kRadios = 4;
    radiosim::RadioSim sims[kRadios];
    for (auto &sim : sims) {
        if (!sim.start())
            return 1;
        sim.setPaced(true);
    }
    QTemporaryDir dir;
    const FleetTemplate tmpl = blankTemplate();
    int failed = 0;
    int serial = 0;
    const auto program = [&](int radios) {
        FleetTable table;
        table.resize(radios);
        for (int i = 0; i < radios; ++i) {
            table.rows[i].port = sims[i].portPath();
            table.rows[i].values = {QString::number(++serial), QStringLiteral("100"), QString::number(serial)};
        }
        FleetRunner runner(table, tmpl);
        runner.setBackupFolder(dir.filePath(QStringLiteral("backups")));
        bool done = false;
        QObject::connect(&runner, &FleetRunner::finished, [&] { done = true; });
        runner.start();
        const double ms = bench::runUntil([&] { return done; });
        failed += runner.report().passedCount() == radios ? 0 : 1;
        return ms;
    };
    std::vector<double> one, all;
    for (int r = 0; r < runs; ++r) {
        one.push_back(program(1));
        all.push_back(program(kRadios));
    }
    const double a = bench::figures(one).median;
    const double b = bench::figures(all).median;
    std::printf("paced fleet (backup, write, read-back), %d runs: one radio %.0f ms, %d radios at once %.0f ms (%.3f x)%s\n",
                runs, a, kRadios, b, b / a, failed ? ", SOME FAILED" : "");
    return 0;
}
