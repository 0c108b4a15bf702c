// The data send test: Send data, continuous sending and its link test, and the relay controls.

#include <QCheckBox>
#include <QComboBox>

#include "CMeshcfgDlg.h"
#include "ControlForms.h"
#include "QtText.h"
#include "Ticks.h"

using namespace res;

// A list typed over sends at the first interval.
int CMeshcfgDlg::intervalTicks() const {
    const int selection = item<QComboBox>(kIdInterval)->currentIndex();
    const bool listed = selection >= 0 && selection < int(proto::kSendIntervals.size());
    return int(proto::kSendIntervals[listed ? selection : 0] / proto::kTickPeriod);
}

void CMeshcfgDlg::SendAppData() {
    const forms::SendDataReading result = forms::sendDataOf(form::readSendData(m_controls));
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
    m_engine.startContinuous(intervalTicks());
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
    if (item<QComboBox>(kIdRouteMode)->currentIndex() == proto::kRouteModeSource) {
        m_controls.find(kIdRelaying)->setEnabled(true);
        return;
    }
    m_controls.find(kIdRelaying)->setEnabled(false);
    for (int i = 0; i < kRelayFieldCount; ++i)
        m_controls.find(kIdRelayFirst + i)->setEnabled(false);
}

void CMeshcfgDlg::OnRelayingChange() {
    const int relays = item<QComboBox>(kIdRelaying)->currentIndex();
    for (int i = 0; i < kRelayFieldCount; ++i)
        m_controls.find(kIdRelayFirst + i)->setEnabled(i < relays);
}
