// The port panel of the main window: lists the ports present, opens and closes the chosen
// one, switches the window between its closed, opening and open states, and shows a port lost
// and back.

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
    m_engine.startOpening({.port = proto::readDecimal(entry.mid(3).toStdString()),
                           .baud = proto::readDecimal(baud.toStdString()),
                           .parity = parity});
    updatePortState();
}

// A port across the network connects off the window thread; meanwhile the panel is as while
// closed, but for the button.
void CMeshcfgDlg::updatePortState() {
    const bool open = m_engine.isOpen();
    const bool opening = m_engine.isOpening();
    auto* openClose = item<QPushButton>(kIdOpenClose);
    openClose->setText(open      ? QStringLiteral("Close")
                       : opening ? tr("Opening...")
                                 : QStringLiteral("Open"));
    openClose->setEnabled(!opening);
    openClose->setToolTip(QString::fromStdString(m_engine.lastError()));
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        m_controls.find(id)->setEnabled(!open);
    setCommandButtonsEnabled(open);
}

void CMeshcfgDlg::openingEnded(int port, const std::string& error) {
    updatePortState();
    if (!error.empty())
        logLine(LogSide::Sent, tr("> COM%1: %2").arg(port).arg(QString::fromStdString(error)));
}

// The adapter was unplugged, the peer went away or the connection closed: the same as pressing
// Close, and then the port is watched for its device to return.
void CMeshcfgDlg::lost(int port, const std::string& why) {
    const QString reason = QString::fromStdString(why);
    logLine(LogSide::Received, tr("> COM%1 lost: %2").arg(port).arg(reason));
    updatePortState();
    item<QPushButton>(kIdOpenClose)->setToolTip(tr("The port was closed: %1").arg(reason));
    m_portWatch.start();
}

// The watch goes on, quietly, until the other program lets the device go.
void CMeshcfgDlg::backInUse(int port) {
    logLine(LogSide::Received, tr("> COM%1 back, but in use by another program").arg(port));
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
