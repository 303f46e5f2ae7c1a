// Fleet checks over the table and the template.
#include "fleet/fleetlint.h"

#include "channels/channelcodec.h"
#include "channels/channellint.h"
#include "channels/memorychanneltexts.h"
#include "fleet/fleettable.h"
#include "fleet/fleettemplate.h"
#include "fleet/identityfield.h"
#include "protocol/channeltransfer.h"

#include <QHash>

namespace {

QString rowName(const FleetTable &table, int r)
{
    return QStringLiteral("第 %1 行「%2」").arg(r + 1).arg(table.rows[r].label);
}

void lintTable(const FleetTable &table, const QStringList &sharedPorts, QList<FleetIssue> &out)
{
    const QList<IdentityField> &ids = identityFields();
    if (table.rows.isEmpty())
        out << FleetIssue{-1, QStringLiteral("电台表"), {}, {}, QStringLiteral("没有电台"), true};
    QHash<QString, int> labels;
    QList<QHash<QByteArray, int>> seen(ids.size());
    bool nextRadioWithoutCable = false;
    for (int r = 0; r < table.rows.size(); ++r) {
        const FleetRow &row = table.rows[r];
        const QString where = rowName(table, r);
        if (row.label.trimmed().isEmpty())
            out << FleetIssue{r, where, QStringLiteral("标签"), row.label, QStringLiteral("没有填写"), true};
        else if (labels.contains(row.label))
            out << FleetIssue{r, where, QStringLiteral("标签"), row.label,
                              QStringLiteral("与%1相同").arg(rowName(table, labels.value(row.label))), true};
        else
            labels.insert(row.label, r);
        if (row.nextRadio() && sharedPorts.isEmpty() && !nextRadioWithoutCable) {
            nextRadioWithoutCable = true;
            out << FleetIssue{r, where, QStringLiteral("端口"), kNextRadio,
                              QStringLiteral("没有为「下一台」指定写频线端口"), true};
        }
        for (int f = 0; f < ids.size(); ++f) {
            const QString value = row.values.value(f);
            if (const std::optional<QString> problem = identityProblem(ids[f], value)) {
                out << FleetIssue{r, where, ids[f].name(), value, *problem, true};
                continue;
            }
            if (!ids[f].unique)
                continue;
            const QByteArray bytes = identityBytes(ids[f], value);
            if (seen[f].contains(bytes))
                out << FleetIssue{r, where, ids[f].name(), value,
                                  QStringLiteral("与%1相同").arg(rowName(table, seen[f].value(bytes))), true};
            else
                seen[f].insert(bytes, r);
        }
    }
}

void lintTemplate(const FleetTemplate &tmpl, QList<FleetIssue> &out)
{
    const QList<int> missing = tmpl.missingGroups();
    for (int g : missing)
        out << FleetIssue{-1, QStringLiteral("模板"), blockGroups().at(g).name, {},
                          QStringLiteral("模板中没有完整的「%1」数据块").arg(blockGroups().at(g).name), true};
    if (missing.contains(0))
        return;
    // The template's channel plan gets the checks a channel write of it would get.
    MemoryChannelTexts texts;
    QList<QByteArray> frames;
    for (int key : blockGroups().at(0).keys)
        frames << tmpl.image.frame(key);
    ChannelTransfer::decode(frames, texts);
    try {
        validateChannelPlan(texts);
    } catch (const rtl::Exception &e) {
        out << FleetIssue{-1, QStringLiteral("模板"), QStringLiteral("信道"), {}, e.message(), true};
    }
    for (const PlanWarning &w : lintChannelPlan(texts))
        out << FleetIssue{-1,
                          w.channel > 0 ? QStringLiteral("模板 信道 %1").arg(w.channel) : QStringLiteral("模板 通用设置"),
                          w.column, w.value, w.message, false};
}

} // namespace

QList<FleetIssue> lintFleet(const FleetTable &table, const FleetTemplate &tmpl, const QStringList &sharedPorts)
{
    QList<FleetIssue> out;
    lintTable(table, sharedPorts, out);
    lintTemplate(tmpl, out);
    return out;
}

bool hasBlocking(const QList<FleetIssue> &issues)
{
    return std::any_of(issues.cbegin(), issues.cend(), [](const FleetIssue &i) { return i.blocking; });
}

QStringList issueLines(const QList<FleetIssue> &issues)
{
    QStringList lines;
    for (const FleetIssue &i : issues) {
        QStringList parts{i.where};
        if (!i.column.isEmpty())
            parts << i.column;
        if (!i.value.isEmpty())
            parts << QStringLiteral("'%1'").arg(i.value);
        parts << i.message;
        lines << parts.join(QLatin1Char(' '));
    }
    return lines;
}
