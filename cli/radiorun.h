// Runs a radio session's steps to their end for a command: the progress line while they run,
// and an interrupt (Ctrl+C) that cancels the run as 取消 would.
#pragma once

#include "cli/console.h"
#include "protocol/radiosession.h"

namespace cli {

// Ctrl+C and SIGTERM cancel the run under way instead of ending the process with the port half
// written; a second Ctrl+C ends it at once.
void installInterruptHandler();
// Whether an interrupt has come (and the next run is then cancelled at once).
bool interrupted();

class RadioRun {
public:
    RadioRun(RadioSession &session, const Console &console) : m_session(session), m_console(console) {}

    // Blocks in an event loop until the run has ended.
    RadioSession::RunResult run(const QList<RadioSession::Step> &steps);

private:
    void draw(int confirmed, int total);

    RadioSession &m_session;
    const Console &m_console;
    QString m_step;
    bool m_drawn = false;
};

} // namespace cli
