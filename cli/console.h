// Where a command writes: its result on `out`, what went wrong on `err`, and a progress line on
// `err` only when that is a terminal.
#pragma once

#include <QIODevice>
#include <QString>

namespace cli {

struct Console {
    QIODevice *out = nullptr;
    QIODevice *err = nullptr;
    bool progress = false;

    void print(const QString &text) const { write(out, text); }
    void error(const QString &text) const { write(err, text); }

    static void write(QIODevice *device, const QString &text)
    {
        if (!device || text.isEmpty())
            return;
        device->write(text.toUtf8());
        if (!text.endsWith(QLatin1Char('\n')))
            device->write("\n");
    }
};

} // namespace cli
