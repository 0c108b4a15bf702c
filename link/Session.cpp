#include "Session.h"

#include <algorithm>
#include <iostream>

#include "Dispatch.h"
#include "FrameDescription.h"
#include "Interrupt.h"
#include "ProgramName.h"
#include "ReplyEnd.h"
#include "Text.h"

namespace {

// A module with no line of its own (native USB) can answer before its baud rate would have
// carried the request.
double millisecondsBetween(ModuleLink::Clock::time_point from, ModuleLink::Clock::time_point to) {
    return std::max(0.0, std::chrono::duration<double, std::milli>(to - from).count());
}

}  // namespace

Session::Session(const CommonOptions& options, ModuleLink::Reading reading)
    : m_options(options), m_timeout(options.timeoutMs), m_link(reading) {
    if (!open()) throw failure(kExitPort, m_link.lastError());
    if (m_link.lineControl() == CXSerial::LineControl::kBridge)
        std::cerr << programPrefix << m_port.name
                  << ": a raw TCP bridge: its own baud rate and parity apply, not --baud and "
                     "--parity\n";
    m_onNotice = [this](const proto::ReadFrame& notice) {
        if (m_options.json) return;
        std::cerr << "notice " << hexText(notice.bytes) << "  ("
                  << forms::describeFrames(notice.bytes, forms::Direction::Received) << ")\n";
    };
}

// Each opening looks the name up afresh, as the user's files and the devices are then.
bool Session::open() {
    m_port = PortDirectory().resolve(m_options.port);
    return m_link.open(m_port, m_options.baud, m_options.parity);
}

bool Session::reopen() {
    m_link.close();
    return open();
}

Failure Session::failure(ExitCode code, const std::string& what) const {
    return Failure(code, m_port.name + ": " + what);
}

Failure Session::noReply() {
    std::vector<std::string> seen;
    if (const std::size_t noise = m_link.noiseBytes())
        seen.push_back(std::to_string(noise) + " bytes of noise skipped");
    if (const std::size_t unfinished = m_link.unfinishedBytes())
        seen.push_back(std::to_string(unfinished) + " bytes of an unfinished frame");
    std::string what = "no reply within " + std::to_string(m_timeout.count()) + " ms";
    if (!seen.empty()) what += " (" + joined(seen, ", ") + ")";
    return failure(kExitNoReply, what);
}

Failure Session::lost() const {
    return Failure(kExitPort, m_port.name + " lost: " + m_link.lostReason());
}

void Session::tellNotices(const std::vector<proto::ReadFrame>& frames) {
    for (const proto::ReadFrame& frame : frames)
        if (frame.unsolicited) m_onNotice(frame);
}

bool Session::answers(const std::optional<proto::ExpectedReply>& expected,
                      const proto::ReadFrame& frame) const {
    // A reply of no known shape is the first frame that is not a notice.
    return !expected || !frame.checkOk ||
           proto::dispatchCode(frame.bytes) == expected->dispatchCode;
}

ModuleLink::Clock::time_point Session::post(proto::Bytes request,
                                            std::vector<proto::ReadFrame>& earlier) {
    m_requestWritten = false;
    for (proto::ReadFrame& frame : m_link.startExchange()) {
        tellNotices({frame});
        if (!frame.unsolicited) earlier.push_back(std::move(frame));
    }
    if (interrupted()) throw Interrupted(false);
    ModuleLink::Clock::time_point written;
    switch (m_link.write(request, written)) {
        case ModuleLink::WaitEnd::kArrived:
            break;
        case ModuleLink::WaitEnd::kTimeOut:
        case ModuleLink::WaitEnd::kInterrupted:
            throw failure(kExitPort, "the request could not be written");
        case ModuleLink::WaitEnd::kLost:
            throw lost();
    }
    m_requestWritten = true;
    return written;
}

ModuleLink::WaitEnd Session::awaitFrame(ModuleLink::Clock::time_point deadline,
                                        proto::ReadFrame& frame) {
    for (;;) {
        switch (m_link.awaitFrame(deadline, frame)) {
            case ModuleLink::WaitEnd::kArrived:
                break;
            case ModuleLink::WaitEnd::kTimeOut:
                return ModuleLink::WaitEnd::kTimeOut;
            case ModuleLink::WaitEnd::kInterrupted:
                throw Interrupted(m_requestWritten);
            case ModuleLink::WaitEnd::kLost:
                throw lost();
        }
        tellNotices({frame});
        if (!frame.unsolicited) return ModuleLink::WaitEnd::kArrived;
    }
}

// Frames from before the request cannot answer it.
Session::Exchange Session::exchange(proto::Bytes request) {
    std::vector<proto::ReadFrame> earlier;
    const auto written = post(request, earlier);
    const auto expected = proto::expectedReplyTo(request);
    Exchange result;
    proto::ReadFrame frame;
    while (awaitFrame(written + m_timeout, frame) == ModuleLink::WaitEnd::kArrived) {
        if (!answers(expected, frame)) continue;
        result.outcome = frame.checkOk ? Exchange::Outcome::kReply : Exchange::Outcome::kBadCheck;
        result.roundTripMs = millisecondsBetween(written, frame.arrived);
        result.reply = std::move(frame.bytes);
        return result;
    }
    return result;
}

Session::Exchange Session::request(proto::Bytes request) {
    Exchange result = exchange(request);
    switch (result.outcome) {
        case Exchange::Outcome::kReply:
            return result;
        case Exchange::Outcome::kNoReply:
            throw noReply();
        case Exchange::Outcome::kBadCheck:
            throw failure(kExitNoReply,
                          "the reply's check byte is wrong: " + hexText(result.reply));
    }
    return result;
}
