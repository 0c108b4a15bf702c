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
    item<QComboBox>(kIdPortList)->clear();
    FillPortList();
}

void CMeshcfgDlg::OnOpenClose() {
    if (!m_pSerial) return;
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
        const int port = proto::readDecimal(entry.mid(3).toStdString());
        const int baud =
            proto::readDecimal(baudList->itemText(baudList->currentIndex()).toStdString());
        m_pSerial->Open(port, baud, parity);
    } else {
        m_pSerial->Close();
    }
    updatePortState();
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

// The adapter was unplugged or the peer went away: the same as pressing Close. The news is
// queued, so the port may have been closed and opened again since; a port whose reader still
// runs is not the one that hung up.
void CMeshcfgDlg::onPortHangup() {
    if (!m_pSerial || !m_pSerial->isOpen() || m_pSerial->isReading()) return;
    m_pSerial->Close();
    updatePortState();
    item<QPushButton>(kIdOpenClose)->setToolTip(tr("The port was closed: the device hung up"));
}
