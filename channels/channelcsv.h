// Channel lists in the comma-separated layout that radio programming tools exchange: one channel
// a line under a header of named columns (Location, Frequency, Duplex, Offset, Tone, ...).
#pragma once

#include "channels/channeltexts.h"
#include "rtl/exception.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A CSV file that cannot be written, read or understood; the table is unchanged.
class EChannelCsvError : public rtl::Exception {
public:
    using Exception::Exception;
};

// The columns written, in order.
const QStringList &csvColumns();
// Captions of the table columns the layout has no place for.
QStringList csvUncarriedColumns();

struct CsvReport {
    int channels = 0;    // channels written or taken
    QStringList skipped; // one line for each channel or file row left out, naming it and why
    QStringList outOfBand; // import: one line for each frequency taken outside the radio's bands
};

// The channels in use as UTF-8 CSV with CR LF line ends. A channel whose texts have no CSV form
// (a frequency that is not a number, say) is left out and named in the report.
QByteArray channelCsv(const ChannelTexts &texts, CsvReport *report);

// Where an import puts a file's rows: the rows before `firstRow` (an index into
// ChannelCsvFile::rows()) are not read, and each row from it on lands in the channel its Location
// names, moved on by `shift`. The default takes every row into the channel its Location names.
struct CsvPlacement {
    int firstRow = 0;
    int shift = 0;
};

// A channel CSV file as spreadsheets and other tools write it: UTF-8 with or without byte order
// mark, else GBK; fields separated by commas, semicolons or tabs, whichever the header line uses.
class ChannelCsvFile {
public:
    struct Row {
        int line = 0;                // in the file, from 1
        QString location;            // as written
        std::optional<int> number;   // the Location as a whole number
        QStringList fields;
    };

    // Text that is neither UTF-8 nor GBK, or has no Location and Frequency columns, throws
    // EChannelCsvError.
    explicit ChannelCsvFile(const QByteArray &bytes);
    // The same from a regular file of at most 1 MB; a file that cannot be read throws too.
    static ChannelCsvFile load(const QString &fileName);

    // The data rows in file order, blank lines left out.
    const QList<Row> &rows() const { return m_rows; }
    QString encoding() const { return m_encoding; } // "UTF-8" or "GBK"
    QChar separator() const { return m_separator; }

    // The placement that puts row `row` into `channel`; none when that row's Location is no number.
    std::optional<CsvPlacement> placing(int row, int channel) const;
    // The channel row `row` lands in, which may be outside 1–16; none when the row is before the
    // first row read or its Location is no number.
    std::optional<int> landing(int row, const CsvPlacement &placement) const;

    // Takes the placed rows that land in channels 1–16 into the table, each channel as if its
    // frequencies, tones, power, bandwidth, scan and step were typed; the columns CSV does not
    // carry keep their texts (a new channel gets the completion defaults). Rows that land outside
    // 1–16, repeat a channel or hold values the radio cannot hold are left out and named; frequencies
    // outside the bands are taken and named. A value the table's rules refuse throws
    // EChannelCsvError and changes nothing.
    CsvReport importInto(ChannelTexts &texts, const CsvPlacement &placement = {}) const;

private:
    QList<Row> m_rows;
    QHash<int, int> m_at; // CSV column -> field index in the file
    QString m_encoding;
    QChar m_separator;
};

// The text of a CSV file as spreadsheets write it: UTF-8 with or without byte order mark, else
// GBK; nothing when it is neither.
std::optional<QString> decodeCsvText(const QByteArray &bytes);

// ChannelCsvFile(bytes).importInto(texts): every row into the channel its Location names.
CsvReport importChannelCsv(ChannelTexts &texts, const QByteArray &bytes);

// The same through files; a file that cannot be written or read throws EChannelCsvError, and a
// failed write leaves an existing file as it was.
CsvReport saveChannelCsv(const ChannelTexts &texts, const QString &fileName);
CsvReport loadChannelCsv(ChannelTexts &texts, const QString &fileName);
