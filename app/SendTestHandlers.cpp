// The data send test: Send data, continuous sending and its link test, and the relay controls.

#include <QCheckBox>

#include "CMeshcfgDlg.h"
#include "ControlForms.h"
#include "QtText.h"

namespace app {

using namespace res;

void CMeshcfgDlg::SendAppData() {
    const forms::SendDataReading result = forms::sendDataOf(readSendData(m_controls));
    switch (result.outcome) {
        case forms::SendDataReading::Outcome::Built:
            m_engine.send(result.request);
            return;
        case forms::SendDataReading::Outcome::EmptyData:
            break;
        case forms::SendDataReading::Outcome::TooLong:
            // Nothing of it is sent: a cut request would carry other data than the user typed.
            logLine(LogSide::Sent,
                    tr("> Data too long: at most %1 bytes can be sent.").arg(result.maxData));
            break;
    }
    m_engine.stopContinuous();
    showSendingOff();
}

void CMeshcfgDlg::OnContinuous() {
    if (!item<QCheckBox>(kIdContinuous)->isChecked()) {
        m_engine.stopContinuous();
        return showSendingOff();
    }
    m_engine.startContinuous(readIntervalTicks(m_controls));
    setCommandButtonsEnabled(false);
    m_timer.wake();
}

// The command buttons come back only with an open port: a closed one keeps them disabled.
void CMeshcfgDlg::showSendingOff() {
    item<QCheckBox>(kIdContinuous)->setChecked(false);
    setCommandButtonsEnabled(m_engine.isOpen());
}

// Whatever ended the run, its link test's figures go to the log.
void CMeshcfgDlg::continuousEnded(engine::SendingEnd, const proto::LinkStatistics& figures) {
    showSendingOff();
    item<QCheckBox>(kIdContinuous)->setToolTip(QString());
    logLine(LogSide::Received, "> " + QString::fromStdString(figures.summary()));
}

void CMeshcfgDlg::linkTestFigures(const proto::LinkStatistics& figures) {
    item<QCheckBox>(kIdContinuous)->setToolTip(QString::fromStdString(figures.summary()));
}

void CMeshcfgDlg::OnRouteModeChange() {
    followRouteMode(m_controls);
}

void CMeshcfgDlg::OnRelayingChange() {
    followRelaying(m_controls);
}

}  // namespace app
