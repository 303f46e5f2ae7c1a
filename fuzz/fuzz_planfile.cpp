// The channel plan loader: a file it takes saves and loads back to the same texts; a file it
// refuses leaves the texts as they were.
#include "channels/channelplan.h"
#include "channels/memorychanneltexts.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// An empty cell is saved as the single blank that stands for it, so the two count as one.
QStringList allTexts(const ChannelTexts &texts)
{
    QStringList out{QString::number(texts.rowCount())};
    for (int row = 0; row < texts.rowCount(); ++row)
        for (int col = 0; col < kChannelColumnCount; ++col)
            out << (isBlankCell(texts.cell(col, row)) ? QString() : texts.cell(col, row));
    for (int index = 1; index <= kSettingCount; ++index)
        out << texts.setting(index);
    return out;
}

void writeFile(const QString &name, const uint8_t *data, size_t size)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input.zq"));
    const QString again = dir.filePath(QStringLiteral("again.zq"));
    writeFile(input, data, size);

    MemoryChannelTexts texts;
    const QStringList before = allTexts(texts);
    try {
        LoadChannelPlan(texts, input);
    } catch (const EChannelPlanError &) {
        if (allTexts(texts) != before)
            std::abort(); // a refused file changed the table
        return 0;
    }
    SaveChannelPlan(texts, again);
    MemoryChannelTexts reloaded;
    LoadChannelPlan(reloaded, again);
    const QStringList first = allTexts(texts);
    const QStringList second = allTexts(reloaded);
    if (second != first) {
        for (qsizetype i = 0; i < std::min(first.size(), second.size()); ++i)
            if (first[i] != second[i])
                std::fprintf(stderr, "text %lld: \"%s\" loads back as \"%s\"\n", static_cast<long long>(i),
                             qPrintable(first[i]), qPrintable(second[i]));
        std::abort(); // a saved plan does not load back as it was
    }
    return 0;
}
