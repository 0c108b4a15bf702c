#include "Session.h"

#include <iostream>

#include "Dispatch.h"
#include "NetworkAddress.h"
#include "PortNames.h"
#include "ReplyEnd.h"
#include "SetupNames.h"
#include "Text.h"
#include "UsbAdapters.h"

PortIdentity identifyPort(const std::string& portName) {
    if (const auto port = portNumberOf(portName)) {
        PortEntry entry = portEntry(*port);
        return {portName, std::move(entry.device), std::move(entry.adapter)};
    }
    if (looksLikeNetworkAddress(portName)) return {portName, {}, {}};
    return {portName, portName, usbDeviceDetails(portName)};
}

Session::Session(const CommonOptions& options)
    : m_port(identifyPort(options.port)), m_timeout(options.timeoutMs) {
    const auto parity = proto::parityIndex(options.parity);
    if (!parity) throw Failure(kExitUsage, "parity must be NO, ODD or EVEN");
    if (!m_link.OpenNamed(options.port, options.baud, *parity))
        throw failure(kExitPort, m_link.lastError());
    if (m_link.lineControl() == CXSerial::LineControl::kBridge)
        std::cerr << "meshcfg-cli: " << m_port.name
                  << ": a raw TCP bridge: its own baud rate and parity apply, not --baud and "
                     "--parity\n";
}

Failure Session::failure(ExitCode code, const std::string& what) const {
    return Failure(code, m_port.name + ": " + what);
}

Failure Session::noReply() const {
    return failure(kExitNoReply, "no reply within " + std::to_string(m_timeout.count()) + " ms");
}

Session::Exchange Session::exchange(proto::Bytes request) {
    m_link.discardPending();
    if (!m_link.Write(request.data(), static_cast<unsigned>(request.size())))
        throw failure(kExitPort, "the request could not be written");
    const auto written = ModuleLink::Clock::now();
    const auto block = m_link.awaitBlock(proto::expectedReplyTo(request), written + m_timeout);
    Exchange result;
    if (!block) return result;
    result.reply = block->bytes;
    result.roundTripMs =
        std::chrono::duration<double, std::milli>(block->lastByte - written).count();
    result.outcome = proto::blockPassesCheck(block->bytes) ? Exchange::Outcome::kReply
                                                           : Exchange::Outcome::kBadCheck;
    return result;
}

Session::Exchange Session::request(proto::Bytes request) {
    Exchange result = exchange(request);
    switch (result.outcome) {
        case Exchange::Outcome::kReply: {
            const auto expected = proto::expectedReplyTo(request);
            if (expected && proto::dispatchCode(result.reply) != expected->dispatchCode)
                throw failure(kExitNoReply, "not the reply asked for: " + hexText(result.reply));
            return result;
        }
        case Exchange::Outcome::kNoReply:
            throw noReply();
        case Exchange::Outcome::kBadCheck:
            throw failure(kExitNoReply,
                          "the reply's check byte is wrong: " + hexText(result.reply));
    }
    return result;
}
