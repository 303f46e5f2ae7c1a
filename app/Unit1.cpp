// Main window.
#include "app/Unit1.h"

#include "app/Unit3.h"
#include "app/aboutbox.h"
#include "app/filedialogs.h"
#include "app/formchanneltexts.h"
#include "app/forms.h"
#include "app/ports/portbox.h"
#include "app/ports/portdoctorwindow.h"
#include "app/backup/reportdialogs.h"
#include "app/sheet/plansheet.h"
#include "channels/channelcodec.h"
#include "channels/channelplan.h"
#include "channels/channeltable.h"
#include "grid/cellgrid.h"
#include "grid/griddefinition.h"
#include "protocol/channeltransfer.h"
#include "protocol/runtexts.h"
#include "protocol/transferreport.h"
#include "rtl/dialogs.h"
#include "rtl/guard.h"
#include "serial/serialcomm.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

namespace {

constexpr int kRowHeight = 24;
constexpr int kTableDesignPixelSize = 10;
// The window as laid out for 10 px text; it grows with the table's font.
constexpr QSize kDesignSize(919, 624);
// The window manager's border, guessed until the window has been shown once.
constexpr int kFrameGuess = 8;
const QString kPlanFilter = QStringLiteral(".zq (*.zq)");
const QString kPlanSuffix = QStringLiteral("zq");
const QString kPortDoctor = QStringLiteral("串口诊断");
const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kRecentFilesKey = QStringLiteral("recentFiles");

// Where the program keeps the user's choices (~/.config/radioprog/radioprog.conf).
QSettings preferences()
{
    return QSettings(QStringLiteral("radioprog"), QStringLiteral("radioprog"));
}

// Qt's keys for `key` on this desktop, and `usual` where the desktop has none: the generic
// and Windows schemes give 另存为 and 退出 no key.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key, const QKeySequence &usual)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (!keys.contains(usual))
        keys << usual;
    return keys;
}

// The free part of `window`'s screen less the frame the window manager puts around it: the
// frame it has once shown, before that the title bar at the style's height (as
// restoreGeometry() takes it) and a border.
QRect roomFor(const QWidget &window)
{
    const QScreen *on = window.screen();
    if (!on)
        return QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QRect frame = window.frameGeometry(), inner = window.geometry();
    QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                     frame.bottom() - inner.bottom());
    if (margins.isNull() || !window.isVisible()) {
        const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
        margins = QMargins(kFrameGuess, titleBar + kFrameGuess, kFrameGuess, kFrameGuess);
    }
    return on->availableGeometry().marginsRemoved(margins);
}

