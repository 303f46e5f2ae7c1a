// A side from a file at once, or from the radio through a backup run.
#include "compare/sideloader.h"

#include "frames/frame.h"
#include "image/radioimage.h"
#include "protocol/blockgroups.h"
#include "protocol/radiosession.h"
#include "protocol/transferreport.h"
#include "rtl/guard.h"

#include <QTimer>

SideLoader::SideLoader(QObject *parent) : QObject(parent)
{
    for (int g = 0; g < groups::kCount; ++g)
        m_groups << g;
}

SideLoader::~SideLoader()
{
    abort();
}

void SideLoader::setSession(RadioSession *session)
{
    m_session = session;
}

void SideLoader::setGroups(const QList<int> &groups)
{
    m_groups = groups;
}

void SideLoader::load(const QString &source)
{
    if (m_running)
        throw rtl::Exception(QStringLiteral("正在读取另一方，请稍候。"));
    m_running = true;
    if (source.startsWith(kRadioPrefix)) {
        readRadio(source.mid(kRadioPrefix.size()));
        return;
    }
    QTimer::singleShot(0, this, rtl::guarded([this, source] {
        m_running = false;
        try {
            emit loaded(loadFileSide(source));
        } catch (const ESideError &e) {
            emit failed(e.message());
        }
    }));
}

void SideLoader::readRadio(const QString &port)
{
    RadioSession *session = m_session;
    if (!session) {
        if (!m_ownSession)
            m_ownSession = new RadioSession(this);
        session = m_ownSession;
        session->setPort(port);
    }
    QList<RadioSession::Step> steps;
    int total = 0;
    for (int g : std::as_const(m_groups)) {
        steps << RadioSession::readSteps(g);
        total += int(blockGroups().at(g).keys.size());
    }
    const QString name = QStringLiteral("电台（%1）").arg(session->port());
    m_doneBlocks = 0;
    // The run counts each step from its first block; the loader counts the whole read.
    m_step = connect(session, &RadioSession::runStepStarted, this, [this, total](int step) {
        m_doneBlocks = 0;
        for (int g = 0; g < step && g < m_groups.size(); ++g)
            m_doneBlocks += int(blockGroups().at(m_groups[g]).keys.size());
        emit progress(m_doneBlocks, total);
    });
    m_progress = connect(session, &RadioSession::runProgress, this,
                         [this, total](int confirmed, int) { emit progress(m_doneBlocks + confirmed, total); });
    m_ended = connect(session, &RadioSession::runEnded, this, [this, name](const RadioSession::RunResult &result) {
        disconnect(m_step);
        disconnect(m_progress);
        disconnect(m_ended);
        m_running = false;
        if (!result.ok) {
            QString why = result.error;
            if (why.isEmpty() && result.stopped)
                why = interruptionText(*result.stopped, false);
            emit failed(QStringLiteral("无法读取%1：\n%2").arg(name, why));
            return;
        }
        Side side;
        side.name = name;
        for (auto it = result.frames.cbegin(); it != result.frames.cend(); ++it)
            side.payloads.insert(it.key(), it.value().mid(frame::kHeaderLength, frame::kPayloadLength));
        emit loaded(side);
    });
    try {
        session->startRun(steps);
    } catch (const rtl::Exception &e) {
        disconnect(m_step);
        disconnect(m_progress);
        disconnect(m_ended);
        QTimer::singleShot(0, this, [this, name, why = e.message()] {
            m_running = false;
            emit failed(QStringLiteral("无法读取%1：\n%2").arg(name, why));
        });
    }
}

void SideLoader::abort()
{
    RadioSession *session = m_session ? m_session.data() : m_ownSession;
    if (m_running && session && session->runRunning())
        session->abortRun();
}
