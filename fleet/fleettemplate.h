// The template of a fleet: every block of the radio as all radios get it, from a radio image or
// from what the windows hold. The identity fields of each radio replace the template's own.
#pragma once

#include "image/radioimage.h"

#include <QList>
#include <QMap>
#include <QString>

class ChannelTexts;
class SignallingTexts;
struct FleetRow;

struct FleetTemplate {
    RadioImage image;
    QString source; // the file, or 窗口中的写频数据

    // Throws ERadioImageError as loadRadioImage does.
    static FleetTemplate fromFile(const QString &fileName);
    // The channel plan and the four signalling windows' texts (DTMF, FSK, 2TONE, 5TONE), each
    // encoded as its own write would; throws the first text that does not encode.
    static FleetTemplate fromTexts(const ChannelTexts &channels, const QList<const SignallingTexts *> &signalling);

    // Block groups the template lacks (by blockGroups() index).
    QList<int> missingGroups() const;
    // Every block's payload for one radio: the template's with the row's identity values put in.
    // Throws EConvertError for a value that does not encode (the fleet checks refuse those first).
    QMap<int, QByteArray> payloadsFor(const FleetRow &row) const;
};

// SHA-256 over the payloads in the radio image's block order, 28 bytes each, as lower-case hex.
QString payloadDigest(const QMap<int, QByteArray> &payloads);
