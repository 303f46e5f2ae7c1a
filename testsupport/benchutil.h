// What the benchmarks share: the simulated radio started, waiting for a run to end, and its least /
// median / greatest.
#pragma once

#include "tools/radiosim/radiosim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

struct Figures {
    double min = 0, median = 0, max = 0;
};

// Starts `sim`, paced or not; false, with a message, when it cannot start.
inline bool startRadio(radiosim::RadioSim &sim, bool paced)
{
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulated radio: %s\n", qPrintable(sim.errorString()));
        return false;
    }
    sim.setPaced(paced);
    return true;
}

inline Figures figures(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

// Sleeps in the event loop until `done` holds or 60 s pass; returns the elapsed milliseconds,
// -1 on time-out. Blocking, not spinning: a spinning wait takes a core from the threads timed.
template <typename Done>
double runUntil(Done done)
{
    constexpr int kLimitMs = 60000;
    QElapsedTimer t;
    t.start();
    bool expired = false;
    // A timer that dies with this call: a single-shot left pending would set the `expired` of a
    // later call when a run ends early.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { expired = true; });
    limit.start(kLimitMs);
    while (!done() && !expired)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return expired ? -1 : t.nsecsElapsed() / 1e6;
}

} // namespace bench