// Sets `window` to `place`, moved and if need be shrunk (not below its least size) into its room.
void pullInside(QWidget &window, QRect place)
{
    const QRect room = roomFor(window);
    place.setSize(place.size().boundedTo(room.size()).expandedTo(window.minimumSizeHint()));
    // From the right and bottom first: a window bigger than the screen even at its least keeps
    // its title bar and left edge on it.
    if (place.right() > room.right())
        place.moveRight(room.right());
    if (place.bottom() > room.bottom())
        place.moveBottom(room.bottom());
    if (place.left() < room.left())
        place.moveLeft(room.left());
    if (place.top() < room.top())
        place.moveTop(room.top());
    window.setGeometry(place);
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("对讲机写频软件 V1.1.3"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);

    // The radio on the port box's port: the window is one client of its session.
    m_session = new RadioSession(this);
    Comm1 = &m_session->comm();
    Tim1 = &m_session->resendTimer();
    m_link = &m_session->link();
    m_channel = &m_session->channels();
    // The port box is enabled exactly while the port is closed.
    connect(m_session, &RadioSession::portOpened, this, [this] { comcbb->setEnabled(false); });
    // A run of the program's own (a backup) that opens the port opens the signalling menu too,
    // as a read or write from the main window does.
    connect(m_session, &RadioSession::portOpened, this, [this] {
        if (m_session->runRunning())
            setSignallingMenuEnabled(true);
    });
    connect(m_session, &RadioSession::portClosed, this, [this] { comcbb->setEnabled(true); });
    connect(m_session, &RadioSession::answerArrived, this, [] {
        if (Form3)
            Form3->answerReceived();
    });
    connect(m_session, &RadioSession::lineLost, this, rtl::guarded([this](bool ran) { lineLost(ran); }));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    auto *settingsArea = new QWidget(central);
    buildSettings(settingsArea);
    layout->addWidget(settingsArea);
    xg = new TCellGrid(central);
    buildTable();
    layout->addWidget(xg, 1);

    auto *bottom = new QHBoxLayout;
    auto *portLabel = new QLabel(QStringLiteral("端口"), central);
    comcbb = new PortBox(central); // the serial devices found follow the fixed names
    comcbb->setEditable(true);
    for (int n = 1; n <= 9; ++n)
        comcbb->addItem(QStringLiteral("COM%1").arg(n));
    comcbb->setCurrentText(QStringLiteral("COM1"));
    comcbb->setMinimumWidth(140);
    portLabel->setBuddy(comcbb);
    rbtn = new QPushButton(QStringLiteral("读频(&R)"), central);
    wbtn = new QPushButton(QStringLiteral("写频(&W)(F11)"), central);
    bottom->addWidget(portLabel);
    bottom->addWidget(comcbb);
    bottom->addStretch();
    bottom->addWidget(rbtn);
    bottom->addWidget(wbtn);
    layout->addLayout(bottom);
    setCentralWidget(central);

    m_channel->transfer().setView(static_cast<TransferView *>(this));

    buildMenus();
    connect(wbtn, &QPushButton::clicked, this, rtl::guarded([this] { wbtnClick(); }));
    connect(rbtn, &QPushButton::clicked, this, rtl::guarded([this] { rbtnClick(); }));

    m_texts = std::make_unique<FormChannelTexts>(*this);
    chooseOpenFile = [this] { return runPlanDialog(QFileDialog::AcceptOpen); };
    chooseSaveFile = [this] { return runPlanDialog(QFileDialog::AcceptSave); };
    confirmWarnings = [this](const QList<PlanWarning> &warnings) { return confirmPlanWarnings(this, warnings); };

    // Key preview: the window sees every key before its controls do.
    qApp->installEventFilter(this);
    FormCreate();
    statusBar(); // there from the start, so that a first message does not shift the window
    fitIntoScreen();
}

QString TForm1::runPlanDialog(QFileDialog::AcceptMode mode)
{
    // An existing plan is saved over without a question, as the program always has. 另存为
    // offers the plan's own file.
    const QString own = mode == QFileDialog::AcceptSave && m_sheet ? m_sheet->planFile() : QString();
    return runFileDialog(this, mode, kPlanFilter, kPlanSuffix, QFileDialog::DontConfirmOverwrite, QString(), own);
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(this);
    // The session goes after the window; a channel transfer of its own ends here without a word.
    m_closing = true;
    m_channel->transfer().setView(nullptr);
    m_channel->transfer().abort();
}

QComboBox *TForm1::settingBox(int index) const
{
    return index >= 1 && index <= kSettingCount ? m_settingBoxes[index - 1] : nullptr;
}

void TForm1::buildSettings(QWidget *area)
{
    auto *grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto &defs = settingDefs();
    const auto &rows = settingLayout();
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            const int index = rows[r][c];
            const GeneralSettingDef &def = defs[index];
            auto *label = new QLabel(def.label, area);
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            auto *box = new QComboBox(area);
            box->setEditable(true);
            box->setObjectName(QStringLiteral("ComboBox%1").arg(index));
            box->addItems(def.items);
            box->setCurrentText(def.initialText);
            box->setMinimumWidth(110);
            label->setBuddy(box);
            m_settingBoxes[index - 1] = box;
            grid->addWidget(label, r, c * 2);
            grid->addWidget(box, r, c * 2 + 1);
        }
    }
    std::tie(ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7, ComboBox8,
             ComboBox9, ComboBox10) = std::tuple_cat(m_settingBoxes);
}

