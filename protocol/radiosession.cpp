// A radio session: its port, its transfers and its runs.
#include "protocol/radiosession.h"

#include "image/radioimage.h"
#include "protocol/blockgroups.h"
#include "rtl/guard.h"
#include "serial/serialcomm.h"

#include <utility>

RadioSession::RadioSession(QObject *parent) : QObject(parent), m_comm(new TComm(this))
{
    m_comm->setOutx_XonXoffFlow(false);
    m_comm->setInx_XonXoffFlow(false);
    m_comm->setReadIntervalTimeout(kReadIntervalMs);
    m_resend.setInterval(kResendIntervalMs);
    m_link = std::make_unique<RadioLink>(*m_comm, m_resend);
    connect(&m_resend, &QTimer::timeout, this, rtl::guarded([this] { m_link->Tim1Timer(); }));
    // The component raises its events under the guard already.
    m_comm->OnReceiveData = [this](TComm *, const char *buffer, std::uint16_t length) {
        m_link->Comm1ReceiveData(buffer, length);
        emit answerArrived();
    };
    // A pulled cable or a vanished USB adapter: handled from the event loop, once the component's
    // event has unwound.
    m_comm->OnRequestHangup = [this](TComm *) {
        if (!m_comm->isOpen() || m_lineLostPending)
            return;
        m_lineLostPending = true;
        QTimer::singleShot(0, this, rtl::guarded([this] { handleLineLost(); }));
    };
    // Made in the order the dispatcher serves them.
    m_channels = std::make_unique<ChannelTransfer>(*m_link);
    for (int g = groups::kDtmf; g < groups::kCount; ++g)
        m_signalling[g - 1] = std::make_unique<BlockTransfer>(*m_link, groups::plan(g));
}

RadioSession::~RadioSession()
{
    m_step = -1;
    for (auto &t : m_signalling)
        t.reset();
    m_channels.reset();
    m_resend.stop();
    m_comm->ClosePort();
}

BlockTransfer &RadioSession::transfer(int group)
{
    if (group > 0 && group < groups::kCount)
        return *m_signalling[group - 1];
    return m_channels->transfer();
}

QString RadioSession::port() const
{
    return m_comm->CommName;
}

void RadioSession::setPort(const QString &name)
{
    m_comm->CommName = name;
}

void RadioSession::open()
{
    if (m_comm->isOpen())
        return;
    m_comm->OpenPort();
    m_lineLostPending = false;
    emit portOpened();
}

void RadioSession::close()
{
    const bool wasOpen = m_comm->isOpen();
    m_comm->ClosePort();
    m_link->portClosed();
    if (wasOpen)
        emit portClosed();
}

bool RadioSession::isOpen() const
{
    return m_comm->isOpen();
}

void RadioSession::handleLineLost()
{
    m_lineLostPending = false;
    const bool ran = m_link->exchangeRunning();
    close();
    m_link->lineLost(); // each running transfer ends and says so to whoever started it
    emit lineLost(ran);
}

QList<RadioSession::Step> RadioSession::backupSteps()
{
    QList<Step> steps;
    for (int g = 0; g < groups::kCount; ++g)
        steps << Step{g, false, {}};
    return steps;
}

QList<RadioSession::Step> RadioSession::restoreSteps(const RadioImage &image)
{
    QList<Step> steps;
    for (int g : image.groups()) {
        Step step{g, true, {}};
        for (int key : blockGroups().at(g).keys)
            step.payloads << image.payload(key);
        steps << step;
    }
    for (int g : image.groups())
        steps << Step{g, false, {}};
    return steps;
}

QList<RadioSession::Step> RadioSession::readSteps(int group)
{
    return {Step{group, false, {}}};
}

void RadioSession::startRun(const QList<Step> &steps)
{
    if (runRunning() || m_link->exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    m_steps = steps;
    m_result = RunResult();
    m_result.startedAt = QDateTime::currentDateTimeUtc();
    m_step = 0;
    if (m_steps.isEmpty()) {
        m_result.ok = true;
        endRun(m_result);
        return;
    }
    startStep();
}

void RadioSession::startStep()
{
    const Step &step = m_steps.at(m_step);
    emit runStepStarted(m_step, int(m_steps.size()), step.group, step.write);
    if (!runRunning())
        return; // ended by whoever heard the step start
    try {
        open();
    } catch (const rtl::Exception &e) {
        RunResult result = m_result;
        result.error = e.message();
        endRun(result);
        return;
    }
    m_link->clearReceiveState();
    BlockTransfer &t = transfer(step.group);
    const auto ended = [this](const TransferOutcome &outcome) { stepEnded(outcome); };
    const auto progress = [this](int confirmed, int total) { emit runProgress(confirmed, total); };
    if (step.write)
        t.startWrite(step.payloads, ended, progress);
    else
        t.startRead(ended, progress);
}

void RadioSession::stepEnded(const TransferOutcome &outcome)
{
    if (!runRunning())
        return;
    if (!outcome.ok()) {
        RunResult result = m_result;
        result.stopped = outcome;
        result.stoppedStep = m_step;
        endRun(result);
        return;
    }
    for (int i = 0; i < outcome.blocks.size(); ++i) {
        const int key = blockKey(outcome.blocks[i].type, outcome.blocks[i].number);
        if (outcome.write && i < outcome.payloads.size())
            m_result.written.insert(key, outcome.payloads[i]);
        if (!outcome.write && i < outcome.frames.size())
            m_result.frames.insert(key, outcome.frames[i].first(std::min<qsizetype>(outcome.frames[i].size(),
                                                                                      RadioImage::kMaxFrame)));
    }
    if (m_steps.at(m_step).group == groups::kChannels)
        close();
    // The next step starts from the event loop, once the transfer that ended has unwound.
    QTimer::singleShot(0, this, rtl::guarded([this] {
        if (!runRunning())
            return;
        if (++m_step >= m_steps.size()) {
            m_result.ok = true;
            endRun(m_result);
            return;
        }
        startStep();
    }));
}

void RadioSession::abortRun()
{
    if (!runRunning())
        return;
    const int group = m_steps.value(m_step).group;
    BlockTransfer &t = transfer(group);
    if (t.running()) {
        t.abort(); // its end ends the run
        return;
    }
    RunResult result = m_result;
    TransferOutcome cancelled;
    cancelled.end = TransferOutcome::End::Aborted;
    result.stopped = cancelled;
    result.stoppedStep = m_step;
    endRun(result);
}

void RadioSession::endRun(RunResult result)
{
    m_step = -1;
    m_steps.clear();
    m_result = RunResult();
    emit runEnded(result);
}
