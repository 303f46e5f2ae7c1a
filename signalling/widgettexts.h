// The texts of a signalling window's own controls and tables, found by their names.
#pragma once

#include "layouts/signallingtexts.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class WidgetTexts : public SignallingTexts {
public:
    // An edit, a drop-down, a check box or a TCellGrid under `name`, which becomes its object name
    // too when it has none, so that the layouts' names find the widgets (findChild).
    void add(const QString &name, QWidget *widget)
    {
        if (widget->objectName().isEmpty())
            widget->setObjectName(name);
        m_widgets.insert(name, widget);
    }

    // The control added under `name`, or null.
    QWidget *widget(const QString &name) const { return m_widgets.value(name); }

    QString text(const TextRef &ref) const override;
    void setText(const TextRef &ref, const QString &text) override;

private:
    QHash<QString, QPointer<QWidget>> m_widgets;
};