void TForm1::buildTable()
{
    GridDefinition table;
    table.name = QStringLiteral("xg");
    table.rowCount = kChannelRowCount;
    table.rowHeight = kRowHeight;
    table.alignment = Qt::AlignCenter;
    table.immediateEditMode = true;
    table.rangeSelect = true;
    for (const ChannelColumnDef &def : channelColumns()) {
        const auto kind = def.editor == EditorKind::Text       ? CellEditorKind::Text
                          : def.editor == EditorKind::DropDown ? CellEditorKind::DropDown
                                                               : CellEditorKind::None;
        table.columns.append({def.caption, def.width, kind, def.items, def.editorDefault});
    }
    buildGrid(xg, table, this);
    // The table keeps the desktop's font; its columns, laid out for 10 px text, and the window
    // grow with it so that "145.12500" still fits the frequency columns. The window grows only as
    // far as the screen allows (fitIntoScreen); the table scrolls for the rest.
    const double scale = fontScale(xg->font(), kTableDesignPixelSize);
    scaleGrid(xg, scale);
    m_preferredSize = (QSizeF(kDesignSize) * scale).toSize();
    numberRows(xg, 1, kChannelCount);
    xg->OnSetEditText = [this](TCellGrid *, int ACol, int ARow, const QString &Value) {
        xgSetEditText(ACol, ARow, Value);
    };
}

void TForm1::buildMenus()
{
    fileMenu = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    newAction = fileMenu->addAction(QStringLiteral("新建(&N)"));
    newAction->setShortcuts(standardKeys(QKeySequence::New, QKeySequence(Qt::CTRL | Qt::Key_N)));
    N3 = fileMenu->addAction(QStringLiteral("打开(&O)"));
    N3->setShortcuts(standardKeys(QKeySequence::Open, QKeySequence(Qt::CTRL | Qt::Key_O)));
    recentMenu = fileMenu->addMenu(QStringLiteral("最近打开的文件(&R)"));
    recentMenu->setToolTipsVisible(true);
    connect(recentMenu, &QMenu::aboutToShow, this, [this] { updateRecentMenu(); });
    recentMenu->menuAction()->setEnabled(false);
    N5 = fileMenu->addAction(QStringLiteral("保存(&S)"));
    N5->setShortcuts(standardKeys(QKeySequence::Save, QKeySequence(Qt::CTRL | Qt::Key_S)));
    saveAsAction = fileMenu->addAction(QStringLiteral("另存为(&A)…"));
    saveAsAction->setShortcuts(standardKeys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    N1 = fileMenu->addAction(QStringLiteral("退出(&X)"));
    N1->setShortcuts(standardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));
    m_signallingMenu = menuBar()->addMenu(QStringLiteral("信令编辑(&S)"));
    m_signallingMenu->setToolTipsVisible(true);
    DTMF1 = m_signallingMenu->addAction(QStringLiteral("DTMF(&D)"));
    N2tone1 = m_signallingMenu->addAction(QStringLiteral("2TONE(&2)"));
    N5TONE1 = m_signallingMenu->addAction(QStringLiteral("5TONE(&5)"));
    N4 = m_signallingMenu->addAction(QStringLiteral("FSK 队列同步(&F)"));
    // A disabled item gets no hover and so shows no status tip: the menu says why as it opens.
    connect(m_signallingMenu, &QMenu::aboutToShow, this, [this] {
        if (!DTMF1->isEnabled())
            statusBar()->showMessage(kSignallingWaits);
    });
    connect(m_signallingMenu, &QMenu::aboutToHide, this, [this] {
        if (statusBar()->currentMessage() == kSignallingWaits)
            statusBar()->clearMessage();
    });
    connect(newAction, &QAction::triggered, this, rtl::guarded([this] { newClick(); }));
    connect(N3, &QAction::triggered, this, rtl::guarded([this] { N3Click(); }));
    connect(N5, &QAction::triggered, this, rtl::guarded([this] { N5Click(); }));
    connect(saveAsAction, &QAction::triggered, this, rtl::guarded([this] { saveAsClick(); }));
    connect(N1, &QAction::triggered, this, rtl::guarded([this] { N1Click(); }));
    connect(DTMF1, &QAction::triggered, this, rtl::guarded([this] { DTMF1Click(); }));
    connect(N2tone1, &QAction::triggered, this, rtl::guarded([this] { N2tone1Click(); }));
    connect(N5TONE1, &QAction::triggered, this, rtl::guarded([this] { N5TONE1Click(); }));
    connect(N4, &QAction::triggered, this, rtl::guarded([this] { N4Click(); }));
    PortDoctor1 = helpMenu()->addAction(kPortDoctor + QStringLiteral("(&D)"));
    connect(PortDoctor1, &QAction::triggered, this, rtl::guarded([this] { PortDoctor1Click(); }));
    aboutAction = helpMenu()->addAction(QStringLiteral("关于(&A)"));
    connect(aboutAction, &QAction::triggered, this, rtl::guarded([this] { showAboutBox(this); }));
}

