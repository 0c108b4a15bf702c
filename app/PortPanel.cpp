// The port panel of the main window: lists the ports present, opens and closes the chosen
// one, switches the window between its closed, opening and open states, and shows a port lost
// and back.

#include <QComboBox>
#include <QPushButton>

#include "CMeshcfgDlg.h"
#include "ControlForms.h"
#include "PortDirectory.h"

namespace app {

using namespace res;

// Told at start and at Refresh, where the user looks for the ports the file names.
void CMeshcfgDlg::FillPortList() {
    const ports::PortDirectory directory;
    port_list::fill(*item<QComboBox>(kIdPortList), directory);
    for (const std::string& problem : directory.remote().problems)
        logLine(LogSide::Sent, "> " + QString::fromStdString(problem));
}

void CMeshcfgDlg::OnRefresh() {
    m_engine.stopWatching();
    m_lostPortWatch.stop();
    item<QComboBox>(kIdPortList)->clear();
    FillPortList();
}

void CMeshcfgDlg::OnOpenClose() {
    m_lostPortWatch.stop();
    m_engine.stopWatching();
    if (m_engine.isOpen()) {
        m_engine.close();
        return updatePortState();
    }
    if (item<QComboBox>(kIdPortList)->currentIndex() < 0) return;
    const std::optional<engine::PortSettings> settings = readPort(m_controls);
    // Typed-over settings lists have no selection: there is no rate to open with.
    if (!settings) {
        item<QPushButton>(kIdOpenClose)->setToolTip(tr("Choose a baud rate and a parity first"));
        return;
    }
    // The port panel's one look at the names for this opening: the engine opens what it found.
    m_engine.startOpening(ports::PortDirectory().target(settings->port), settings->baud,
                          settings->parity);
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

// The lists stayed usable while it connected: they show again what was opened.
void CMeshcfgDlg::openingEnded(int port, const std::string& error) {
    if (error.empty()) returning(port);
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
    m_lostPortWatch.start();
}

// The watch goes on, quietly, until the other program lets the device go.
void CMeshcfgDlg::backInUse(int port) {
    logLine(LogSide::Received, tr("> COM%1 back, but in use by another program").arg(port));
}

// The watch goes on, less and less often, until the server serves the port again.
void CMeshcfgDlg::notBack(int port, const std::string& why) {
    logLine(LogSide::Received,
            tr("> COM%1 not back: %2").arg(port).arg(QString::fromStdString(why)));
}

// The lists show what the port is opened with again.
void CMeshcfgDlg::returning(int port) {
    engine::PortSettings settings = *m_engine.lastOpened();
    settings.port = port;
    showPort(m_controls, settings);
}

void CMeshcfgDlg::back(int lostPort, int port, bool wasSending) {
    m_lostPortWatch.stop();
    updatePortState();
    // An adapter replugged as another tty is named by another port.
    logLine(LogSide::Received, port == lostPort
                                   ? tr("> COM%1 back").arg(port)
                                   : tr("> COM%1 back as COM%2").arg(lostPort).arg(port));
    if (wasSending)
        logLine(LogSide::Received,
                tr("> Continuous sending stays off until \"Continuous\" is ticked"));
}

}  // namespace app
