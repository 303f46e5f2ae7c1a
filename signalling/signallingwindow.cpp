// The handlers every signalling window shares.
#include "signalling/signallingwindow.h"

#include "grid/cellgrid.h"
#include "protocol/transferreport.h"
#include "rtl/dialogs.h"
#include "rtl/guard.h"

#include <QCloseEvent>
#include <QApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

namespace {

// Room for a title bar the window manager adds, before the window has one to measure.
constexpr int kTitleAllowance = 30;

} // namespace

void SignallingWindow::keepButtonsInPlace()
{
    // The bar keeps its room while hidden, so showing and hiding it moves nothing beside it: a
    // second click lands on the button the first one hit.
    QSizePolicy barPolicy = ProgressBar1->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    ProgressBar1->setSizePolicy(barPolicy);
}

SignallingWindow::SignallingWindow(RadioSession &session, int group, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_link(session.link()), m_group(group),
      m_transfer(&session.transfer(group))
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(rtl::kAppTitle);
    m_bottomBar = new QWidget(this);
    ProgressBar1 = new QProgressBar(m_bottomBar);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
    rbtn = new QPushButton(QStringLiteral("读取"), m_bottomBar);
    wbtn = new QPushButton(QStringLiteral("写入"), m_bottomBar);
    Button3 = new QPushButton(QStringLiteral("关闭"), m_bottomBar);
    auto *bottom = new QHBoxLayout(m_bottomBar);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(ProgressBar1, 1);
    for (QPushButton *button : {rbtn, wbtn, Button3})
        bottom->addWidget(button);
    keepButtonsInPlace();
    Timer1 = &m_transfer->watchdog();
    m_transfer->setView(static_cast<TransferView *>(this));

    connect(rbtn, &QPushButton::clicked, this, rtl::guarded([this] { rbtnClick(); }));
    connect(wbtn, &QPushButton::clicked, this, rtl::guarded([this] { wbtnClick(); }));
    connect(Button3, &QPushButton::clicked, this, rtl::guarded([this] { Button3Click(); }));
}

void SignallingWindow::addText(const QString &name, QWidget *widget)
{
    m_texts.add(name, widget);
    if (auto *grid = qobject_cast<TCellGrid *>(widget))
        m_grids << grid;
}

SignallingWindow::~SignallingWindow()
{
    // The session outlives the window: its transfer goes on being watched by nobody, and an
    // exchange of the window's own ends here without a word.
    m_closing = true;
    m_transfer->setView(nullptr);
    m_transfer->abort();
}

void SignallingWindow::showProgress(int maximum, int value)
{
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(value);
    ProgressBar1->show();
}

