// The comparison at the main window: 文件 → 比较… and 与电台核对, and the preview of what a
// channel write changes on the radio, shown with the warnings after the read before the write.
#pragma once

#include "channels/channellint.h"
#include "compare/comparesides.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <functional>

class CompareWindow;
class QAction;
class TForm1;

class PlanComparison : public QObject {
    Q_OBJECT
public:
    explicit PlanComparison(TForm1 &main);
    ~PlanComparison() override;

    QAction *compareAction = nullptr; // 比较…
    QAction *checkAction = nullptr;   // 与电台核对
    QAction *previewAction = nullptr; // 写入前显示改动 (kept between runs, on for a new user)

    // The one dialog before a write: the warnings and what the write changes; true writes.
    // Tests replace it so that nothing modal opens.
    std::function<bool(const QList<PlanWarning> &warnings, const SideComparison &changes)> confirmPreview;

    void loadPreferences();
    CompareWindow *window();
    void compareClick();
    // Reads the radio's channels and compares them with the plan on screen; writes nothing.
    void checkClick();
    // What a write of the plan on screen changes on `radio` (payloads by block key).
    SideComparison writeChanges(const QMap<int, QByteArray> &radio) const;

private:
    TForm1 &m_main;
    QPointer<CompareWindow> m_window;
};

// The warnings and the changes in one dialog with 写入 as the default button; true writes.
bool confirmWriteWithChanges(QWidget *parent, const QList<PlanWarning> &warnings, const SideComparison &changes);
