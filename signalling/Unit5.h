// TForm5: the five-tone window: the standards' timing and tone table, 16 encode and 16 decode
// entries.
#pragma once

#include "signalling/signallingwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <array>

class TCellGrid;

class TForm5 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm5(RadioSession &session, QWidget *parent = nullptr);

    QTabWidget *PageControl1 = nullptr;
    QComboBox *CCIR = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr,
              *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr,
              *Edit11 = nullptr, *Edit12 = nullptr, *Edit13 = nullptr, *Edit14 = nullptr, *Edit15 = nullptr,
              *Edit16 = nullptr;
    TCellGrid *xg1 = nullptr;
    TCellGrid *xg2 = nullptr;
    QComboBox *cb1 = nullptr, *cb2 = nullptr, *cb3 = nullptr, *cb4 = nullptr;
    TCellGrid *xg3 = nullptr;
    QLineEdit *ed1 = nullptr;

    void FormCreate();
    void CCIRChange();
    void xg2SetEditText(int ACol, int ARow, const QString &Value);
    void xg3SetEditText(int ACol, int ARow, const QString &Value);

protected:
    BlockLayout blockLayout() const override;

private:
    QWidget *buildStandardsPage();
    QWidget *buildEncodePage();
    QWidget *buildDecodePage();

    // Edit1–Edit16 in digit order 0–F.
    static const std::array<QLineEdit *TForm5::*, 16> kToneEdits;
};
