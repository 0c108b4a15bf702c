#include "CXSerial.h"

#include <utility>

#include "NetworkLink.h"
#include "Termios.h"

namespace serial {

CXSerial::CXSerial(PortEvents events) : m_events(std::move(events)) {}

CXSerial::~CXSerial() {
    Close();
}

bool CXSerial::ProbePort(int port) {
    return availability(port) == ports::PortAvailability::kFree;
}

ports::PortAvailability CXSerial::availability(int port) {
    return ports::portAvailability(port);
}

bool CXSerial::Open(const ports::PortTarget& target, int baud, int parity) {
    if (!target.url.empty()) return OpenAddress(target.url, baud, parity);
    if (isOpen()) Close();
    return openDevice(ports::openTargetDevice(target), baud, parity);
}

bool CXSerial::OpenAddress(const std::string& address, int baud, int parity) {
    if (isOpen()) Close();
    const auto settings = settingsFor(baud, parity);
    if (!settings) return false;
    const ports::ParsedAddress parsed = ports::parseNetworkAddress(address);
    if (!parsed.address) return failOpen(parsed.error);
    return OpenConnected(NetworkLink::connect(*parsed.address, *settings));
}

bool CXSerial::OpenConnected(NetworkLink::Connected connected) {
    if (isOpen()) Close();
    m_lastError.clear();
    if (!connected.link) return failOpen(std::move(connected.error));
    m_lineControl = connected.link->setsLine() ? LineControl::kNetwork : LineControl::kBridge;
    m_network = std::move(connected.link);
    m_device = std::move(connected.device);
    {
        std::lock_guard lock(m_writeLock);
        // A raw bridge's line runs at a rate of its own, which the tool is not told.
        m_line = m_lineControl == LineControl::kNetwork ? proto::LineClock(connected.line)
                                                        : proto::LineClock();
        m_readLine = m_line;
    }
    return startThreads();
}

std::optional<proto::LineSettings> CXSerial::settingsFor(int baud, int parity) {
    m_lastError.clear();
    const auto parityValue = proto::parityFromCode(parity);
    if (!parityValue) {
        failOpen("Parity code " + std::to_string(parity) + " is not supported");
        return std::nullopt;
    }
    return proto::LineSettings{baud, *parityValue};
}

bool CXSerial::openDevice(ports::OpenedDevice device, int baud, int parity) {
    const auto settings = settingsFor(baud, parity);
    if (!settings) return false;
    m_lineControl = LineControl::kLocal;
    if (!device.fd) return failOpen(std::move(device.error));
    m_device = std::move(device.fd);

    std::string error = ports::claimExclusive(m_device.get());
    if (error.empty()) error = applyLineSettings(m_device.get(), *settings);
    if (!error.empty()) return failOpen(std::move(error));
    discardQueues(m_device.get());
    {
        std::lock_guard lock(m_writeLock);
        forgetHandedOver();
        m_line = proto::LineClock(*settings);
        m_readLine = m_line;
    }
    return startThreads();
}

bool CXSerial::startThreads() {
    if (!StartReader()) return failOpen("Cannot start the reader thread");
    if (!startWriter()) return failOpen("Cannot start the writer thread");
    return true;
}

// A device that could not be set up is closed again: the port panel judges "open" by the
// device held, and a held device without a reader would look open but receive nothing.
bool CXSerial::failOpen(std::string error) {
    Close();
    m_lastError = std::move(error);
    return false;
}

void CXSerial::Close() {
    stopWriter();
    StopReader();
    if (m_device && !m_network) ports::releaseExclusive(m_device.get());
    m_device.reset();
    m_network.reset();  // after the device end, which it expects closed
}

std::string CXSerial::lostReason() const {
    return m_lineControl == LineControl::kLocal ? "the device hung up" : "the connection closed";
}

bool CXSerial::isOpen() const {
    return static_cast<bool>(m_device);
}

bool CXSerial::isReading() const {
    return m_reading;
}

std::string CXSerial::lastError() const {
    return m_lastError;
}

}  // namespace serial
