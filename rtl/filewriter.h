// The one way the program writes a file (whole or not at all, never over anything but a regular
// file, every failure with its reason) and the private folders it keeps its own files in.
#pragma once

#include "rtl/exception.h"

#include <QByteArrayView>
#include <QString>

namespace rtl {

// A file that cannot be written: message() is "Cannot create file \"<name>\". <reason>".
class EFileWriteError : public Exception {
public:
    EFileWriteError(const QString &fileName, const QString &reason);
    const QString &reason() const noexcept { return m_reason; }

private:
    QString m_reason;
};

// Replaces `fileName` with `bytes`, or creates it. The file is replaced only once the new one is
// whole, so on failure the old one stays byte for byte. A link to a regular file writes its
// target and stays a link; a directory, device, FIFO or socket, or a link to one, is refused
// before anything is touched. In a folder where no temporary file can be made, a writable file
// is written in place instead (then a failure part-way leaves it cut short). Throws
// EFileWriteError.
void writeFileChecked(const QString &fileName, QByteArrayView bytes);

// Makes sure `folder` exists as a real directory of the user's own: missing parts are created
// with mode 0700, and the folder and its parent must each be a directory, not a symbolic link,
// owned by the user. Returns false with the reason, naming the part at fault, in `why`.
bool makePrivateFolder(const QString &folder, QString *why);

} // namespace rtl
