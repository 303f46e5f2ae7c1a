// The comparison's menu items and the preview before a channel write.
#include "app/compare/plancomparison.h"

#include "app/Unit1.h"
#include "app/backup/radiobackup.h"
#include "app/backup/reportdialogs.h"
#include "app/compare/comparewindow.h"
#include "rtl/dialogs.h"
#include "rtl/guard.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kPreviewKey = QStringLiteral("compare/previewBeforeWrite");
const QString kScreenName = QStringLiteral("屏幕上的写频方案");

QSettings preferences()
{
    return QSettings(QStringLiteral("radioprog"), QStringLiteral("radioprog"));
}

} // namespace

bool confirmWriteWithChanges(QWidget *parent, const QList<PlanWarning> &warnings, const SideComparison &changes)
{
    // Under a box recorder nothing modal opens: the write goes ahead as after 写入.
    if (rtl::dialogs::hasRecorder())
        return true;
    QDialog dialog(parent);
    dialog.setWindowTitle(rtl::kAppTitle);
    auto *layout = new QVBoxLayout(&dialog);
    if (!warnings.isEmpty()) {
        QList<QStringList> rows;
        for (const PlanWarning &w : warnings)
            rows << QStringList{w.channel > 0 ? QString::number(w.channel) : QStringLiteral("通用设置"), w.column,
                                w.value, w.message};
        layout->addWidget(new QLabel(QStringLiteral("写入前请检查以下可能的问题："), &dialog));
        layout->addWidget(rowsTable(&dialog, {QStringLiteral("信道"), QStringLiteral("列"), QStringLiteral("值"),
                                              QStringLiteral("说明")},
                                    rows));
    }
    if (changes.differences.isEmpty()) {
        layout->addWidget(new QLabel(QStringLiteral("这次写入不会改变电台中的任何内容。"), &dialog));
    } else {
        QList<QStringList> rows;
        for (const FieldDifference &d : changes.differences)
            rows << QStringList{d.where, d.field, shownText(d.before), shownText(d.after)};
        layout->addWidget(new QLabel(QStringLiteral("写入将改变电台中的 %1 项：").arg(changes.differences.size()), &dialog));
        layout->addWidget(rowsTable(&dialog, {QStringLiteral("位置"), QStringLiteral("项目"),
                                              QStringLiteral("电台中现在"), QStringLiteral("写入后")},
                                    rows));
    }
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("写入"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.resize(680, 420);
    return dialog.exec() == QDialog::Accepted;
}

PlanComparison::PlanComparison(TForm1 &main) : QObject(&main), m_main(main)
{
    compareAction = new QAction(QStringLiteral("比较(&M)…"), this);
    checkAction = new QAction(QStringLiteral("与电台核对(&K)"), this);
    previewAction = new QAction(QStringLiteral("写入前显示改动(&W)"), this);
    previewAction->setCheckable(true);
    previewAction->setChecked(true);
    // Only the user's own choice is kept, not a change made by the program.
    connect(previewAction, &QAction::triggered, this, [](bool on) { preferences().setValue(kPreviewKey, on); });
    if (QMenu *menu = m_main.fileMenu) {
        menu->insertActions(m_main.N1, {compareAction, checkAction, previewAction});
        menu->insertSeparator(m_main.N1);
    }
    connect(compareAction, &QAction::triggered, this, rtl::guarded([this] { compareClick(); }));
    connect(checkAction, &QAction::triggered, this, rtl::guarded([this] { checkClick(); }));

    confirmPreview = [this](const QList<PlanWarning> &warnings, const SideComparison &changes) {
        return confirmWriteWithChanges(&m_main, warnings, changes);
    };
    // The preview needs the radio as it is: only when the automatic backup reads it before the write.
    m_main.previewFollows = [this] {
        const RadioBackup *backup = m_main.findChild<RadioBackup *>();
        return previewAction->isChecked() && backup && backup->readsBeforeWrite();
    };
    m_main.confirmWrite = [this](const QList<PlanWarning> &warnings, const QMap<int, QByteArray> &radio) {
        return !confirmPreview || confirmPreview(warnings, writeChanges(radio));
    };
}

PlanComparison::~PlanComparison()
{
    m_main.previewFollows = nullptr;
    m_main.confirmWrite = nullptr;
    delete m_window;
}

void PlanComparison::loadPreferences()
{
    previewAction->setChecked(preferences().value(kPreviewKey, true).toBool());
}

SideComparison PlanComparison::writeChanges(const QMap<int, QByteArray> &radio) const
{
    return compareSides(Side{QStringLiteral("电台"), radio, false}, planSide(m_main.texts(), kScreenName));
}

CompareWindow *PlanComparison::window()
{
    if (!m_window) {
        m_window = new CompareWindow(&m_main);
        m_window->screenPlan = [this] {
            m_main.commitOpenEdit();
            return planSide(m_main.texts(), kScreenName);
        };
        m_window->session = [this] {
            // The port in the box, unless one is open already.
            if (m_main.comcbb->isEnabled())
                m_main.session().setPort(m_main.comcbb->currentText());
            return &m_main.session();
        };
    }
    return m_window;
}

void PlanComparison::compareClick()
{
    CompareWindow *w = window();
    w->show();
    w->raise();
}

void PlanComparison::checkClick()
{
    CompareWindow *w = window();
    w->sideA->setCurrentIndex(CompareWindow::Radio);
    w->sideB->setCurrentIndex(CompareWindow::ScreenPlan);
    w->show();
    w->raise();
    w->compareClick();
}
