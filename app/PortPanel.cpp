// The port panel of the main window: lists the ports present, opens and closes the chosen
// one, switches the window between its closed and open states, and shows a port lost and back.

#include <QComboBox>
#include <QPushButton>

#include "CMeshcfgDlg.h"
#include "NumberText.h"

using namespace res;

void CMeshcfgDlg::OnRefresh() {
    m_engine.stopWatching();
    m_portWatch.stop();
    port_list::refill(*item<QComboBox>(kIdPortList));
}

void CMeshcfgDlg::OnOpenClose() {
    m_portWatch.stop();
    m_engine.stopWatching();
    if (m_engine.isOpen()) {
        m_engine.close();
        return updatePortState();
    }
    const auto* list = item<QComboBox>(kIdPortList);
    const auto* baudList = item<QComboBox>(kIdPortBaud);
    const int parity = item<QComboBox>(kIdPortParity)->currentIndex();
    if (list->currentIndex() < 0) return;
    // Typed-over settings lists have no selection: there is no rate to open with.
    if (baudList->currentIndex() < 0 || parity < 0) {
        item<QPushButton>(kIdOpenClose)->setToolTip(tr("Choose a baud rate and a parity first"));
        return;
    }
    const QString entry = list->itemText(list->currentIndex());
    const QString baud = baudList->itemText(baudList->currentIndex());
    m_engine.open({.port = proto::readDecimal(entry.mid(3).toStdString()),
                   .baud = proto::readDecimal(baud.toStdString()),
                   .parity = parity});
    updatePortState();
}

void CMeshcfgDlg::updatePortState() {
    const bool open = m_engine.isOpen();
    auto* openClose = item<QPushButton>(kIdOpenClose);
    openClose->setText(open ? QStringLiteral("Close") : QStringLiteral("Open"));
    openClose->setToolTip(QString::fromStdString(m_engine.lastError()));
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        m_controls.find(id)->setEnabled(!open);
    setCommandButtonsEnabled(open);
}

// The adapter was unplugged or the peer went away: the same as pressing Close, and then the
// port is watched for its device to return.
void CMeshcfgDlg::lost(int port) {
    logLine(LogSide::Received, tr("> COM%1 lost: the device hung up").arg(port));
    updatePortState();
    item<QPushButton>(kIdOpenClose)->setToolTip(tr("The port was closed: the device hung up"));
    m_portWatch.start();
}

// The lists show what the port is opened with again.
void CMeshcfgDlg::returning(int port) {
    port_list::select(*item<QComboBox>(kIdPortList), port);
    const engine::PortSettings settings = *m_engine.lastOpened();
    auto* baudList = item<QComboBox>(kIdPortBaud);
    baudList->setCurrentIndex(baudList->findText(QString::number(settings.baud)));
    item<QComboBox>(kIdPortParity)->setCurrentIndex(settings.parity);
}

void CMeshcfgDlg::back(int lostPort, int port, bool wasSending) {
    m_portWatch.stop();
    updatePortState();
    // An adapter replugged as another tty is named by another port.
    logLine(LogSide::Received, port == lostPort
                                   ? tr("> COM%1 back").arg(port)
                                   : tr("> COM%1 back as COM%2").arg(lostPort).arg(port));
    if (wasSending)
        logLine(LogSide::Received,
                tr("> Continuous sending stays off until \"Continuous\" is ticked"));
}
