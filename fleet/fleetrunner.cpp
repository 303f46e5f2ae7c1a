// The fleet runner: one lane per cable, each with its own radio session.
#include "fleet/fleetrunner.h"

#include "fleet/identityfield.h"
#include "image/radioimage.h"
#include "protocol/blockgroups.h"
#include "protocol/transferreport.h"
#include "rtl/filewriter.h"
#include "rtl/guard.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

namespace {

int totalBlocks()
{
    int n = 0;
    for (const BlockGroup &g : blockGroups())
        n += int(g.keys.size());
    return n;
}

int blocksOf(const QList<RadioSession::Step> &steps, int upTo)
{
    int n = 0;
    for (int i = 0; i < upTo && i < steps.size(); ++i)
        n += int(blockGroups().at(steps[i].group).keys.size());
    return n;
}

// What tells one radio from another on the line: the bytes of every identity field.
QByteArray signature(const QMap<int, QByteArray> &payloads)
{
    QByteArray sig;
    for (const IdentityField &f : identityFields())
        sig += identityBytesOf(f, payloads.value(f.key));
    return sig;
}

QMap<int, QByteArray> payloadsOf(const QMap<int, QByteArray> &frames)
{
    QMap<int, QByteArray> out;
    for (auto it = frames.cbegin(); it != frames.cend(); ++it)
        out.insert(it.key(), it.value().mid(frame::kHeaderLength, frame::kPayloadLength));
    return out;
}

// Why a run ended early, one paragraph.
QString stopText(const RadioSession::RunResult &result)
{
    if (!result.error.isEmpty())
        return result.error;
    if (result.stopped)
        return interruptionText(*result.stopped, false);
    return QStringLiteral("未完成");
}

// A label as part of a file name: what a file system or a shell would trip over becomes "_".
QString fileSafe(const QString &label)
{
    QString name = label;
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\s\\x00-\\x1f]")), QStringLiteral("_"));
    if (name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('_'));
    return name.left(80);
}

} // namespace

struct FleetRunner::Lane {
    QString port;
    bool shared = false;
    RadioSession session;
    QTimer poll;
    QList<int> queue; // rows bound to this port still to go
    int row = -1;     // the row under way
    enum class Phase { None, Probe, Backup, Write } phase = Phase::None;
    QList<RadioSession::Step> steps;
    QMap<int, QByteArray> payloads; // being written
    QByteArray lastSignature;       // of the radio this cable programmed last
    int lastRow = -1;
    int stepBase = 0;
    bool held = false;
};

QString FleetRunner::stateText(State state)
{
    switch (state) {
    case State::Pending:
        return QStringLiteral("待写");
    case State::WaitingForRadio:
        return QStringLiteral("等待电台");
    case State::WaitingForNext:
        return QStringLiteral("请换下一台电台");
    case State::BackingUp:
        return QStringLiteral("备份");
    case State::Writing:
        return QStringLiteral("写入");
    case State::Verifying:
        return QStringLiteral("读回校验");
    case State::Passed:
        return QStringLiteral("通过");
    case State::Failed:
        return QStringLiteral("失败");
    }
    return {};
}

int FleetRunner::blocksPerRadio()
{
    return 3 * totalBlocks();
}

bool FleetRunner::RowStatus::running() const
{
    return state != State::Pending && state != State::Passed && state != State::Failed;
}

FleetRunner::FleetRunner(const FleetTable &table, const FleetTemplate &tmpl, QObject *parent)
    : QObject(parent), m_table(table), m_template(tmpl), m_status(table.rows.size())
{
}

FleetRunner::~FleetRunner()
{
    m_stopping = true;
    m_lanes.clear();
}

QList<FleetIssue> FleetRunner::check() const
{
    return lintFleet(m_table, m_template, m_sharedPorts);
}