QMenu *TForm1::helpMenu()
{
    if (!m_helpMenu)
        m_helpMenu = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    return m_helpMenu;
}

PortDoctorWindow *TForm1::portDoctor()
{
    if (!m_portDoctor)
        m_portDoctor = new PortDoctorWindow(this);
    return m_portDoctor;
}

void TForm1::showPortDoctor(const QString &port)
{
    PortDoctorWindow *doctor = portDoctor();
    // Above the progress window when that is up (a failed open leaves it for retry), else a
    // window like any other.
    const bool overProgress = Form3 && Form3->isVisible();
    if (bool(doctor->windowFlags() & Qt::WindowStaysOnTopHint) != overProgress)
        doctor->setWindowFlag(Qt::WindowStaysOnTopHint, overProgress);
    if (!doctor->isVisible())
        pullInside(*doctor, doctor->rect().translated(frameGeometry().center() - doctor->rect().center()));
    doctor->show();
    doctor->raise();
    doctor->activateWindow();
    doctor->checkPort(port);
}

void TForm1::PortDoctor1Click()
{
    showPortDoctor(comcbb->currentText());
}

void TForm1::FormCreate()
{
    setSignallingMenuEnabled(false);
}

void TForm1::setSignallingMenuEnabled(bool enabled)
{
    const QString why = enabled ? QString() : kSignallingWaits;
    for (QAction *item : {DTMF1, N2tone1, N5TONE1, N4}) {
        item->setEnabled(enabled);
        item->setToolTip(why);
        item->setStatusTip(why);
    }
}

void TForm1::FormActivate()
{
    for (int r = 1; r <= kChannelCount; ++r)
        xg->setCells(0, r, QString::number(r));
}

bool TForm1::openPortFromBox()
{
    m_session->setPort(comcbb->currentText());
    if (!comcbb->isEnabled())
        return false;
    try {
        m_session->open();
    } catch (const ECommsError &e) {
        // The box leads on to the port doctor for the port that failed; the handler stops here.
        const QString port = Comm1->CommName;
        rtl::dialogs::exceptionBox(e.message(), kPortDoctor, [this, port] { showPortDoctor(port); });
        throw rtl::EAbort();
    }
    comcbb->setEnabled(false);
    return true;
}

void TForm1::showProgressAndOpenPort()
{
    Form3->show();
    Form3->raise();
    if (openPortFromBox()) {
        Form3->ProgressBar1->show();
        setSignallingMenuEnabled(true);
    }
    Form3->watchForAnswers();
}

bool TForm1::commitOpenEdit()
{
    return xg->endEdit();
}

