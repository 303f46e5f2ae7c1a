// Times channel writes of two radios at once, each on its own session and port, against one
// radio alone, the simulated radios paced at 9600 baud; no windows. Prints the medians and their
// ratio. Not a test: nothing asserts.
//
//   build-release/bench/bench_sessions [runs]
#include "testsupport/benchutil.h"
#include "channels/memorychanneltexts.h"
#include "protocol/blockgroups.h"
#include "protocol/radiosession.h"
#include "tools/radiosim/radiosim.h"

#include <QCoreApplication>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    constexpr int kRadios = 2;
    radiosim::RadioSim sims[kRadios];
    std::unique_ptr<RadioSession> sessions[kRadios];
    for (int i = 0; i < kRadios; ++i) {
        if (!sims[i].start())
            return 1;
        sims[i].setPaced(true);
        sessions[i] = std::make_unique<RadioSession>();
        sessions[i]->setPort(sims[i].portPath());
    }
    const MemoryChannelTexts plan;
    int ended = 0;
    int failed = 0;
    for (auto &s : sessions)
        QObject::connect(s.get(), &RadioSession::runEnded, [&](const RadioSession::RunResult &r) {
            ++ended;
            failed += r.ok ? 0 : 1;
        });
    const auto write = [&](int radios) {
        ended = 0;
        for (int i = 0; i < radios; ++i)
            sessions[i]->startRun({{groups::kChannels, true,
                                    ChannelTransfer::encode(plan, sessions[i]->link().transferBuffer())}});
        return bench::runUntil([&] { return ended == radios; });
    };
    std::vector<double> one, both;
    for (int r = 0; r < runs; ++r) {
        one.push_back(write(1));
        both.push_back(write(kRadios));
    }
    const double a = bench::figures(one).median;
    const double b = bench::figures(both).median;
    std::printf("paced channel write, %d runs: one radio %.0f ms, %d radios at once %.0f ms (%.3f x)%s\n", runs, a,
                kRadios, b, b / a, failed ? ", SOME FAILED" : "");
    return 0;
}
