// The fleet report's CSV and HTML.
#include "fleet/fleetreport.h"

#include "channels/channelsheet.h"
#include "rtl/filewriter.h"

namespace {

QString timeText(const QDateTime &t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QStringList header(const FleetReport &report)
{
    return QStringList{QStringLiteral("标签"), QStringLiteral("端口")} + report.identityColumns
           + QStringList{QStringLiteral("开始时间"), QStringLiteral("结束时间"), QStringLiteral("写入数据 SHA-256"),
                         QStringLiteral("备份文件"), QStringLiteral("结果"), QStringLiteral("说明")};
}

QStringList fields(const FleetReportRow &row)
{
    return QStringList{row.label, row.port} + row.values
           + QStringList{timeText(row.startedAt), timeText(row.endedAt), row.digest, row.backupFile, row.result(),
                         row.notes()};
}

} // namespace

QString FleetReportRow::result() const
{
    if (passed)
        return QStringLiteral("通过");
    return attempted ? QStringLiteral("失败") : QStringLiteral("未写");
}

QString FleetReportRow::notes() const
{
    QStringList lines;
    if (!error.isEmpty())
        lines << error;
    for (const ReadBackDifference &d : differences)
        lines << QStringLiteral("%1%2%3：写入 %4，读回 %5")
                     .arg(d.where, d.field.startsWith(QStringLiteral("「")) ? QString() : QStringLiteral(" "), d.field,
                          d.sent, d.readBack);
    return lines.join(QLatin1Char('\n'));
}

int FleetReport::passedCount() const
{
    return int(std::count_if(rows.cbegin(), rows.cend(), [](const FleetReportRow &r) { return r.passed; }));
}

bool FleetReport::allPassed() const
{
    return !rows.isEmpty() && passedCount() == rows.size();
}

QByteArray fleetReportCsv(const FleetReport &report)
{
    QList<QStringList> lines{
        {QStringLiteral("批量写频报告"), timeText(report.createdAt)},
        {QStringLiteral("模板"), report.templateSource},
        {QStringLiteral("模板数据 SHA-256"), report.templateDigest},
        {QStringLiteral("通过"), QStringLiteral("%1 / %2").arg(report.passedCount()).arg(report.rows.size())},
        {},
        header(report)};
    for (const FleetReportRow &row : report.rows)
        lines << fields(row);
    return "\xEF\xBB\xBF" + joinDelimited(lines, u',', QStringLiteral("\r\n")).toUtf8();
}

void saveFleetReportCsv(const FleetReport &report, const QString &fileName)
{
    rtl::writeFileChecked(fileName, fleetReportCsv(report));
}

QString fleetReportHtml(const FleetReport &report)
{
    const auto esc = [](const QString &s) { return s.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")); };
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>");
    html += QStringLiteral("<h2>批量写频报告</h2><p>%1<br>模板：%2<br>模板数据 SHA-256：<tt>%3</tt><br>通过：%4 / %5</p>")
                .arg(esc(timeText(report.createdAt)), esc(report.templateSource), esc(report.templateDigest))
                .arg(report.passedCount())
                .arg(report.rows.size());
    html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
    for (const QString &h : header(report))
        html += QStringLiteral("<th>%1</th>").arg(esc(h));
    html += QStringLiteral("</tr>");
    for (const FleetReportRow &row : report.rows) {
        const QStringList cells = fields(row);
        html += row.passed ? QStringLiteral("<tr>") : QStringLiteral("<tr style=\"color:#b00000\">");
        for (int i = 0; i < cells.size(); ++i) {
            // The digest is long: split it over two lines so the table fits the page.
            const QString text = cells[i] == row.digest && !row.digest.isEmpty()
                                     ? row.digest.left(32) + QLatin1Char('\n') + row.digest.mid(32)
                                     : cells[i];
            html += QStringLiteral("<td>%1</td>").arg(esc(text));
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></body></html>");
    return html;
}
