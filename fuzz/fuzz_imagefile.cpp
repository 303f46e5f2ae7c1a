// The radio image loader: an image it takes writes out and reads back the same; whatever it
// refuses is refused with a message of its own, never by a crash.
#include "image/radioimage.h"

#include <QCryptographicHash>

#include <cstdint>
#include <cstdlib>

// An odd first byte: the rest is a file without its checksum, which is added here, so that the
// checks behind the checksum are reached too. An even one: the rest is the file as it stands.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    QByteArray file(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    if (data[0] & 1)
        file += QCryptographicHash::hash(file, QCryptographicHash::Sha256);
    RadioImage image;
    try {
        image = parseRadioImage(file);
    } catch (const ERadioImageError &e) {
        if (e.message().isEmpty())
            std::abort();
        return 0;
    }
    if (image.frames.isEmpty() || image.frames.size() > 52 || image.groups().isEmpty())
        std::abort(); // an accepted image holds whole groups of the radio's blocks
    const RadioImage again = parseRadioImage(serializeRadioImage(image));
    if (again.frames != image.frames || again.readAt != image.readAt)
        std::abort();
    return 0;
}
