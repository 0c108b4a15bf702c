#include "Session.h"

#include <algorithm>
#include <iostream>

#include "FrameDescription.h"
#include "Interrupt.h"
#include "ProgramName.h"
#include "Text.h"

namespace modlink {

Session::Session(const CommonOptions& options, ports::PortTarget port, ModuleLink::Reading reading)
    : m_options(options), m_port(std::move(port)), m_timeout(options.timeoutMs), m_link(reading) {
    if (!open()) throw failure(kExitPort, m_link.lastError());
    if (m_link.lineControl() == serial::CXSerial::LineControl::kBridge)
        std::cerr << programPrefix << m_port.name
                  << ": a raw TCP bridge: its own baud rate and parity apply, not --baud and "
                     "--parity\n";
    m_onNotice = [this](const proto::ReadFrame& notice) {
        if (m_options.json) return;
        std::cerr << "notice " << forms::hexText(notice.bytes) << "  ("
                  << forms::describeFrames(notice.bytes, forms::Direction::Received) << ")\n";
    };
}

bool Session::open() {
    return m_link.open(m_port, m_options.baud, m_options.parity);
}

bool Session::reopen() {
    m_link.close();
    m_port = ports::PortDirectory::lookAgain(m_port.name);
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
    if (!seen.empty()) what += " (" + forms::joined(seen, ", ") + ")";
    return failure(kExitNoReply, what);
}

Failure Session::lost() const {
    return Failure(kExitPort, m_port.name + " lost: " + m_link.lostReason());
}

Session::Exchange Session::exchange(const proto::Request& request) {
    return ended(m_link.exchange(request, m_timeout, m_onNotice));
}

Session::Exchange Session::exchange(const engine::RawRequest& request) {
    return ended(m_link.exchange(request, m_timeout, m_onNotice));
}

// The ends no face can go on from.
Session::Exchange Session::ended(Exchange end) {
    m_requestWritten = end.written;
    if (!end.failure) return end;
    switch (*end.failure) {
        case engine::ExchangeFailure::NotSent:
            throw failure(kExitPort, "the request could not be written");
        case engine::ExchangeFailure::Lost:
            throw lost();
        case engine::ExchangeFailure::Interrupted:
            throw Interrupted(end.written);
        default:
            return end;
    }
}

namespace {

// What a reply of the request is called when it comes cut short.
std::string replyName(const proto::Request& request) {
    struct Names {
        std::string operator()(const proto::WriteSetupRequest&) const {
            return "the write acknowledgement";
        }
        std::string operator()(const proto::ReadSetupRequest&) const { return "the setup reply"; }
        std::string operator()(const proto::RouteListRequest&) const {
            return "the route list reply";
        }
        std::string operator()(const proto::PathRequest&) const { return "the path reply"; }
        std::string operator()(const proto::SendDataRequest&) const { return "the confirmation"; }
    };
    return std::visit(Names{}, request);
}

}  // namespace

Session::Exchange Session::request(const proto::Request& request) {
    Exchange end = exchange(request);
    if (!end.failure) return end;
    switch (*end.failure) {
        case engine::ExchangeFailure::NoReply:
            throw noReply();
        case engine::ExchangeFailure::BadCheck:
            throw failure(kExitNoReply,
                          "the reply's check byte is wrong: " + forms::hexText(end.frame));
        case engine::ExchangeFailure::CutShort:
            throw failure(kExitNoReply, replyName(request) + " is cut short");
        default:
            return end;
    }
}

ModuleLink::Posted Session::post(const proto::SendDataRequest& send) {
    m_requestWritten = false;
    if (interrupted()) throw Interrupted(false);
    ModuleLink::Posted posted;
    switch (m_link.post(send, m_timeout, posted)) {
        case ModuleLink::WaitEnd::kArrived:
            break;
        case ModuleLink::WaitEnd::kTimeOut:
        case ModuleLink::WaitEnd::kInterrupted:
            throw failure(kExitPort, "the request could not be written");
        case ModuleLink::WaitEnd::kLost:
            throw lost();
    }
    m_requestWritten = true;
    return posted;
}

ModuleLink::WaitEnd Session::awaitNews(ModuleLink::Clock::time_point deadline,
                                       ModuleLink::News& news) {
    for (;;) {
        switch (m_link.awaitNews(deadline, news)) {
            case ModuleLink::WaitEnd::kArrived:
                break;
            case ModuleLink::WaitEnd::kTimeOut:
                return ModuleLink::WaitEnd::kTimeOut;
            case ModuleLink::WaitEnd::kInterrupted:
                throw Interrupted(m_requestWritten);
            case ModuleLink::WaitEnd::kLost:
                throw lost();
        }
        const auto* frame = std::get_if<proto::ReadFrame>(&news);
        if (!frame || !frame->unsolicited) return ModuleLink::WaitEnd::kArrived;
        m_onNotice(*frame);
    }
}

}  // namespace modlink
