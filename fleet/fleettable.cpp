// The fleet table and its CSV file.
#include "fleet/fleettable.h"

#include "channels/channelcsv.h"
#include "channels/channelsheet.h"
#include "fleet/identityfield.h"
#include "rtl/filewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {

constexpr qint64 kMaxFileBytes = 1024 * 1024;
const QChar kSeparators[] = {u',', u';', u'\t'};
const QString kLabel = QStringLiteral("标签");
const QString kPort = QStringLiteral("端口");

// Header captions: the program's own, and the plain names a hand-made file may use.
int columnOf(const QString &caption)
{
    const QString c = caption.trimmed();
    if (c == kLabel || c.compare(QStringLiteral("label"), Qt::CaseInsensitive) == 0)
        return 0;
    if (c == kPort || c.compare(QStringLiteral("port"), Qt::CaseInsensitive) == 0)
        return 1;
    const QList<IdentityField> &ids = identityFields();
    for (int i = 0; i < ids.size(); ++i)
        if (c == ids[i].caption || c == ids[i].name() || c.compare(ids[i].control, Qt::CaseInsensitive) == 0)
            return 2 + i;
    return -1;
}

} // namespace

QStringList FleetTable::columns()
{
    QStringList captions{kLabel, kPort};
    for (const IdentityField &f : identityFields())
        captions << f.name();
    return captions;
}

void FleetTable::resize(int count)
{
    const qsizetype fields = identityFields().size();
    while (rows.size() > count)
        rows.removeLast();
    while (rows.size() < count) {
        FleetRow row;
        row.label = QStringLiteral("电台 %1").arg(rows.size() + 1);
        rows << row;
    }
    for (FleetRow &row : rows)
        while (row.values.size() < fields)
            row.values << QString();
}

bool FleetTable::fill(int field, int first, const QString &start, qint64 step)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,18}$"));
    if (field < 0 || field >= identityFields().size() || first < 0 || !digits.match(start).hasMatch())
        return false;
    const qint64 from = start.toLongLong();
    if (from + step * qMax<qint64>(0, rows.size() - 1 - first) < 0)
        return false;
    for (int r = first; r < rows.size(); ++r) {
        rows[r].values.resize(identityFields().size());
        rows[r].values[field] = QStringLiteral("%1").arg(from + step * (r - first), int(start.size()), 10, QLatin1Char('0'));
    }
    return true;
}

QByteArray FleetTable::toCsv() const
{
    QList<QStringList> lines{columns()};
    for (const FleetRow &row : rows) {
        QStringList line{row.label, row.nextRadio() ? kNextRadio : row.port};
        for (int i = 0; i < identityFields().size(); ++i)
            line << row.values.value(i);
        lines << line;
    }
    return "\xEF\xBB\xBF" + joinDelimited(lines, u',', QStringLiteral("\r\n")).toUtf8();
}

FleetTable FleetTable::fromCsv(const QByteArray &bytes)
{
    const std::optional<QString> decoded = decodeCsvText(bytes);
    if (!decoded)
        throw EFleetTableError(QStringLiteral("这既不是 UTF-8 也不是 GBK 文本，不是电台表。"));
    const QString &text = *decoded;
    const QString header = text.left(text.indexOf(QRegularExpression(QStringLiteral("[\r\n]"))));
    QChar separator = kSeparators[0];
    QHash<int, int> at; // our column -> field index in the file
    for (QChar s : kSeparators) {
        at.clear();
        const QStringList captions = splitDelimited(header, s).value(0);
        for (int i = 0; i < captions.size(); ++i) {
            const int c = columnOf(captions[i]);
            if (c >= 0 && !at.contains(c))
                at.insert(c, i);
        }
        separator = s;
        if (at.contains(0))
            break;
    }
    if (!at.contains(0))
        throw EFleetTableError(QStringLiteral("这不是电台表：第一行没有「标签」列。"));

    FleetTable table;
    const QList<QStringList> lines = splitDelimited(text, separator);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList &fields = lines[i];
        if (fields.join(QString()).trimmed().isEmpty())
            continue;
        const auto field = [&](int c) { return at.contains(c) ? fields.value(at.value(c)).trimmed() : QString(); };
        FleetRow row;
        row.label = field(0);
        row.port = field(1);
        if (row.port == kNextRadio)
            row.port.clear();
        for (int f = 0; f < identityFields().size(); ++f)
            row.values << field(2 + f);
        table.rows << row;
    }
    return table;
}

void FleetTable::save(const QString &fileName) const
{
    try {
        rtl::writeFileChecked(fileName, toCsv());
    } catch (const rtl::EFileWriteError &e) {
        throw EFleetTableError(e.message());
    }
}

FleetTable FleetTable::load(const QString &fileName)
{
    const auto cannotOpen = [&](const QString &why) {
        return EFleetTableError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, why));
    };
    // Only regular files: a FIFO would never end.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        throw cannotOpen(QStringLiteral("它不是普通文件。"));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw cannotOpen(file.errorString());
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes)
        throw cannotOpen(QStringLiteral("文件超过 1 MB，不是电台表。"));
    return fromCsv(bytes);
}