void TForm1::refuseOtherExchange(bool write) const
{
    // One exchange with the radio at a time; F11 may still restart a running channel write.
    if (m_link->otherExchangeRunning(&m_channel->transfer()) || (write ? channelReadRunning() : channelWriteRunning())
        || m_session->runRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
}

void TForm1::wbtnClick()
{
    refuseOtherExchange(true);
    // What is typed in a cell is part of the plan, even without Enter (F11 from the cell). A rule
    // that failed has shown its message; the write does not start.
    if (!commitOpenEdit())
        return;
    // Every block must encode before the radio hears anything: a radio left half-written is
    // worse than a write that never starts.
    validateChannelPlan(*m_texts);
    const QList<PlanWarning> warnings = lintChannelPlan(*m_texts);
    m_heldWarnings.reset();
    // The read before the write comes first, so that its one dialog shows the warnings beside
    // what the write changes.
    if (beforeChannelWrite && previewFollows && previewFollows()) {
        m_heldWarnings = warnings;
        if (beforeChannelWrite())
            return;
        m_heldWarnings.reset();
    }
    if (!warnings.isEmpty() && !(confirmWarnings && confirmWarnings(warnings)))
        return;
    if (beforeChannelWrite && beforeChannelWrite())
        return;
    startChannelWrite();
}

bool TForm1::writeAfterRead(const QMap<int, QByteArray> &radio)
{
    if (m_heldWarnings) {
        const QList<PlanWarning> warnings = *m_heldWarnings;
        m_heldWarnings.reset();
        if (confirmWrite) {
            if (!confirmWrite(warnings, radio))
                return false;
        } else if (!warnings.isEmpty() && !(confirmWarnings && confirmWarnings(warnings))) {
            return false;
        }
    }
    startChannelWrite();
    return true;
}

void TForm1::startChannelWrite()
{
    const QList<QByteArray> payloads = ChannelTransfer::encode(*m_texts, m_link->transferBuffer());
    m_lastTransferWasWrite = true;
    runChannelTransfer(true, payloads, [this](const TransferOutcome &outcome) { channelWriteEnded(outcome); });
}

void TForm1::rbtnClick()
{
    refuseOtherExchange(false);
    commitOpenEdit();
    m_lastTransferWasWrite = false;
    runChannelTransfer(false, {}, [this](const TransferOutcome &outcome) { channelReadEnded(outcome); });
}

void TForm1::runChannelTransfer(bool write, const QList<QByteArray> &payloads, BlockTransfer::EndHandler ended,
                                BlockTransfer::ProgressHandler progress)
{
    // A write whose port fails to open leaves the resend running, as the program always has.
    if (write)
        m_link->enableResend();
    showProgressAndOpenPort();
    if (write)
        m_channel->startWrite(payloads, std::move(ended), std::move(progress));
    else
        m_channel->startRead(std::move(ended), std::move(progress));
}

void TForm1::abortChannelTransfer()
{
    m_channel->transfer().abort();
}

void TForm1::applyRead(const QList<QByteArray> &frames, const QString &what)
{
    emit readApplying();
    ChannelTransfer::decode(frames, *m_texts);
    emit readApplied(what);
}

void TForm1::closePort()
{
    m_session->close();
    comcbb->setEnabled(true);
}

void TForm1::channelWriteEnded(const TransferOutcome &outcome)
{
    if (m_closing)
        return;
    if (outcome.end == TransferOutcome::End::Aborted)
        return; // cancelled, retried or restarted: the one who ended it goes on
    if (!outcome.ok()) {
        tellInterrupted(outcome);
        return;
    }
    Form3->hide();
    Form3->Button2Click();
    emit channelTransferEnded(true);
    if (!(afterChannelWrite && afterChannelWrite(outcome)))
        rtl::dialogs::infoBox(runtexts::kWriteDone);
}

void TForm1::channelReadEnded(const TransferOutcome &outcome)
{
    if (m_closing)
        return;
    if (outcome.end == TransferOutcome::End::Aborted)
        return;
    if (!outcome.ok()) {
        tellInterrupted(outcome);
        return;
    }
    // The table changes only once every block has come: a read cut short leaves it whole.
    applyRead(outcome.frames, QStringLiteral("读频"));
    Form3->Button2Click();
    emit channelTransferEnded(false);
}

void TForm1::tellInterrupted(const TransferOutcome &outcome)
{
    // Ends as 取消 would: the port closed and the box given back, so a pulled cable or a wrong port
    // can be put right before the next try.
    Form3->Button2Click();
    const bool write = outcome.write;
    QList<rtl::dialogs::Action> actions{{write ? QStringLiteral("重试写频") : QStringLiteral("重试读频"),
                                         rtl::guarded([this, write] { write ? wbtnClick() : rbtnClick(); })}};
    if (write && recoveryActions)
        actions << recoveryActions(outcome);
    if (outcome.end == TransferOutcome::End::LineLost) {
        const QString port = Comm1->CommName;
        actions << rtl::dialogs::Action{kPortDoctor, [this, port] { showPortDoctor(port); }};
    }
    rtl::dialogs::exceptionBox(interruptionText(outcome), actions);
}

void TForm1::lineLost(bool exchangeRan)
{
    // Every window's exchange has ended with the line and said so; the port is given back.
    comcbb->setEnabled(true);
    if (exchangeRan)
        return;
    const QString port = Comm1->CommName;
    rtl::dialogs::exceptionBox(kLineLost, kPortDoctor, [this, port] { showPortDoctor(port); });
}

void TForm1::showSignallingWindow(QWidget *window)
{
    openPortFromBox();
    window->show();
    window->raise();
    window->activateWindow();
}

void TForm1::DTMF1Click()
{
    showSignallingWindow(Form2);
}

void TForm1::N2tone1Click()
{
    showSignallingWindow(Form4);
}

void TForm1::N5TONE1Click()
{
    showSignallingWindow(Form5);
}

void TForm1::N4Click()
{
    showSignallingWindow(Form6);
}

void TForm1::newClick()
{
    commitOpenEdit();
    if (!m_sheet)
        return;
    if (m_sheet->mayDiscardChanges(QStringLiteral("信道表有未保存的修改。新建前保存吗？")))
        m_sheet->startNewPlan();
}

void TForm1::N3Click()
{
    commitOpenEdit();
    const QString file = chooseOpenFile ? chooseOpenFile() : QString();
    if (file.isEmpty())
        return;
    openPlan(file);
}

void TForm1::openPlan(const QString &file)
{
    commitOpenEdit();
    LoadChannelPlan(*m_texts, file);
    notePlanFolder(file);
    emit planLoaded(file);
    noteRecentFile(file);
}

void TForm1::N5Click()
{
    commitOpenEdit();
    // A plan with a file of its own goes back there; only a plan never saved asks where.
    const QString own = m_sheet ? m_sheet->planFile() : QString();
    const QString file = !own.isEmpty() ? own : chooseSaveFile ? chooseSaveFile() : QString();
    if (!file.isEmpty())
        savePlan(file);
}

void TForm1::saveAsClick()
{
    commitOpenEdit();
    const QString file = chooseSaveFile ? chooseSaveFile() : QString();
    if (!file.isEmpty())
        savePlan(file);
}

void TForm1::savePlan(const QString &file)
{
    SaveChannelPlan(*m_texts, file);
    emit planSaved(file);
    noteRecentFile(file);
}

void TForm1::noteRecentFile(const QString &file)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    m_recentFiles.removeAll(path);
    m_recentFiles.prepend(path);
    m_recentFiles = m_recentFiles.mid(0, kRecentFileCount);
    if (m_keepBetweenRuns)
        preferences().setValue(kRecentFilesKey, m_recentFiles);
    recentMenu->menuAction()->setEnabled(true);
}

