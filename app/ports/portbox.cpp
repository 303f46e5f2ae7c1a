// Port box: an item's text is the path TComm opens; the list shows what the device is beside it.
#include "app/ports/portbox.h"

#include "ports/portlisting.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace {

constexpr int kDeviceRole = Qt::UserRole + 1;

// Shows an item's description after its path, so the box itself only ever receives the path.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString about = index.data(Qt::ToolTipRole).toString();
        if (!about.isEmpty())
            option->text += QStringLiteral("    ") + about;
    }
};

} // namespace

PortBox::PortBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setItemDelegate(new PortItemDelegate(this));
    view()->setTextElideMode(Qt::ElideNone);
}

void PortBox::refreshDevices()
{
    const QString typed = currentText();
    for (int i = count() - 1; i >= 0; --i)
        if (itemData(i, kDeviceRole).toBool())
            removeItem(i);
    for (const PortEntry &port : listPorts(environment)) {
        addItem(port.path);
        const int i = count() - 1;
        setItemData(i, true, kDeviceRole);
        setItemData(i, port.label(), Qt::ToolTipRole);
        if (!port.problem.isEmpty())
            setItemData(i, palette().brush(QPalette::Disabled, QPalette::Text), Qt::ForegroundRole);
    }
    // The typed name stays; an item that matches it is the current one, so the list opens there.
    const int match = findText(typed);
    if (match >= 0)
        setCurrentIndex(match);
    else
        setEditText(typed);
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
}

void PortBox::showPopup()
{
    refreshDevices();
    QComboBox::showPopup();
}
