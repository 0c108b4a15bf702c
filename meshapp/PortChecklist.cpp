#include "PortChecklist.h"

#include <QSet>

#include "PortDirectory.h"
#include "PortNames.h"

namespace meshapp {

namespace {

constexpr int kPortRole = Qt::UserRole;  // the port's name, "COM200"

}  // namespace

PortChecklist::PortChecklist(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::NoSelection);
}

QStringList PortChecklist::fill() {
    const std::vector<std::string> before = tickedPorts();
    QSet<QString> ticked;
    for (const std::string& port : before) ticked.insert(QString::fromStdString(port));
    clear();
    const ports::PortDirectory directory;
    for (const ports::ListedPort& port : directory.listed()) {
        const QString name = QString::fromStdString(ports::portName(port.port));
        auto* item = new QListWidgetItem(QString::fromStdString(port.text()), this);
        item->setData(kPortRole, name);
        if (port.availability == ports::PortAvailability::kFree) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(ticked.contains(name) ? Qt::Checked : Qt::Unchecked);
        } else {
            item->setFlags(Qt::NoItemFlags);
        }
    }
    QStringList problems;
    for (const std::string& problem : directory.remote().problems)
        problems << QString::fromStdString(problem);
    return problems;
}

void PortChecklist::tickAll(bool ticked) {
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        if (entry->flags() & Qt::ItemIsUserCheckable)
            entry->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

void PortChecklist::setTicked(const QString& port, bool ticked) {
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        if (entry->data(kPortRole).toString() == port && entry->flags() & Qt::ItemIsUserCheckable)
            entry->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<std::string> PortChecklist::tickedPorts() const {
    std::vector<std::string> ports;
    for (int row = 0; row < count(); ++row) {
        const QListWidgetItem* entry = item(row);
        if (entry->checkState() == Qt::Checked)
            ports.push_back(entry->data(kPortRole).toString().toStdString());
    }
    return ports;
}

}  // namespace meshapp
