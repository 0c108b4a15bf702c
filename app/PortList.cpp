#include "PortList.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QStyle>

#include "CXSerial.h"
#include "PortDirectory.h"
#include "PortNames.h"

namespace port_list {

void fill(QComboBox& list, const RemotePortTable& remote) {
    for (const ListedPort& entry : CXSerial::ListedPorts(remote))
        list.addItem(QString::fromStdString(entry.text()));
    list.setCurrentIndex(list.count() > 0 ? 0 : -1);
    // The drop-down shows each entry whole, even where the field is narrower, and with the
    // scroll bar a long list has.
    QAbstractItemView& view = *list.view();
    view.setMinimumWidth(view.sizeHintForColumn(0) + 2 * view.frameWidth() +
                         view.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void refill(QComboBox& list, const RemotePortTable& remote) {
    list.clear();
    fill(list, remote);
}

void select(QComboBox& list, int port) {
    const QString entry = QString::fromStdString(PortDirectory().entryText(port));
    if (list.currentText() == entry) return;
    refill(list, readRemotePorts());
    if (const int index = list.findText(entry); index >= 0) list.setCurrentIndex(index);
}

}  // namespace port_list
