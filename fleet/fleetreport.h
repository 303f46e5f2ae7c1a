// What a fleet run leaves behind: per radio its label, port, identity values, times, the
// SHA-256 of the blocks written, its backup, pass or fail and the differences. Kept as data, with
// a CSV writer and an HTML page a window can print to PDF.
#pragma once

#include "layouts/readbackcheck.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct FleetReportRow {
    QString label;
    QString port;
    QStringList values; // one per identity field
    QDateTime startedAt; // UTC; null when the radio was never reached
    QDateTime endedAt;
    QString digest;     // SHA-256 of the blocks written, hex
    QString backupFile;
    bool passed = false;
    bool attempted = false;
    QString error;      // why it failed, when it did
    QList<ReadBackDifference> differences;

    // 通过, 失败 or 未写.
    QString result() const;
    // The error and the differences as one text.
    QString notes() const;
};

struct FleetReport {
    QDateTime createdAt; // UTC
    QString templateSource;
    QString templateDigest; // SHA-256 of the template's blocks, identity as the template holds it
    QStringList identityColumns;
    QList<FleetReportRow> rows;

    int passedCount() const;
    bool allPassed() const;
};

// UTF-8 with BOM, CR LF: a heading line per fact, then a row per radio.
QByteArray fleetReportCsv(const FleetReport &report);
// Throws rtl::EFileWriteError.
void saveFleetReportCsv(const FleetReport &report, const QString &fileName);
// A page with a title, the template and a table of the radios, for QTextDocument to print.
QString fleetReportHtml(const FleetReport &report);
