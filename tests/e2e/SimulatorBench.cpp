#include "SimulatorBench.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QtTest>

#include "QZSerial.h"
#include "ResourceIds.h"

using namespace res;

SimulatorBench::SimulatorBench()
    : m_simulator(m_desk.addSimulator()), m_dlg(std::make_unique<app::CMeshcfgDlg>()) {}

bool SimulatorBench::connect(const QStringList& simulatorOptions) {
    if (!m_simulator.start(simulatorOptions)) {
        m_error = m_simulator.error();
        return false;
    }
    // The window listed its ports before the simulator was there.
    press(kIdRefresh);
    auto* list = m_dlg->item<QComboBox>(kIdPortList);
    const int index = list->findText(portEntry());
    if (index < 0) {
        m_error = QStringLiteral("'%1' is not in the port list").arg(portEntry());
        return false;
    }
    list->setCurrentIndex(index);
    press(kIdOpenClose);
    if (!m_dlg->serial()->isOpen()) {
        m_error = QStringLiteral("%1 did not open: %2")
                      .arg(portEntry(), QString::fromStdString(m_dlg->serial()->lastError()));
        return false;
    }
    return true;
}

bool SimulatorBench::reconnect(const QStringList& simulatorOptions) {
    if (m_dlg->serial()->isOpen()) press(kIdOpenClose);
    if (!m_simulator.stop()) {
        m_error = QStringLiteral("the first simulator did not stop");
        return false;
    }
    return connect(simulatorOptions);
}

QString SimulatorBench::writeFile(const QString& name, const QByteArray& content) const {
    return m_desk.writeFile(name, content);
}

QStringList SimulatorBench::meshOptions(const QByteArray& mesh, const QStringList& base) const {
    if (mesh.isEmpty()) return base;
    // The simulator reads its mesh once, at start, so one file serves every start.
    return base +
           QStringList{QStringLiteral("--mesh"), writeFile(QStringLiteral("mesh.txt"), mesh)};
}

void SimulatorBench::press(int id) {
    QTest::mouseClick(m_dlg->item<QAbstractButton>(id), Qt::LeftButton);
}

QString SimulatorBench::portEntry() const {
    return QStringLiteral("COM%1 (%2)").arg(m_simulator.port()).arg(m_simulator.device());
}

QStringList SimulatorBench::logLines(const QString& prefix) const {
    QStringList lines = m_dlg->log().allText().split(u'\n');
    lines.removeIf([&](const QString& line) { return !line.startsWith(prefix); });
    return lines;
}
