// Times `radioprog write PLAN --port P --no-backup --no-verify`, the real binary as a script runs
// it, against the paced simulated radio, and holds the median against the floor the line sets;
// and the time from the program's start to the first byte on the line. Not a test: nothing asserts.
//
//   build-release/bench/bench_cli [runs]
#include "testsupport/benchutil.h"
#include "channels/channelplan.h"
#include "channels/memorychanneltexts.h"
#include "tools/radiosim/radiosim.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// Every byte of the write at 9600 baud, 10 bits a byte, and the 20 ms after each burst.
constexpr double kByteMs = 10 * 1000.0 / 9600;
constexpr double kBurstMs = 20;
constexpr double kWriteFloorMs = (7 + 17 * 34 + 18) * kByteMs + 18 * kBurstMs;

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir dir;
    MemoryChannelTexts texts;
    const QStringList cells{"438.50000", "438.50000", "88.5", "88.5", "高", "宽带", "有", "25000",
                            "无", "无", "无", "无", "DTMF", "1", "无"};
    for (int row = 1; row <= 16; ++row)
        for (int c = 1; c <= 15; ++c)
            texts.setCell(c, row, c <= 2 ? QString::number(438.5 + row * 0.025, 'f', 5) : cells[c - 1]);
    const QString plan = dir.filePath(QStringLiteral("plan.zq"));
    SaveChannelPlan(texts, plan);

    radiosim::RadioSim sim;
    if (!sim.start())
        return 1;
    sim.setPaced(true);
    std::atomic<Clock::rep> firstByte{0};
    sim.setMonitor([&](const QString &) {
        Clock::rep none = 0;
        firstByte.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    });

    std::vector<double> whole, first;
    int failed = 0;
    for (int r = 0; r < runs; ++r) {
        firstByte = 0;
        QProcess program;
        const Clock::time_point start = Clock::now();
        program.start(QStringLiteral(RADIOPROG_BINARY),
                      {QStringLiteral("write"), plan, QStringLiteral("--port"), sim.portPath(),
                       QStringLiteral("--no-backup"), QStringLiteral("--no-verify")});
        program.waitForFinished(60000);
        const Clock::time_point end = Clock::now();
        failed += program.exitCode() != 0;
        whole.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        const Clock::time_point firstAt{Clock::duration(firstByte.load())};
        first.push_back(std::chrono::duration<double, std::milli>(firstAt - start).count());
    }
    const bench::Figures w = bench::figures(whole);
    const bench::Figures f = bench::figures(first);
    std::printf("radioprog write, paced 9600 baud, %d runs: %.0f / %.0f / %.0f ms, floor %.0f ms (median %.3f x)%s\n",
                runs, w.min, w.median, w.max, kWriteFloorMs, w.median / kWriteFloorMs, failed ? ", SOME FAILED" : "");
    std::printf("start to first byte on the line: %.1f / %.1f / %.1f ms\n", f.min, f.median, f.max);
    return 0;
}
