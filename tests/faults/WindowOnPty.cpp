#include "WindowOnPty.h"

#include <QComboBox>
#include <QPushButton>

#include "CMeshcfgDlg.h"
#include "PortAlias.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "ScopedRuntimeDir.h"
#include "Wait.h"

using namespace res;

QString dumpLine(std::span<const std::uint8_t> bytes) {
    QString line = QStringLiteral("> ");
    for (const std::uint8_t b : bytes)
        line += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return line;
}

std::vector<std::uint8_t> dumpBytes(const QString& line) {
    const QByteArray raw = QByteArray::fromHex(line.mid(2).toLatin1());
    return {raw.begin(), raw.end()};
}

WindowOnPty::WindowOnPty(Ticks ticks)
    : m_runtime(std::make_unique<ScopedRuntimeDir>()),
      m_pty(std::make_unique<PtyPair>()),
      m_alias(std::make_unique<PortAlias>(kPort, m_pty->slavePath())),
      m_dlg(std::make_unique<app::CMeshcfgDlg>()) {
    if (ticks == Ticks::kDriven) m_dlg->stopTimer();
}

WindowOnPty::~WindowOnPty() = default;

bool WindowOnPty::selectPort() const {
    auto* list = m_dlg->item<QComboBox>(kIdPortList);
    const int index = list->findText(QStringLiteral("COM%1").arg(kPort), Qt::MatchStartsWith);
    list->setCurrentIndex(index);
    return index >= 0;
}

bool WindowOnPty::open() const {
    if (!selectPort()) return false;
    m_dlg->OnOpenClose();
    return m_dlg->serial()->isOpen();
}

void WindowOnPty::repointAlias(const std::string& target) {
    m_alias.reset();
    if (!target.empty()) m_alias = std::make_unique<PortAlias>(kPort, target);
}

void WindowOnPty::dropPty() {
    m_pty.reset();
}

void WindowOnPty::replacePty() {
    m_pty = std::make_unique<PtyPair>();
    repointAlias(m_pty->slavePath());
}

void WindowOnPty::ticks(int count) const {
    for (int i = 0; i < count; ++i) m_dlg->OnTimer();
}

bool WindowOnPty::arrive(std::span<const std::uint8_t> bytes) const {
    const serial::ReceiveBuffer& buffer = m_dlg->serial()->receiveBuffer();
    const std::size_t expected = buffer.count() + bytes.size();
    return m_pty->writeMaster(bytes) && waitUntil([&] { return buffer.count() >= expected; });
}

QStringList WindowOnPty::logLines() const {
    QStringList lines = m_dlg->log().allText().split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
    return lines;
}

int WindowOnPty::logLineCount() const {
    return static_cast<int>(m_dlg->log().lines().size());
}

QString WindowOnPty::lastLogLine() const {
    const app::LogLines& lines = m_dlg->log().lines();
    return lines.empty() ? QString() : lines.text(lines.size() - 1);
}

bool WindowOnPty::showsClosedState() const {
    bool closed = m_dlg->item<QPushButton>(kIdOpenClose)->text() == QStringLiteral("Open") &&
                  !m_dlg->serial()->isOpen();
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        closed = closed && m_dlg->item<QWidget>(id)->isEnabled();
    for (int id : kCommandButtons) closed = closed && !m_dlg->item<QWidget>(id)->isEnabled();
    return closed;
}
