// The road of every request out and every reply in, as the engine reports it: the log lines of
// requests, of blocks received and of the frames they carry, and the handler of each frame.

#include <chrono>
#include <variant>

#include "CMeshcfgDlg.h"
#include "Frame.h"
#include "LogTexts.h"
#include "QtText.h"
#include "SendNames.h"

namespace app {

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

constexpr std::string_view kWriteSuccessful = "> Write successful.";

// In the order of proto::Request's alternatives.
constexpr std::string_view kDescriptions[] = {proto::kDescWriteSetup, proto::kDescReadSetup,
                                              proto::kDescReadRoute, proto::kDescReadPath,
                                              proto::kDescSendData};
static_assert(std::size(kDescriptions) == std::variant_size_v<proto::Request>);

}  // namespace

void CMeshcfgDlg::requestLogged(const proto::Request& request, proto::Bytes frame) {
    m_log->appendFrame(LogSide::Sent, frame);
    logLine(LogSide::Sent, widgets::qtext(kDescriptions[request.index()]));
}

void CMeshcfgDlg::notSent(engine::NotSentReason reason) {
    using std::chrono::seconds;
    const auto givenUpAfter = serial::CXSerial::kWriteWait * serial::CXSerial::kWriteTries;
    const QString why =
        reason == engine::NotSentReason::QueueFull
            ? tr("%1 requests already wait for the port").arg(serial::CXSerial::kWriteQueueLimit)
            : tr("the port took no data for %1 s")
                  .arg(std::chrono::duration_cast<seconds>(givenUpAfter).count());
    logLine(LogSide::Sent, tr("> Not sent: %1").arg(why));
}

void CMeshcfgDlg::flushed(const std::vector<proto::Frame>& frames) {
    for (const proto::Frame& frame : frames) {
        logLine(LogSide::Sent, tr("> Not sent: %1, flushed from the port's output")
                                   .arg(widgets::qtext(proto::hexDump(frame))));
    }
}

void CMeshcfgDlg::blockReceived(proto::Bytes block, std::size_t dropped,
                                std::chrono::steady_clock::time_point) {
    m_log->appendFrame(LogSide::Received, block);
    if (dropped > 0)
        m_log->appendLine(LogSide::Received,
                          tr("> %1 bytes dropped: receive buffer full.").arg(dropped));
}

void CMeshcfgDlg::frameReceived(const proto::Reply& reply, proto::Bytes) {
    const auto log = [this](std::string_view text) {
        logLine(LogSide::Received, widgets::qtext(text));
    };
    std::visit(Overloaded{
                   [&](const proto::WriteAcknowledgement&) { log(kWriteSuccessful); },
                   [&](const proto::SetupReply& r) { OnSetupReply(r.setup); },
                   [&](const proto::RouteListReply& r) { OnRouteListReply(r); },
                   [&](const proto::PathReply& r) { OnPathReply(r); },
                   [&](const proto::SendStatus& s) { OnSendStatus(s.status); },
                   [&](const proto::ReceiveNotice&) { log(forms::kReceivedOk); },
               },
               reply);
}

// Beside the described road: a module that never answers is said, in the requests' colour.
void CMeshcfgDlg::noReply(int port) {
    logLine(LogSide::Sent,
            tr("> No reply from COM%1 (check the module's power, baud rate and parity)").arg(port));
}

// A status the module does not name leaves the line with its time alone.
void CMeshcfgDlg::OnSendStatus(std::uint8_t status) {
    const std::string_view text = proto::statusText(status);
    logLine(LogSide::Received, text.empty() ? QString() : "> " + widgets::qtext(text));
}

}  // namespace app
