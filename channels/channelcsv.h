// Channel lists in the comma-separated layout that radio programming tools exchange: one channel
// a line under a header of named columns (Location, Frequency, Duplex, Offset, Tone, ...).
#pragma once

#include "channels/channeltexts.h"
#include "rtl/exception.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

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
};

// The channels in use as UTF-8 CSV with CR LF line ends. A channel whose texts have no CSV form
// (a frequency that is not a number, say) is left out and named in the report.
QByteArray channelCsv(const ChannelTexts &texts, CsvReport *report);

// Takes locations 1–16 of CSV text into the table, each channel as if its frequencies, tones,
// power, bandwidth, scan and step were typed; the columns CSV does not carry keep their texts (a
// new channel gets the completion defaults). Rows beyond 16, repeated or with values the radio
// cannot hold are left out and named. Text that is not UTF-8 CSV with Location and Frequency
// columns throws EChannelCsvError and changes nothing.
CsvReport importChannelCsv(ChannelTexts &texts, const QByteArray &bytes);

// The same through files; a file that cannot be written or read throws EChannelCsvError, and a
// failed write leaves an existing file as it was.
CsvReport saveChannelCsv(const ChannelTexts &texts, const QString &fileName);
CsvReport loadChannelCsv(ChannelTexts &texts, const QString &fileName);