FleetRunner::Lane &FleetRunner::laneFor(const QString &port)
{
    for (auto &lane : m_lanes)
        if (lane->port == port)
            return *lane;
    auto lane = std::make_unique<Lane>();
    Lane *l = lane.get();
    l->port = port;
    l->session.setPort(port);
    l->poll.setSingleShot(true);
    connect(&l->session, &RadioSession::runEnded, this, [this, l](const RadioSession::RunResult &r) {
        // From the event loop: the session that ended may still be unwinding.
        QTimer::singleShot(0, this, rtl::guarded([this, l, r] { runEnded(*l, r); }));
    });
    connect(&l->session, &RadioSession::runStepStarted, this, [this, l](int step, int, int, bool isWrite) {
        if (l->row < 0 || l->phase == Lane::Phase::Probe)
            return;
        if (l->phase == Lane::Phase::Write && !isWrite && m_status[l->row].state == State::Writing)
            setState(l->row, State::Verifying);
        l->stepBase = (l->phase == Lane::Phase::Write ? totalBlocks() : 0) + blocksOf(l->steps, step);
        m_status[l->row].done = l->stepBase;
        emit rowChanged(l->row);
    });
    connect(&l->session, &RadioSession::runProgress, this, [this, l](int confirmed, int) {
        if (l->row < 0 || l->phase == Lane::Phase::Probe)
            return;
        m_status[l->row].done = l->stepBase + confirmed;
        emit rowChanged(l->row);
    });
    m_lanes.push_back(std::move(lane));
    return *l;
}

bool FleetRunner::takesRows(const Lane &lane) const
{
    return !lane.held && !m_stopping && (!lane.queue.isEmpty() || (lane.shared && !m_shared.isEmpty()));
}

void FleetRunner::start()
{
    if (running())
        throw rtl::Exception(RadioLink::kBusyMessage);
    const QList<FleetIssue> issues = check();
    if (hasBlocking(issues)) {
        QStringList lines{QStringLiteral("批量写频前的检查发现以下问题，没有写入任何电台：")};
        for (const FleetIssue &i : issues)
            if (i.blocking)
                lines << issueLines({i});
        throw rtl::Exception(lines.join(QLatin1Char('\n')));
    }
    m_stopping = false;
    m_finishedSent = false;
    m_shared.clear();
    for (auto &lane : m_lanes)
        lane->queue.clear();
    for (const QString &port : m_sharedPorts)
        laneFor(port).shared = true;
    for (int r = 0; r < m_table.rows.size(); ++r) {
        if (m_status[r].state == State::Passed)
            continue;
        const FleetRow &row = m_table.rows[r];
        if (row.nextRadio())
            m_shared << r;
        else
            laneFor(row.port).queue << r;
    }
    for (auto &lane : m_lanes)
        startLane(*lane);
    checkFinished();
}

void FleetRunner::startLane(Lane &lane)
{
    if (lane.row >= 0 || !takesRows(lane))
        return;
    lane.row = !lane.queue.isEmpty() ? lane.queue.takeFirst() : m_shared.takeFirst();
    RowStatus &s = m_status[lane.row];
    const int attempts = s.attempts + 1;
    s = RowStatus();
    s.attempts = attempts;
    s.port = lane.port;
    if (lane.lastSignature.isEmpty())
        backup(lane);
    else
        probe(lane);
}

void FleetRunner::probe(Lane &lane)
{
    // A short read of the identity blocks says whether the radio on the cable is a new one.
    lane.phase = Lane::Phase::Probe;
    QList<RadioSession::Step> steps;
    for (const IdentityField &f : identityFields())
        if (steps.isEmpty() || steps.last().group != f.group)
            steps << RadioSession::readSteps(f.group);
    lane.steps = steps;
    lane.session.startRun(steps);
}

void FleetRunner::backup(Lane &lane)
{
    lane.phase = Lane::Phase::Backup;
    RowStatus &s = m_status[lane.row];
    s.startedAt = QDateTime::currentDateTimeUtc();
    s.done = 0;
    setState(lane.row, State::BackingUp);
    lane.steps = RadioSession::backupSteps();
    lane.session.startRun(lane.steps);
}

void FleetRunner::runEnded(Lane &lane, const RadioSession::RunResult &result)
{
    if (lane.row < 0)
        return;
    if (m_stopping) {
        endRow(lane, false, QStringLiteral("已停止"));
        return;
    }
    try {
        switch (lane.phase) {
        case Lane::Phase::Probe:
            probed(lane, result);
            break;
        case Lane::Phase::Backup:
            backedUp(lane, result);
            break;
        case Lane::Phase::Write:
            written(lane, result);
            break;
        case Lane::Phase::None:
            break;
        }
    } catch (const rtl::Exception &e) {
        // A run that would not start, a backup that cannot be kept: this radio fails, no other.
        if (lane.row >= 0)
            endRow(lane, false, e.message());
    }
}

