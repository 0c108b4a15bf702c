#include "CXSerial.h"

#include <utility>

#include "PortNames.h"
#include "Termios.h"

CXSerial::CXSerial(PortEvents events) : m_events(std::move(events)) {}

CXSerial::~CXSerial() {
    Close();
}

bool CXSerial::ProbePort(int port) {
    return availability(port) == PortAvailability::kFree;
}

PortAvailability CXSerial::availability(int port) {
    return availabilityAfter(openPortDevice(port));
}

std::string ListedPort::text() const {
    return availability == PortAvailability::kFree ? portEntryText(port)
                                                   : refusedPortEntryText(port);
}

std::vector<ListedPort> CXSerial::ListedPorts() {
    std::vector<ListedPort> ports;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const PortAvailability availability = CXSerial::availability(port);
        if (availability != PortAvailability::kAbsent) ports.push_back({port, availability});
    }
    return ports;
}

bool CXSerial::Open(int port, int baud, int parity) {
    if (isOpen()) Close();
    return openDevice(openPortDevice(port), baud, parity);
}

bool CXSerial::OpenPath(const std::string& path, int baud, int parity) {
    if (isOpen()) Close();
    return openDevice(openDevicePath(path), baud, parity);
}

bool CXSerial::openDevice(OpenedDevice device, int baud, int parity) {
    m_lastError.clear();
    const auto parityValue = parityFromCode(parity);
    if (!parityValue)
        return failOpen("Parity code " + std::to_string(parity) + " is not supported");
    if (!device.fd) return failOpen(std::move(device.error));
    m_device = std::move(device.fd);

    std::string error = claimExclusive(m_device.get());
    if (error.empty()) error = applyLineSettings(m_device.get(), {baud, *parityValue});
    if (!error.empty()) return failOpen(std::move(error));
    discardQueues(m_device.get());
    {
        std::lock_guard lock(m_writeLock);
        forgetHandedOver();
    }
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
    if (!m_device) return;
    releaseExclusive(m_device.get());
    m_device.reset();
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
