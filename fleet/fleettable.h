// The per-radio table of a fleet: one row per radio with its label, its port (or the next radio
// on a shared cable) and a value for every identity field; kept as CSV.
#pragma once

#include "rtl/exception.h"

#include <QList>
#include <QString>
#include <QStringList>

// A fleet table file that cannot be read, understood or written; the table is unchanged.
class EFleetTableError : public rtl::Exception {
public:
    using Exception::Exception;
};

// The text of the port column for a radio that waits for the next free shared cable.
inline const QString kNextRadio = QStringLiteral("下一台");

struct FleetRow {
    QString label;
    QString port;       // a device path or COMn; empty (or 下一台) for the next radio
    QStringList values; // one per identityFields(), in their order

    bool nextRadio() const { return port.isEmpty() || port == kNextRadio; }
};

class FleetTable {
public:
    QList<FleetRow> rows;

    // 标签, 端口, then the identity captions.
    static QStringList columns();

    // Rows 0…count−1, each with one empty value per identity field; labels 电台 1, 电台 2 … for
    // the new ones.
    void resize(int count);
    // Fills identity column `field` from row `first` on with start, start + step, … A start with
    // leading zeros keeps its width ("0101" gives "0102"). Returns false (and changes nothing)
    // when the start is not a number or a value would fall below 0.
    bool fill(int field, int first, const QString &start, qint64 step);

    // UTF-8 with BOM and CR LF, as spreadsheets open it.
    QByteArray toCsv() const;
    // UTF-8 with or without BOM, else GBK; separated by commas, semicolons or tabs, whichever the
    // header uses. The header must name 标签 (or label); the other columns are found by caption
    // and may be missing or in any order. Throws EFleetTableError.
    static FleetTable fromCsv(const QByteArray &bytes);

    void save(const QString &fileName) const;
    static FleetTable load(const QString &fileName);
};