void FleetRunner::waitThen(Lane &lane, State state, void (FleetRunner::*next)(Lane &))
{
    setState(lane.row, state);
    lane.poll.disconnect();
    connect(&lane.poll, &QTimer::timeout, this, rtl::guarded([this, &lane, next] {
        if (lane.row < 0 || m_stopping)
            return;
        try {
            (this->*next)(lane);
        } catch (const rtl::Exception &e) {
            endRow(lane, false, e.message());
        }
    }));
    lane.poll.start(m_pollMs);
}

void FleetRunner::probed(Lane &lane, const RadioSession::RunResult &result)
{
    if (!result.error.isEmpty()) {
        endRow(lane, false, result.error);
        return;
    }
    if (!result.ok) {
        waitThen(lane, State::WaitingForRadio, &FleetRunner::probe);
        return;
    }
    if (signature(payloadsOf(result.frames)) == lane.lastSignature) {
        waitThen(lane, State::WaitingForNext, &FleetRunner::probe);
        return;
    }
    backup(lane);
}

void FleetRunner::backedUp(Lane &lane, const RadioSession::RunResult &result)
{
    const FleetRow &row = m_table.rows[lane.row];
    if (!result.ok) {
        // Nothing at all from the cable of the next radio: none is on it yet.
        if (row.nextRadio() && result.error.isEmpty() && result.frames.isEmpty() && result.stopped
            && result.stopped->end == TransferOutcome::End::Silent) {
            waitThen(lane, State::WaitingForRadio, &FleetRunner::backup);
            return;
        }
        endRow(lane, false, QStringLiteral("备份电台时：") + stopText(result));
        return;
    }
    write(lane, result);
}

QString FleetRunner::saveBackup(const FleetRow &row, const RadioImage &image)
{
    QString why;
    if (!rtl::makePrivateFolder(m_backupFolder, &why))
        throw ERadioImageError(QStringLiteral("无法建立备份文件夹 %1：%2").arg(m_backupFolder, why));
    const QString stamp = image.readAt.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QDir dir(m_backupFolder);
    QString file = dir.filePath(QStringLiteral("%1-%2.rimg").arg(fileSafe(row.label), stamp));
    // Never over an earlier backup: a second try within the same second gets its own file.
    for (int n = 2; QFileInfo::exists(file); ++n)
        file = dir.filePath(QStringLiteral("%1-%2-%3.rimg").arg(fileSafe(row.label), stamp).arg(n));
    saveRadioImage(image, file);
    return file;
}

void FleetRunner::write(Lane &lane, const RadioSession::RunResult &backup)
{
    RowStatus &s = m_status[lane.row];
    const FleetRow &row = m_table.rows[lane.row];
    RadioImage image;
    image.readAt = backup.startedAt;
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys)
            image.frames << backup.frames.value(key);
    // No write without the radio's own memory kept first.
    try {
        s.backupFile = saveBackup(row, image);
    } catch (const rtl::Exception &e) {
        endRow(lane, false, QStringLiteral("备份无法保存，没有写入：") + e.message());
        return;
    }
    lane.lastSignature = signature(payloadsOf(backup.frames));
    lane.lastRow = lane.row;
    lane.payloads = m_template.payloadsFor(row);
    s.digest = payloadDigest(lane.payloads);
    QList<RadioSession::Step> steps;
    for (int g = 0; g < blockGroups().size(); ++g) {
        RadioSession::Step step{g, true, {}};
        for (int key : blockGroups().at(g).keys)
            step.payloads << lane.payloads.value(key);
        steps << step;
    }
    for (int g = 0; g < blockGroups().size(); ++g)
        steps << RadioSession::Step{g, false, {}};
    lane.phase = Lane::Phase::Write;
    lane.steps = steps;
    setState(lane.row, State::Writing);
    lane.session.startRun(steps);
}

void FleetRunner::written(Lane &lane, const RadioSession::RunResult &result)
{
    // From the first identity block written on, the radio may hold its new identity.
    if (!result.written.isEmpty())
        lane.lastSignature = signature(lane.payloads);
    if (!result.ok) {
        const int step = result.stoppedStep;
        const bool reading = step >= int(blockGroups().size());
        const QString group = step >= 0 && step < lane.steps.size() ? blockGroups().at(lane.steps[step].group).name
                                                                     : QString();
        endRow(lane, false, QStringLiteral("%1（%2）：").arg(reading ? QStringLiteral("读回校验时") : QStringLiteral("写入时"), group)
                                + stopText(result));
        return;
    }
    m_status[lane.row].differences = compareReadBack(lane.payloads, payloadsOf(result.frames));
    const int differences = int(m_status[lane.row].differences.size());
    if (differences > 0)
        endRow(lane, false, QStringLiteral("读回校验发现 %1 处与写入的不同").arg(differences));
    else
        endRow(lane, true);
}