void TForm1::updateRecentMenu()
{
    // Made afresh each time the menu opens, so that a file gone since shows greyed. It stays
    // listed: a plan on a stick that is not plugged in comes back with the stick.
    recentMenu->clear();
    for (int i = 0; i < m_recentFiles.size(); ++i) {
        const QString file = m_recentFiles[i];
        QAction *item = recentMenu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(file).replace(u'&', QStringLiteral("&&"))));
        const bool there = QFileInfo::exists(file);
        item->setEnabled(there);
        item->setToolTip(there ? QString() : QStringLiteral("找不到这个文件"));
        connect(item, &QAction::triggered, this, rtl::guarded([this, file] { openPlan(file); }));
    }
    recentMenu->menuAction()->setEnabled(!m_recentFiles.isEmpty());
}

void TForm1::openDropped(const QList<QUrl> &urls)
{
    if (urls.size() != 1)
        throw rtl::Exception(QStringLiteral("只能打开一个写频文件。"));
    const QString file = urls.first().toLocalFile();
    if (file.isEmpty() || QFileInfo(file).suffix().compare(kPlanSuffix, Qt::CaseInsensitive) != 0)
        throw rtl::Exception(QStringLiteral("只能打开写频文件 (*.zq)，%1 不是。")
                                 .arg(file.isEmpty() ? urls.first().toDisplayString() : QDir::toNativeSeparators(file)));
    openPlan(file);
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    // Any file is taken, so that one that is not a plan gets a word instead of a refusing cursor.
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    // Once the drop is over: a message box must not hold the other program's drag.
    QTimer::singleShot(0, this, rtl::guarded([this, urls = event->mimeData()->urls()] { openDropped(urls); }));
}

void TForm1::fitIntoScreen()
{
    const QRect room = roomFor(*this);
    pullInside(*this, QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, m_preferredSize.boundedTo(room.size()), room));
}

void TForm1::keepBetweenRuns()
{
    m_keepBetweenRuns = true;
    QSettings settings = preferences();
    m_recentFiles = settings.value(kRecentFilesKey).toStringList().mid(0, kRecentFileCount);
    recentMenu->menuAction()->setEnabled(!m_recentFiles.isEmpty());
    // restoreGeometry() refuses a place saved on a screen of quite another width: the window
    // keeps the place it was made with. It pulls one off the screen's edge back in, but reckons
    // the frame as only the title bar; the rest of the frame is made room for here.
    if (restoreGeometry(settings.value(kGeometryKey).toByteArray())
        && !windowState().testAnyFlags(Qt::WindowMaximized | Qt::WindowFullScreen)
        && !roomFor(*this).contains(geometry()))
        pullInside(*this, geometry());
}

