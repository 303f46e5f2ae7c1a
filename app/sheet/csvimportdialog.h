// The two windows of a CSV import: where the file's rows go, and what became of them.
#pragma once

#include "channels/channelcsv.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// Asks for the first row of the file to import and the channel it lands in, showing how many rows
// the file has and which channels they would fill. It starts on the file's first row and channel 1.
class CsvImportDialog : public QDialog {
    Q_OBJECT
public:
    // `file` must outlive the dialog.
    CsvImportDialog(const ChannelCsvFile &file, const QString &fileName, QWidget *parent = nullptr);

    // The placement chosen; none when no row of the file has a Location that is a number.
    std::optional<CsvPlacement> placement() const;

    QComboBox *firstRowBox;  // the rows whose Location is a number, in file order
    QSpinBox *channelBox;    // 1–16
    QLabel *previewLabel;    // what the choice would fill and skip
    QPushButton *importButton;

private:
    void updatePreview();

    const ChannelCsvFile &m_file;
};

// The import's report: `summary` above, `lines` in a list that scrolls, so that a file of a
// hundred rows still fits the screen. `parent` owns it.
QDialog *csvImportReport(QWidget *parent, const QString &summary, const QStringList &lines);
// Shows it modally; under a box recorder it is recorded as one info box, the lines below the summary.
void showCsvImportReport(QWidget *parent, const QString &summary, const QStringList &lines);
