// The checks a fleet gets before any radio hears a byte: the table (labels, ports, identity
// values, duplicates) and the template (complete, encodable, the channel plan's own warnings).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct FleetTemplate;
class FleetTable;

struct FleetIssue {
    int row = -1;      // table row from 0; -1 for the template
    QString where;     // "第 2 行「电台 2」", "模板 信道 3", "模板 通用设置"
    QString column;    // the column caption or the field
    QString value;     // the text as it stands
    QString message;   // what is wrong, in the user's words
    bool blocking = true; // false: a warning the user may write past, as before a channel write
};

// `sharedPorts`: the cables the rows marked 下一台 are programmed on, one radio after another.
QList<FleetIssue> lintFleet(const FleetTable &table, const FleetTemplate &tmpl, const QStringList &sharedPorts);
bool hasBlocking(const QList<FleetIssue> &issues);
// One line per issue: "第 2 行「电台 2」 DTMF「ID码」 '12' 与第 1 行「电台 1」相同".
QStringList issueLines(const QList<FleetIssue> &issues);
