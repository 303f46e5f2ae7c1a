// What the end-to-end tests of the windows start from: the forms made afresh on a simulated radio
// with an empty memory and no faults, and the message boxes recorded instead of shown.
#pragma once

#include "app/Unit1.h"
#include "app/forms.h"
#include "rtl/dialogs.h"
#include "tools/radiosim/radiosim.h"

#include <QTimer>
#include <memory>

class WindowRig {
protected:
    std::unique_ptr<rtl::dialogs::Recording> m_boxes;
    radiosim::RadioSim m_sim;
    // When set, the main window's resend interval: tests that compare exact bytes make it long, so
    // every frame goes out once.
    int m_resendMs = 0;

    // For init(): false when the simulated radio cannot start.
    bool startRig()
    {
        m_boxes = std::make_unique<rtl::dialogs::Recording>();
        if (!m_sim.start())
            return false;
        m_sim.clearImage();
        m_sim.clearFaults(); // they outlive a restart of the radio
        m_sim.clearLogs();
        newWindows();
        return true;
    }
    // For cleanup().
    void stopRig()
    {
        destroyForms();
        m_sim.stop();
        m_boxes.reset();
    }
    // Fresh forms with the port box on the simulated radio.
    void newWindows()
    {
        destroyForms();
        createForms();
        Form1->comcbb->setCurrentText(m_sim.portPath());
        if (m_resendMs > 0)
            Form1->Tim1->setInterval(m_resendMs);
    }
};
