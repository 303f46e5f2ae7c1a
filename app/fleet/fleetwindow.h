// 文件 → 批量写频: one template for many radios, each with its own identity. The radio table is
// edited in place (or loaded from CSV), checked before anything is written, and run with a row per
// radio showing its port, state, progress and result; a failed row is retried alone and the
// report is saved as CSV or PDF.
#pragma once

#include "fleet/fleetlint.h"
#include "fleet/fleettable.h"
#include "fleet/fleettemplate.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

class FleetRunner;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TForm1;
class SignallingWindow;

class FleetWindow : public QDialog {
    Q_OBJECT
public:
    // The table's columns after the identity ones.
    enum { LabelColumn = 0, PortColumn = 1 };

    explicit FleetWindow(QWidget *parent = nullptr);
    ~FleetWindow() override;

    QComboBox *templateBox = nullptr;   // 窗口中的写频数据 or the .rimg chosen
    QPushButton *imageButton = nullptr; // 选择镜像…
    QLineEdit *sharedPorts = nullptr;   // the cables of the rows marked 下一台, comma-separated
    QTableWidget *table = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *removeButton = nullptr;
    QPushButton *loadButton = nullptr;
    QPushButton *saveButton = nullptr;
    QComboBox *fillColumn = nullptr;
    QLineEdit *fillStart = nullptr;
    QSpinBox *fillStep = nullptr;
    QPushButton *fillButton = nullptr;
    QListWidget *issues = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *stopButton = nullptr;
    QPushButton *retryButton = nullptr;
    QPushButton *resumeButton = nullptr; // 继续下一台: a cable held after a failure goes on
    QPushButton *reportCsvButton = nullptr;
    QPushButton *reportPdfButton = nullptr;
    QLabel *summary = nullptr;

    // The plan and signalling in the windows as a template (throws when a text does not encode).
    std::function<FleetTemplate()> windowTemplate;
    // File choices; tests replace them so that nothing modal opens.
    std::function<QString()> chooseImageFile;
    std::function<QString()> chooseTableToLoad;
    std::function<QString()> chooseTableToSave;
    std::function<QString()> chooseReportCsv;
    std::function<QString()> chooseReportPdf;
    // Where each radio's backup goes.
    QString backupFolder;
    // How often a cable waiting for a radio asks again.
    int pollMs = 1000;

    // The table as the window holds it (a cell being edited included).
    FleetTable fleetTable() const;
    void setFleetTable(const FleetTable &table);
    // The template picked: the windows' data or the image file.
    FleetTemplate fleetTemplate() const;
    void setTemplateFile(const QString &file);
    QStringList sharedPortList() const;

    // Checks the table and template and lists what they find; 开始 waits until nothing blocks.
    QList<FleetIssue> recheck();
    void startClick();
    void stopClick();
    // The failed row selected (or `row`) again, alone.
    void retryClick();
    void retryRow(int row);
    void fillClick();
    void loadClick();
    void saveClick();
    void reportCsvClick();
    void reportPdfClick();
    void saveReportPdf(const QString &file) const;

    FleetRunner *runner() const { return m_runner.get(); }
    bool running() const;

private:
    void rowChanged(int row);
    void runFinished();
    void updateButtons();
    void showSummary();
    void addRows(int count);
    void setRowCells(int row, const FleetRow &data);
    QString cell(int row, int column) const;
    int statusColumn() const;

    std::unique_ptr<FleetRunner> m_runner;
    QString m_templateFile;
    bool m_blocked = true;
    bool m_filling = false;
};

// The menu item at the main window and the one fleet window it opens.
class FleetProgramming : public QObject {
    Q_OBJECT
public:
    FleetProgramming(TForm1 &main, const QList<SignallingWindow *> &windows);
    ~FleetProgramming() override;

    QAction *fleetAction = nullptr; // 批量写频…
    FleetWindow *window();
    void fleetClick();

private:
    TForm1 &m_main;
    QList<QPointer<SignallingWindow>> m_windows;
    QPointer<FleetWindow> m_window;
};
