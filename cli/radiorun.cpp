// A session's run waited for, with its progress line.
#include "cli/radiorun.h"

#include "image/radioimage.h"
#include "protocol/runtexts.h"

#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <optional>

namespace cli {

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int)
{
    g_interrupted = true;
}

constexpr int kBarWidth = 30;
constexpr int kInterruptPollMs = 50;

} // namespace

void installInterruptHandler()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND; // the second one ends the process
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interrupted()
{
    return g_interrupted;
}

RadioSession::RunResult RadioRun::run(const QList<RadioSession::Step> &steps)
{
    std::optional<RadioSession::RunResult> result;
    QEventLoop loop;
    QObject guard;
    QObject::connect(&m_session, &RadioSession::runEnded, &guard, [&](const RadioSession::RunResult &r) {
        result = r;
        loop.quit();
    });
    QObject::connect(&m_session, &RadioSession::runStepStarted, &guard, [this](int step, int count, int group, bool write) {
        m_step = runtexts::stepText(write, group, step, count);
        draw(0, int(blockGroups().at(group).keys.size()));
    });
    QObject::connect(&m_session, &RadioSession::runProgress, &guard,
                     [this](int confirmed, int total) { draw(confirmed, total); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &guard, [this] {
        if (g_interrupted)
            m_session.abortRun();
    });
    poll.start(kInterruptPollMs);
    m_session.startRun(steps);
    if (!result)
        loop.exec();
    if (m_drawn)
        m_console.err->write("\r\033[K");
    m_drawn = false;
    return result.value_or(RadioSession::RunResult{});
}

void RadioRun::draw(int confirmed, int total)
{
    if (!m_console.progress || !m_console.err || total <= 0)
        return;
    const int filled = std::clamp(confirmed * kBarWidth / total, 0, kBarWidth);
    const QString line = QStringLiteral("\r\033[K%1 [%2%3] %4/%5")
                             .arg(m_step, QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('.')))
                             .arg(confirmed)
                             .arg(total);
    m_console.err->write(line.toUtf8());
    m_drawn = true;
}

} // namespace cli
