// The port panel of the main window: lists the ports present, opens and closes the chosen
// one, and switches the window between its closed and open states.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "CMeshcfgDlg.h"
#include "NumberText.h"
#include "PortNames.h"
#include "QZSerial.h"
#include "UsbAdapters.h"

using namespace res;

void CMeshcfgDlg::FillPortList() {
    auto* list = item<QComboBox>(kIdPortList);
    for (const ListedPort& entry : CXSerial::ListedPorts())
        list->addItem(QString::fromStdString(entry.text()));
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
    // The drop-down shows each entry whole, even where the field is narrower.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + list->iconSize().width());
}

void CMeshcfgDlg::OnRefresh() {
    m_portWatch.stop();
    refillPortList();
}

void CMeshcfgDlg::refillPortList() {
    item<QComboBox>(kIdPortList)->clear();
    FillPortList();
}

void CMeshcfgDlg::OnOpenClose() {
    if (!m_pSerial) return;
    m_portWatch.stop();
    auto* openClose = item<QPushButton>(kIdOpenClose);
    if (!m_pSerial->isOpen()) {
        const auto* list = item<QComboBox>(kIdPortList);
        const auto* baudList = item<QComboBox>(kIdPortBaud);
        const int parity = item<QComboBox>(kIdPortParity)->currentIndex();
        if (list->currentIndex() < 0) return;
        // Typed-over settings lists have no selection: there is no rate to open with.
        if (baudList->currentIndex() < 0 || parity < 0) {
            openClose->setToolTip(tr("Choose a baud rate and a parity first"));
            return;
        }
        const QString entry = list->itemText(list->currentIndex());
        openPort(proto::readDecimal(entry.mid(3).toStdString()), baudList->currentIndex(), parity);
    } else {
        m_pSerial->Close();
    }
    updatePortState();
}

bool CMeshcfgDlg::openPort(int port, int baudIndex, int parity) {
    const auto* baudList = item<QComboBox>(kIdPortBaud);
    const int baud = proto::readDecimal(baudList->itemText(baudIndex).toStdString());
    if (!m_pSerial->Open(port, baud, parity)) return false;
    const auto device = devicePathForPort(port);
    m_opened = {.port = port,
                .baudIndex = baudIndex,
                .parity = parity,
                .adapter = device ? usbIdentity(*device) : std::nullopt};
    return true;
}

void CMeshcfgDlg::updatePortState() {
    const bool open = m_pSerial && m_pSerial->isOpen();
    auto* openClose = item<QPushButton>(kIdOpenClose);
    openClose->setText(open ? QStringLiteral("Close") : QStringLiteral("Open"));
    openClose->setToolTip(m_pSerial ? QString::fromStdString(m_pSerial->lastError()) : QString());
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        m_controls.find(id)->setEnabled(!open);
    setCommandButtonsEnabled(open);
    if (!open) stopContinuous();
}

// The adapter was unplugged or the peer went away: the same as pressing Close, and then the
// port is watched for its device to return. The news is queued, so the port may have been
// closed and opened again since; a port whose reader still runs is not the one that hung up.
void CMeshcfgDlg::onPortHangup() {
    if (!m_pSerial || !m_pSerial->isOpen() || m_pSerial->isReading()) return;
    m_opened.wasSending = sendCounter() >= 0;
    m_pSerial->Close();
    SetLogColor(kReceivedFrameColor);
    AppendLog(tr("> COM%1 lost: the device hung up").arg(m_opened.port) + timestampSuffix());
    updatePortState();
    item<QPushButton>(kIdOpenClose)->setToolTip(tr("The port was closed: the device hung up"));
    m_portWatch.start(m_opened.port, m_opened.adapter);
}

// Opened as it was before the hang-up. A device that is back but cannot be opened yet (another
// program probing it, say) is tried again at the next check.
void CMeshcfgDlg::onPortReturned(int port) {
    const OpenedPort lost = m_opened;  // opening overwrites it
    selectPortEntry(port);
    item<QComboBox>(kIdPortBaud)->setCurrentIndex(lost.baudIndex);
    item<QComboBox>(kIdPortParity)->setCurrentIndex(lost.parity);
    if (!openPort(port, lost.baudIndex, lost.parity)) return;
    m_portWatch.stop();
    updatePortState();
    SetLogColor(kReceivedFrameColor);
    // An adapter replugged as another tty is named by another port.
    const QString back = port == lost.port ? tr("> COM%1 back").arg(port)
                                           : tr("> COM%1 back as COM%2").arg(lost.port).arg(port);
    AppendLog(back + timestampSuffix());
    if (lost.wasSending) {
        AppendLog(tr("> Continuous sending stays off until \"Continuous\" is ticked") +
                  timestampSuffix());
    }
}

// The list names only the ports free when it was filled, and the device behind a name may have
// changed since.
void CMeshcfgDlg::selectPortEntry(int port) {
    auto* list = item<QComboBox>(kIdPortList);
    const QString entry = QString::fromStdString(portEntryText(port));
    if (list->currentText() == entry) return;
    refillPortList();
    if (const int index = list->findText(entry); index >= 0) list->setCurrentIndex(index);
}
