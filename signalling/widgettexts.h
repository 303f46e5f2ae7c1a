// The texts of a signalling window's own controls and tables, found by their names.
#pragma once

#include "signalling/signallingtexts.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class WidgetTexts : public SignallingTexts {
public:
    // An edit, a drop-down, a check box or a TCellGrid under `name`.
    void add(const QString &name, QWidget *widget) { m_widgets.insert(name, widget); }

    QString text(const TextRef &ref) const override;
    void setText(const TextRef &ref, const QString &text) override;

private:
    QHash<QString, QPointer<QWidget>> m_widgets;
};
