// Loads a side of a comparison from its source: a .zq or .rimg file at once, the radio
// ("radio:PORT") through a backup run of a radio session, which takes its time.
#pragma once

#include "compare/comparesides.h"

#include <QList>
#include <QObject>
#include <QPointer>

class RadioSession;

class SideLoader : public QObject {
    Q_OBJECT
public:
    explicit SideLoader(QObject *parent = nullptr);
    ~SideLoader() override;

    // Reads the radio through this session (the program's own for the port) instead of one of
    // the loader's own; the session's port is used and `radio:PORT` names only the side.
    void setSession(RadioSession *session);
    // The block groups read from a radio (groups::kChannels …); every group by default.
    void setGroups(const QList<int> &groups);

    // Ends in loaded() or failed(), from the event loop in either case, so that whoever called
    // may connect after the call. Throws when a load is already under way.
    void load(const QString &source);
    bool running() const { return m_running; }
    // Ends a running radio read; failed() tells it.
    void abort();

signals:
    void loaded(const Side &side);
    void failed(const QString &message);
    // Blocks of the radio read so far, and the blocks in all.
    void progress(int blocks, int total);

private:
    void readRadio(const QString &port);

    QPointer<RadioSession> m_session;
    RadioSession *m_ownSession = nullptr;
    QList<int> m_groups;
    bool m_running = false;
    int m_doneBlocks = 0;
    QMetaObject::Connection m_progress;
    QMetaObject::Connection m_ended;
    QMetaObject::Connection m_step;
};