void TForm1::N1Click()
{
    close();
}

void TForm1::xgSetEditText(int ACol, int ARow, const QString &Value)
{
    Q_UNUSED(ACol);
    Q_UNUSED(ARow);
    Q_UNUSED(Value);
    // The rules act on the current cell, which is still the cell just edited.
    ::xgSetEditText(*m_texts, xg->Col(), xg->Row());
}

void TForm1::Comm1ReceiveData(const char *Buffer, std::uint16_t BufferLength)
{
    // The session's own handler of the component's receive event does the same.
    if (Form3)
        Form3->answerReceived();
    m_link->Comm1ReceiveData(Buffer, BufferLength);
}

void TForm1::Tim1Timer()
{
    m_link->Tim1Timer();
}

void TForm1::showProgress(int maximum, int value)
{
    Form3->ProgressBar1->setRange(0, maximum);
    Form3->ProgressBar1->setValue(value);
    Form3->ProgressBar1->show();
}

int TForm1::progress() const
{
    return Form3->ProgressBar1->value();
}

void TForm1::setProgress(int value)
{
    Form3->ProgressBar1->setValue(value);
}

void TForm1::hideProgress()
{
    Form3->ProgressBar1->hide();
}

void TForm1::EncodeChannelRecord(int channel)
{
    ::EncodeChannelRecord(*m_texts, channel, m_link->tx());
}

void TForm1::EncodeSettingsRecord()
{
    ::EncodeSettingsRecord(*m_texts, m_link->tx());
}

void TForm1::DecodeMemoryBlock()
{
    ::DecodeMemoryBlock(*m_texts, m_link->receiveBuffer().data());
}

bool TForm1::ownsWidget(QObject *object) const
{
    // A drop-down's list is a window of its own that belongs to its box; any other window on the
    // way up (a file dialog, a message box) has keys of its own.
    for (QObject *o = object; o; o = o->parent()) {
        if (o == this)
            return true;
        if (o->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(o);
            if (widget->isWindow() && widget->windowType() != Qt::Popup)
                return false;
        }
    }
    return false;
}

namespace {

// Cells and drop-downs take typed text; buttons take Space as a press.
bool takesTypedText(QObject *object)
{
    for (QObject *o = object; o && o->isWidgetType(); o = o->parent()) {
        if (qobject_cast<QLineEdit *>(o) || qobject_cast<QComboBox *>(o) || qobject_cast<QAbstractItemView *>(o))
            return true;
        if (static_cast<QWidget *>(o)->isWindow() && static_cast<QWidget *>(o)->windowType() != Qt::Popup)
            return false;
    }
    return false;
}

} // namespace

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // Files dropped on a box of the window are the window's: its line edit would take the path as text.
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) && watched != this
        && ownsWidget(watched) && static_cast<QDropEvent *>(event)->mimeData()->hasUrls()) {
        if (type == QEvent::Drop)
            dropEvent(static_cast<QDropEvent *>(event));
        else
            static_cast<QDragMoveEvent *>(event)->acceptProposedAction();
        return true;
    }
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride)
        && ownsWidget(watched)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F11) {
            if (type == QEvent::KeyPress && !key->isAutoRepeat())
                rtl::guard([this] { wbtnClick(); });
            return true;
        }
        if ((key->text() == QStringLiteral(" ") || key->key() == Qt::Key_Space) && takesTypedText(watched))
            return true; // typed spaces never reach a cell or a drop-down
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // By the first activation the window manager has framed the window: a frame bigger than
        // the guess must not push the title bar or the buttons off the screen.
        if (!std::exchange(m_framed, true) && screen()
            && !windowState().testAnyFlags(Qt::WindowMaximized | Qt::WindowFullScreen)
            && !screen()->availableGeometry().contains(frameGeometry()))
            pullInside(*this, geometry());
        rtl::guard([this] { FormActivate(); });
    }
    QMainWindow::changeEvent(event);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    commitOpenEdit(); // a failing rule shows its message; the window closes anyway
    QMainWindow::closeEvent(event);
    if (!event->isAccepted())
        return;
    if (m_keepBetweenRuns)
        preferences().setValue(kGeometryKey, saveGeometry());
    emit closed();
}
