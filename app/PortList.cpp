#include "PortList.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QStyle>

#include "PortDirectory.h"

namespace app::port_list {

void fill(QComboBox& list, const ports::PortDirectory& directory) {
    for (const ports::ListedPort& entry : directory.listed())
        list.addItem(QString::fromStdString(entry.text()), entry.port);
    list.setCurrentIndex(list.count() > 0 ? 0 : -1);
    // The drop-down shows each entry whole, even where the field is narrower, and with the
    // scroll bar a long list has.
    QAbstractItemView& view = *list.view();
    view.setMinimumWidth(view.sizeHintForColumn(0) + 2 * view.frameWidth() +
                         view.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void refill(QComboBox& list, const ports::PortDirectory& directory) {
    list.clear();
    fill(list, directory);
}

std::optional<int> selectedPort(const QComboBox& list) {
    if (list.currentIndex() < 0) return std::nullopt;
    return list.itemData(list.currentIndex()).toInt();
}

void select(QComboBox& list, int port) {
    const ports::PortDirectory directory;
    const QString entry = QString::fromStdString(directory.entryText(port));
    if (list.currentText() == entry) return;
    refill(list, directory);
    if (const int index = list.findText(entry); index >= 0) list.setCurrentIndex(index);
}

}  // namespace app::port_list
