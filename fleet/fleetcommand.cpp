// The fleet command.
#include "fleet/fleetcommand.h"

#include "fleet/fleetrunner.h"
#include "rtl/filewriter.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// The command line's exit statuses: a file refused, a radio that did not pass.
constexpr int kRefused = 2;
constexpr int kFailed = 4;

QString defaultBackupFolder(const FleetCommandOptions &options)
{
    if (!options.backupFolder.isEmpty())
        return options.backupFolder;
    if (!options.reportFile.isEmpty())
        return QFileInfo(options.reportFile).absoluteDir().filePath(QStringLiteral("backups"));
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/backups");
}

} // namespace

int runFleetCommand(const FleetCommandOptions &options, QTextStream &out, QTextStream &err)
{
    FleetTemplate tmpl;
    FleetTable table;
    try {
        tmpl = FleetTemplate::fromFile(options.templateFile);
        table = FleetTable::load(options.radiosFile);
    } catch (const rtl::Exception &e) {
        err << e.message() << Qt::endl;
        return kRefused;
    }
    FleetRunner runner(table, tmpl);
    runner.setSharedPorts(options.ports);
    runner.setBackupFolder(defaultBackupFolder(options));
    // No one is there to say the failed radio is off the cable; a waiting cable waits for a new one.
    runner.setPauseAfterFailure(false);

    const QList<FleetIssue> issues = runner.check();
    for (const QString &line : issueLines(issues))
        err << line << Qt::endl;
    if (hasBlocking(issues)) {
        err << QStringLiteral("批量写频前的检查发现问题，没有写入任何电台。") << Qt::endl;
        return kRefused;
    }

    QEventLoop loop;
    QObject::connect(&runner, &FleetRunner::finished, &loop, &QEventLoop::quit);
    QObject::connect(&runner, &FleetRunner::rowChanged, &loop, [&](int row) {
        const FleetRunner::RowStatus &s = runner.status(row);
        if (s.state == FleetRunner::State::Passed || s.state == FleetRunner::State::Failed)
            out << table.rows[row].label << ": " << FleetRunner::stateText(s.state)
                << (s.error.isEmpty() ? QString() : QStringLiteral(" — ") + s.error.section(QLatin1Char('\n'), 0, 0))
                << Qt::endl;
    });
    try {
        runner.start();
    } catch (const rtl::Exception &e) {
        err << e.message() << Qt::endl;
        return kRefused;
    }
    loop.exec();

    const FleetReport report = runner.report();
    if (options.reportFile.isEmpty()) {
        out << QString::fromUtf8(fleetReportCsv(report).mid(3)); // without the byte order mark
    } else {
        try {
            saveFleetReportCsv(report, options.reportFile);
        } catch (const rtl::Exception &e) {
            err << e.message() << Qt::endl;
            return kRefused;
        }
    }
    out << QStringLiteral("通过 %1 / %2").arg(report.passedCount()).arg(report.rows.size()) << Qt::endl;
    return report.allPassed() ? 0 : kFailed;
}