void FleetRunner::endRow(Lane &lane, bool passed, const QString &error)
{
    const int row = lane.row;
    lane.poll.stop();
    lane.phase = Lane::Phase::None;
    lane.row = -1;
    if (lane.session.runRunning())
        lane.session.abortRun();
    lane.session.close();
    RowStatus &s = m_status[row];
    s.endedAt = QDateTime::currentDateTimeUtc();
    s.error = error;
    if (passed)
        s.done = blocksPerRadio();
    setState(row, passed ? State::Passed : State::Failed);
    if (!passed && m_pauseAfterFailure && !m_stopping && takesRows(lane)) {
        lane.held = true;
        emit portHeld(lane.port, row);
    }
    QTimer::singleShot(0, this, rtl::guarded([this, &lane] {
        startLane(lane);
        checkFinished();
    }));
}

void FleetRunner::setState(int row, State state)
{
    m_status[row].state = state;
    emit rowChanged(row);
}

void FleetRunner::retry(int row)
{
    if (row < 0 || row >= m_status.size() || m_status[row].state != State::Failed)
        return;
    m_status[row].state = State::Pending;
    m_status[row].error.clear();
    emit rowChanged(row);
    m_stopping = false;
    m_finishedSent = false;
    const FleetRow &r = m_table.rows[row];
    for (auto &lane : m_lanes) {
        // The radio that failed is the one on the cable: it is not a radio to wait past.
        if (lane->lastRow == row) {
            lane->lastSignature.clear();
            lane->held = false;
        }
    }
    if (r.nextRadio()) {
        m_shared.prepend(row);
        for (const QString &port : m_sharedPorts)
            laneFor(port).shared = true;
        for (auto &lane : m_lanes)
            if (lane->shared)
                startLane(*lane);
    } else {
        Lane &lane = laneFor(r.port);
        lane.queue.prepend(row);
        lane.held = false;
        startLane(lane);
    }
    checkFinished();
}

void FleetRunner::resume(const QString &port)
{
    for (auto &lane : m_lanes)
        if (lane->port == port && lane->held) {
            lane->held = false;
            m_finishedSent = false;
            startLane(*lane);
        }
    checkFinished();
}

void FleetRunner::stop()
{
    m_stopping = true;
    for (auto &lane : m_lanes) {
        if (lane->row < 0)
            continue;
        lane->poll.stop();
        endRow(*lane, false, QStringLiteral("已停止"));
    }
    checkFinished();
}

bool FleetRunner::running() const
{
    return std::any_of(m_lanes.cbegin(), m_lanes.cend(), [](const auto &l) { return l->row >= 0; });
}

QStringList FleetRunner::heldPorts() const
{
    QStringList ports;
    for (const auto &lane : m_lanes)
        if (lane->held)
            ports << lane->port;
    return ports;
}

void FleetRunner::checkFinished()
{
    if (m_finishedSent || running())
        return;
    for (const auto &lane : m_lanes)
        if (takesRows(*lane))
            return;
    m_finishedSent = true;
    emit finished();
}

FleetReport FleetRunner::report() const
{
    FleetReport report;
    report.createdAt = QDateTime::currentDateTimeUtc();
    report.templateSource = m_template.source;
    QMap<int, QByteArray> payloads;
    for (const BlockGroup &group : blockGroups())
        for (int key : group.keys)
            payloads.insert(key, m_template.image.payload(key));
    report.templateDigest = payloadDigest(payloads);
    for (const IdentityField &f : identityFields())
        report.identityColumns << f.name();
    for (int r = 0; r < m_table.rows.size(); ++r) {
        const FleetRow &row = m_table.rows[r];
        const RowStatus &s = m_status[r];
        FleetReportRow out;
        out.label = row.label;
        out.port = s.port.isEmpty() ? (row.nextRadio() ? kNextRadio : row.port) : s.port;
        out.values = row.values;
        out.startedAt = s.startedAt;
        out.endedAt = s.endedAt;
        out.digest = s.digest;
        out.backupFile = s.backupFile;
        out.passed = s.state == State::Passed;
        out.attempted = s.attempts > 0;
        out.error = s.running() ? stateText(s.state) : s.error;
        out.differences = s.differences;
        report.rows << out;
    }
    return report;
}