void SignallingWindow::prepareExchange()
{
    if (m_link.exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    for (TCellGrid *grid : std::as_const(m_grids))
        grid->endEdit();
    if (ensurePortOpen)
        ensurePortOpen();
    m_link.clearReceiveState(); // nothing half-received before this exchange belongs to it
}

void SignallingWindow::rbtnClick()
{
    prepareExchange();
    m_transfer->startRead([this](const TransferOutcome &outcome) { readEnded(outcome); });
}

QList<QByteArray> SignallingWindow::encodeBlocks()
{
    for (TCellGrid *grid : std::as_const(m_grids))
        grid->endEdit();
    checkBeforeWrite();
    QList<QByteArray> payloads;
    const BlockLayout layout = blockLayout();
    for (const QList<Field> &fields : layout) {
        QByteArray payload(frame::kPayloadLength, '\0');
        encodeFields(fields, m_texts, reinterpret_cast<std::uint8_t *>(payload.data()));
        payloads << payload;
    }
    return payloads;
}

QStringList SignallingWindow::decodeBlocks(const QList<QByteArray> &payloads)
{
    const BlockLayout layout = blockLayout();
    QStringList notes;
    for (int block = 0; block < payloads.size() && block < layout.size(); ++block) {
        if (payloads[block].size() != frame::kPayloadLength)
            continue;
        notes << decodeFields(layout.at(block), reinterpret_cast<const std::uint8_t *>(payloads[block].constData()),
                              m_texts);
    }
    return notes;
}

QStringList SignallingWindow::fieldTexts() const
{
    QStringList out;
    for (const QList<Field> &fields : blockLayout())
        for (const Field &field : fields)
            out << m_texts.text(field.ref);
    return out;
}

void SignallingWindow::wbtnClick()
{
    prepareExchange();
    // Every block is built before the first byte goes out: a radio must never be left half
    // written because a later field did not convert.
    const QList<QByteArray> payloads = encodeBlocks();
    m_transfer->startWrite(payloads, [this](const TransferOutcome &outcome) { writeEnded(outcome); });
}

void SignallingWindow::readEnded(const TransferOutcome &outcome)
{
    if (m_closing)
        return;
    if (outcome.ok()) {
        // The window changes only when every block has come, so a read cut short leaves it whole.
        const QStringList notes = decodeBlocks(outcome.payloads);
        if (!notes.isEmpty())
            rtl::dialogs::infoBox(notes.join(QLatin1Char('\n')));
    } else {
        tellInterrupted(outcome);
    }
    emit exchangeEnded(false, outcome.ok());
}

void SignallingWindow::writeEnded(const TransferOutcome &outcome)
{
    if (m_closing)
        return;
    if (!outcome.ok())
        tellInterrupted(outcome);
    else if (!(afterWrite && afterWrite(*this, outcome)))
        rtl::dialogs::infoBox(QStringLiteral("写入成功"));
    emit exchangeEnded(true, outcome.ok());
}

void SignallingWindow::tellInterrupted(const TransferOutcome &outcome)
{
    if (outcome.end == TransferOutcome::End::Aborted)
        return; // the user ended it
    const bool write = outcome.write;
    rtl::dialogs::exceptionBox(interruptionText(outcome),
                               {{write ? QStringLiteral("重试写入") : QStringLiteral("重试读取"),
                                 rtl::guarded([this, write] { write ? wbtnClick() : rbtnClick(); })}});
}

void SignallingWindow::SendNextBlock()
{
    m_transfer->acknowledged();
}

void SignallingWindow::ReceiveBlock()
{
    m_transfer->received();
}

void SignallingWindow::abortExchange()
{
    m_transfer->abort();
}

void SignallingWindow::Button3Click()
{
    m_transfer->abort();
    hide();
}

void SignallingWindow::Timer1Timer()
{
    m_transfer->watchdogExpired();
}

void SignallingWindow::showEvent(QShowEvent *event)
{
    // Over the window the user opened it from, and inside the screen's free area: never under a
    // panel, over the menu bar or past the edge.
    if (!event->spontaneous()) {
        const QWidget *from = QApplication::activeWindow();
        if (const QScreen *screen = from ? from->screen() : this->screen(); screen && from != this) {
            const QRect free = screen->availableGeometry();
            const QSize size = frameGeometry().size().expandedTo(this->size() + QSize(0, kTitleAllowance));
            QPoint topLeft = from ? from->frameGeometry().center() - QPoint(size.width() / 2, size.height() / 2)
                                  : free.center() - QPoint(size.width() / 2, size.height() / 2);
            topLeft.setX(std::clamp(topLeft.x(), free.left(), std::max(free.left(), free.right() - size.width())));
            topLeft.setY(std::clamp(topLeft.y(), free.top(), std::max(free.top(), free.bottom() - size.height())));
            move(topLeft);
        }
    }
    QWidget::showEvent(event);
}

void SignallingWindow::closeEvent(QCloseEvent *event)
{
    // The title bar's close is the close button: the window is only hidden.
    rtl::guard([this] { m_transfer->abort(); });
    QWidget::closeEvent(event);
}
