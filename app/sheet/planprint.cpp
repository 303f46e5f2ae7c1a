// The channel plan on paper.
#include "app/sheet/planprint.h"

#include "channels/channeltable.h"
#include "rtl/exception.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

// Sizes as parts of the page height, so any resolution gives the same page.
constexpr double kLinesPerPage = 26.0; // heading, 17 table rows, settings and the gaps between
constexpr double kFontPerLine = 0.45;
constexpr double kCellPadding = 0.6; // of the font size, on each side of a cell's text
constexpr double kRuleWidth = 0.04;  // of a line's height

void drawCell(QPainter &p, const QRectF &rect, const QString &text, Qt::Alignment alignment = Qt::AlignCenter)
{
    p.drawRect(rect);
    const double pad = p.font().pixelSize() * kCellPadding;
    p.drawText(rect.adjusted(pad, 0, -pad, 0), int(alignment | Qt::AlignVCenter) | Qt::TextSingleLine, text);
}

} // namespace

void printChannelPlan(QPagedPaintDevice &device, const ChannelTexts &texts, const QString &planName)
{
    QPainter p;
    if (!p.begin(&device))
        throw rtl::Exception(QStringLiteral("无法打印：打印机或文件不能写入。"));
    const QRectF page(0, 0, device.width(), device.height());
    const double line = page.height() / kLinesPerPage;

    QFont font;
    font.setPixelSize(std::max(1, int(line * kFontPerLine)));
    QFont bold = font;
    bold.setBold(true);

    // Columns as wide as their widest text; a font too big for the page shrinks to fit.
    std::vector<double> widths(kChannelColumnCount);
    double total = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QFontMetricsF plain(font, &device), heading(bold, &device);
        total = 0;
        for (int col = 0; col < kChannelColumnCount; ++col) {
            double w = heading.horizontalAdvance(texts.cell(col, 0));
            for (int row = 1; row < kChannelRowCount; ++row)
                w = std::max(w,
                             plain.horizontalAdvance(col == ColNumber ? QString::number(row) : texts.cell(col, row)));
            widths[size_t(col)] = w + 2 * font.pixelSize() * kCellPadding;
            total += widths[size_t(col)];
        }
        if (total <= page.width())
            break;
        font.setPixelSize(std::max(1, int(font.pixelSize() * page.width() / total)));
        bold.setPixelSize(font.pixelSize());
    }
    const double spare = std::max(0.0, page.width() - total) / kChannelColumnCount;

    p.setPen(QPen(Qt::black, line * kRuleWidth));
    p.setBrush(Qt::NoBrush);
    double y = page.top();
    QFont title = bold;
    title.setPixelSize(int(font.pixelSize() * 1.4));
    p.setFont(title);
    p.drawText(QRectF(page.left(), y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("对讲机写频软件 — 信道表"));
    y += line;
    p.setFont(font);
    p.drawText(QRectF(page.left(), y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("文件：%1      打印日期：%2")
                   .arg(planName, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    y += line * 1.5;

    for (int row = 0; row < kChannelRowCount; ++row) {
        p.setFont(row == 0 ? bold : font);
        double x = page.left();
        for (int col = 0; col < kChannelColumnCount; ++col) {
            const double w = widths[size_t(col)] + spare;
            // Column 0 shows the channel's own number, whatever a loaded file put there.
            const QString text = col == ColNumber && row > 0 ? QString::number(row) : texts.cell(col, row);
            drawCell(p, QRectF(x, y, w, line), text);
            x += w;
        }
        y += line;
    }

    y += line;
    p.setFont(bold);
    p.drawText(QRectF(page.left(), y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("通用设置"));
    y += line;
    p.setFont(font);
    const QList<QList<int>> &layout = settingLayout();
    for (const QList<int> &settingRow : layout) {
        const double w = page.width() / (2.0 * settingRow.size());
        double x = page.left();
        for (int index : settingRow) {
            QString label = settingDefs()[index].label;
            if (label.endsWith(u'：'))
                label.chop(1);
            drawCell(p, QRectF(x, y, w, line), label, Qt::AlignLeft);
            drawCell(p, QRectF(x + w, y, w, line), texts.setting(index), Qt::AlignLeft);
            x += 2 * w;
        }
        y += line;
    }
    p.end();
}
