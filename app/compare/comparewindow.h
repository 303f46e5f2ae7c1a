// 文件 → 比较…: two sides picked (the plan on screen, a .zq, a .rimg, the radio read now) and
// their differences in a table that copies (Ctrl+C) and saves as CSV.
#pragma once

#include "compare/comparesides.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class RadioSession;
class SideLoader;

class CompareWindow : public QDialog {
    Q_OBJECT
public:
    // The kinds of side, in the order the pickers list them.
    enum SideKind { ScreenPlan, PlanFile, ImageFile, Radio };

    explicit CompareWindow(QWidget *parent = nullptr);
    ~CompareWindow() override;

    QComboBox *sideA = nullptr;
    QComboBox *sideB = nullptr;
    QPushButton *compareButton = nullptr;
    QPushButton *copyButton = nullptr;
    QPushButton *saveButton = nullptr;
    QLabel *summary = nullptr;
    QTableWidget *table = nullptr;

    // The plan on screen as a side (throws ESideError); the program's session and its port.
    std::function<Side()> screenPlan;
    std::function<RadioSession *()> session;
    // The file dialogs; tests replace them so that nothing modal opens.
    std::function<QString(SideKind kind)> chooseSideFile;
    std::function<QString()> chooseCsvFile;

    // Picks the kinds and starts the comparison; files are asked for first.
    void compareClick();
    // Compares two given sides (a file chosen, the radio read) and shows the result.
    void compareSources(const QString &a, const QString &b);
    void showComparison(const Side &a, const Side &b);
    void copyClick();
    void saveClick();
    // The table as CSV, heading first.
    QString csvText() const;
    bool comparing() const;

private:
    void loadNext();
    void failed(const QString &message);
    QString sourceOf(SideKind kind);

    SideLoader *m_loader;
    QStringList m_sources;
    QList<Side> m_sides;
};
