#include "ModuleEngine.h"

#include <algorithm>
#include <variant>

#include "Dispatch.h"
#include "PortDirectory.h"
#include "PortNames.h"
#include "Ticks.h"

namespace engine {

ModuleEngine::ModuleEngine(EngineEvents& events, Wake wake, Receiving receiving)
    : m_events(events), m_wake(std::move(wake)), m_receiving(receiving) {
    // The port's threads only leave the news and wake the face, which takes it on its thread.
    m_port = std::make_unique<ReceivingPort>(
        serial::PortEvents{.hungUp =
                               [this] {
                                   m_hungUp = true;
                                   m_wake();
                               },
                           .frameGivenUp =
                               [this] {
                                   m_written.put(std::nullopt);
                                   m_wake();
                               },
                           .framesFlushed =
                               [this](std::vector<proto::Frame> frames) {
                                   m_flushed.putAll(std::move(frames));
                                   m_wake();
                               },
                           .frameWritten =
                               [this](auto onWire) {
                                   m_written.put(onWire);
                                   m_wake();
                               }},
        receiving, m_wake);
}

// The port's threads end first: they call into the members declared before it.
ModuleEngine::~ModuleEngine() {
    m_port.reset();
}

ModuleEngine::Opening ModuleEngine::startOpening(const ports::PortTarget& target, int baud,
                                                 proto::Parity parity) {
    const std::optional<ports::NetworkAddress> address = target.address();
    if (!address || !target.port)
        return open(target, baud, parity) ? Opening::kOpened : Opening::kFailed;
    stopWatching();
    m_port->Close();
    const PortSettings settings{.port = *target.port, .baud = baud, .parity = parity};
    m_remote.start(*address, {baud, parity}, settings, RemoteOpening::Purpose::kOpen);
    return Opening::kConnecting;
}

bool ModuleEngine::open(const ports::PortTarget& target, int baud, proto::Parity parity) {
    stopWatching();
    m_remote.abandon();
    if (target.port)
        return openPort(target, {.port = *target.port, .baud = baud, .parity = parity});
    m_reopen.forget();
    return m_port->Open(target, baud, proto::parityCodeOf(parity));
}

bool ModuleEngine::isOpening() const {
    return m_remote.running(RemoteOpening::Purpose::kOpen);
}

// The face's own Open reports either way; the watch's attempt once it succeeds, or the first
// time a server turns it away, and it is made again at a later look, later each time.
void ModuleEngine::remoteEnded(RemoteOpening::Ended ended) {
    const PortSettings settings = ended.settings;
    if (ended.purpose == RemoteOpening::Purpose::kOpen) {
        if (m_port->OpenConnected(std::move(ended.connected)))
            m_reopen.connected(settings, ended.address);
        m_events.openingEnded(settings.port, m_port->lastError());
        return;
    }
    if (!ended.connected.link) {
        m_retryWait.failed();
        if (ended.connected.closedByServer && m_reopen.firstClosedByServer())
            m_events.notBack(settings.port, ended.connected.error);
        return;
    }
    const bool wasSending = m_reopen.wasSending();
    m_events.returning(settings.port);
    if (!m_port->OpenConnected(std::move(ended.connected))) return;
    m_reopen.connected(settings, ended.address);
    stopWatching();
    m_events.back(settings.port, settings.port, wasSending);
}

bool ModuleEngine::openPort(const ports::PortTarget& target, const PortSettings& settings) {
    if (!m_port->Open(target, settings.baud, proto::parityCodeOf(settings.parity))) return false;
    m_reopen.opened(settings, target);
    return true;
}

void ModuleEngine::close() {
    stopWatching();
    m_remote.abandon();
    m_port->Close();
    endContinuous(SendingEnd::PortClosed);
    portGone();
}

bool ModuleEngine::isOpen() const {
    return m_port->isOpen();
}

std::string ModuleEngine::lastError() const {
    return m_port->lastError();
}

std::optional<PortSettings> ModuleEngine::lastOpened() const {
    return m_reopen.settings();
}

void ModuleEngine::send(const proto::Request& request) {
    const proto::Frame frame = proto::encode(request);
    m_events.requestLogged(request, frame);
    const bool counted =
        std::holds_alternative<proto::SendDataRequest>(request) && m_sends.measuring();
    sendFrame(frame, {.send = counted, .timeout = ContinuousSending::kReplyTimeout});
}

Handed ModuleEngine::exchange(const proto::Request& request, Clock::duration timeout) {
    const proto::Frame frame = proto::encode(request);
    m_events.requestLogged(request, frame);
    return sendFrame(frame, {.exchange = ++m_exchanges,
                             .send = std::holds_alternative<proto::SendDataRequest>(request),
                             .timeout = timeout});
}

Handed ModuleEngine::exchange(const RawRequest& request, Clock::duration timeout) {
    return sendFrame(request.bytes, {.exchange = ++m_exchanges, .raw = true, .timeout = timeout});
}

void ModuleEngine::forget(int exchange) {
    m_replyWatch.forget(exchange);
    m_awaited.erase(exchange);
    m_sends.forget(exchange);
}

// The one way a frame reaches the port. Frames cut before it was taken cannot answer it.
Handed ModuleEngine::sendFrame(proto::Bytes frame, Awaiting awaiting) {
    Handed handed{.exchange = awaiting.exchange};
    if (!m_port->isOpen()) {
        endAwaited({awaiting.exchange}, ExchangeFailure::NotSent);
        return handed;
    }
    const auto now = Clock::now();
    if (awaiting.exchange != 0) reportFrames(now);
    m_port->expectReplyTo(frame);
    if (!m_port->queueWrite(frame)) {
        m_events.notSent(NotSentReason::QueueFull);
        endAwaited({awaiting.exchange}, ExchangeFailure::NotSent);
        return handed;
    }
    Unwritten unwritten;
    if (awaiting.send) {
        handed.send = m_sends.handed(now, awaiting.timeout, awaiting.exchange);
        unwritten.send = handed.send;
    }
    if (awaiting.exchange != 0 && !awaiting.send) {
        m_replyWatch.taken(frame, awaiting.exchange, awaiting.timeout);
        m_awaited[awaiting.exchange] = {awaiting.raw, now};
        unwritten.watched = true;
    } else if (m_watchingReplies) {
        m_replyWatch.taken(frame);
        unwritten.watched = true;
    }
    m_unwritten.push_back(unwritten);
    m_events.frameSent(frame);
    return handed;
}

void ModuleEngine::endAwaited(const std::vector<int>& exchanges, ExchangeFailure why) {
    for (const int exchange : exchanges) {
        if (exchange == 0) continue;
        m_awaited.erase(exchange);
        m_events.exchangeEnded(exchange, {.failure = why});
    }
}

// The answer is read as the reply it is; raw bytes as whatever they hold.
void ModuleEngine::endAnswered(const ReplyWatch::Answered& answered,
                               const proto::ReadFrame& frame) {
    const auto awaited = m_awaited.find(answered.exchange);
    if (awaited == m_awaited.end()) return;
    const Awaited request = awaited->second;
    m_awaited.erase(awaited);
    const auto from = answered.written.value_or(request.handed);
    ExchangeEnd end{
        .frame = frame.bytes,
        .written = true,
        .roundTripMs =
            std::max(0.0, std::chrono::duration<double, std::milli>(frame.arrived - from).count())};
    if (!frame.checkOk) {
        end.failure = ExchangeFailure::BadCheck;
    } else {
        end.reply = proto::decodeReply(frame.bytes);
        if (!end.reply && !request.raw) end.failure = ExchangeFailure::CutShort;
    }
    m_events.exchangeEnded(answered.exchange, end);
}

// Frames written are told before frames read, which may answer them.
void ModuleEngine::takeNews() {
    // Frames the writer dropped are never written: what waits for a reply is let go, so that
    // no later frame is taken for one of them.
    if (const std::vector<proto::Frame> flushed = m_flushed.takeAll(); !flushed.empty()) {
        endAwaited(m_replyWatch.clear(), ExchangeFailure::NotSent);
        m_events.flushed(flushed);
    }
    takeWriterNews();
    if (m_hungUp.exchange(false)) handleHangup();
    if (std::optional<RemoteOpening::Ended> ended = m_remote.takeEnded())
        remoteEnded(std::move(*ended));
    if (m_receiving == Receiving::Frames) {
        const auto now = Clock::now();
        reportFrames(now);
        settle(now);
    }
}

// The writer ends the frames in the order the port took them.
void ModuleEngine::takeWriterNews() {
    for (const std::optional<Clock::time_point> onWire : m_written.takeAll()) {
        Unwritten frame;
        if (!m_unwritten.empty()) {
            frame = m_unwritten.front();
            m_unwritten.pop_front();
        }
        if (!onWire) {
            if (frame.send != 0) m_sends.unsent(frame.send);
            endAwaited(m_replyWatch.clear(), ExchangeFailure::NotSent);
            m_events.notSent(NotSentReason::GivenUp);
            continue;
        }
        if (frame.watched) m_replyWatch.written(*onWire);
        if (frame.send != 0) m_sends.written(frame.send, *onWire);
        m_events.frameWritten(*onWire);
    }
}

// The news is left by the reader thread, so the port may have been closed and opened again
// since: a port whose reader still runs is not the one that hung up.
void ModuleEngine::handleHangup() {
    if (!m_port->isOpen() || m_port->isReading()) return;
    const std::optional<PortSettings> settings = m_reopen.settings();
    const std::string why = m_port->lostReason();
    m_port->Close();
    m_reopen.lost(isSending());
    m_retryWait.reset();
    m_events.lost(settings ? settings->port : 0, why);
    endContinuous(SendingEnd::PortLost);
    portGone();
}

// Whatever the closed port held is never written, and nothing it sent is answered now.
void ModuleEngine::portGone() {
    m_written.takeAll();
    for (const Unwritten& frame : std::exchange(m_unwritten, {}))
        if (frame.send != 0) m_sends.unsent(frame.send);
    endAwaited(m_replyWatch.clear(), ExchangeFailure::Lost);
    m_sends.portGone();
}

// Every frame whose last byte came before now is taken here (the port stamps a byte under the
// frame reader's lock), so a send whose time-out ended by now had no confirmation in time.
void ModuleEngine::tick() {
    const auto now = Clock::now();
    std::optional<serial::ReceivedBlock> block = m_port->receiveBuffer().tick();
    reportFrames(now);
    if (block && m_receiving == Receiving::Blocks) reportBlock(*block);
    settle(now);
    continuousStep();
}

// A face that reads frames is woken by each one and looks again at nextDeadline(): only
// continuous sending needs the tick grid there.
bool ModuleEngine::needsTicks() const {
    if (m_receiving == Receiving::Frames) return isSending();
    return isSending() || m_replyWatch.waiting() || m_sends.waiting() ||
           m_port->receiveBuffer().idleCounter() != serial::ReceiveBuffer::kIdle;
}

std::optional<ModuleEngine::Clock::time_point> ModuleEngine::nextDeadline() const {
    const std::optional<Clock::time_point> reply = m_replyWatch.nextDeadline();
    const std::optional<Clock::time_point> send = m_sends.nextDeadline();
    if (reply && send) return std::min(*reply, *send);
    return reply ? reply : send;
}

// What ran out of time by now: the window's requests are said, a face's exchanges end.
void ModuleEngine::settle(Clock::time_point now) {
    std::vector<int> overdue;
    m_replyWatch.takeOverdue(now, [&overdue](int exchange) { overdue.push_back(exchange); });
    const std::optional<PortSettings> opened = m_reopen.settings();
    for (const int exchange : overdue) {
        if (exchange == 0) {
            m_events.noReply(opened ? opened->port : 0);
            continue;
        }
        m_awaited.erase(exchange);
        m_events.exchangeEnded(exchange, {.failure = ExchangeFailure::NoReply, .written = true});
    }
    m_sends.expire(now);
}

// The block alone decides what is dispatched, by the silence rule, as the window has always
// read it; the link test has counted the confirmations the reader cut from the same bytes as
// soon as they were whole, whatever else shares their block. A block that is nothing but whole,
// good frames (a notice that came just before a reply) has each of them dispatched in turn.
void ModuleEngine::reportBlock(const serial::ReceivedBlock& block) {
    m_events.blockReceived(block.bytes, block.dropped, block.lastArrival);
    if (block.dropped > 0) return;  // the block lost its tail: none of its fields can be trusted
    const std::vector<proto::Bytes> frames = proto::wholeFramesIn(block.bytes);
    if (frames.size() < 2) return reportReply(block.bytes);
    for (const proto::Bytes frame : frames) reportReply(frame);
}

void ModuleEngine::reportReply(proto::Bytes frame) {
    if (const std::optional<proto::Reply> reply = proto::decodeReply(frame))
        m_events.frameReceived(*reply, frame);
}

// The round trip runs to the answer's last byte received; the silence that cuts its block is
// not part of it.
void ModuleEngine::reportFrames(Clock::time_point now) {
    for (const proto::ReadFrame& frame : m_port->takeFrames(now)) {
        if (const std::optional<ReplyWatch::Answered> answered = m_replyWatch.received(frame))
            endAnswered(*answered, frame);
        m_sends.read(frame);
        if (m_receiving == Receiving::Frames) m_events.frameRead(frame);
    }
}

void ModuleEngine::startLinkTest() {
    m_sends.restart();
}

proto::LinkStatistics ModuleEngine::finishLinkTest(LinkTrial::Waiting waiting) {
    return m_sends.finish(waiting);
}

void ModuleEngine::startContinuous(int intervalTicks) {
    m_sending.start(intervalTicks);
    m_sends.restart();
}

void ModuleEngine::setSendInterval(int intervalTicks) {
    m_sending.setInterval(intervalTicks);
}

void ModuleEngine::stopContinuous() {
    endContinuous(SendingEnd::Stopped);
}

bool ModuleEngine::isSending() const {
    return m_sending.running();
}

int ModuleEngine::sendCounter() const {
    return m_sending.counter();
}

int ModuleEngine::sendInterval() const {
    return m_sending.interval();
}

void ModuleEngine::continuousStep() {
    if (!m_sending.running()) return;
    if (m_sending.figuresDue()) m_events.linkTestFigures(m_sends.figures());
    if (m_port->isOpen() && m_sending.step()) m_events.sendDue();
}

void ModuleEngine::endContinuous(SendingEnd why) {
    if (!m_sending.running()) return;
    m_sending.stop();
    m_events.continuousEnded(why, m_sends.finish(LinkTrial::Waiting::NoReply));
}

bool ModuleEngine::watchingLostPort() const {
    return m_reopen.watching();
}

int ModuleEngine::hotplugFd() const {
    return m_reopen.hotplugFd();
}

void ModuleEngine::hotplugNews() {
    if (m_reopen.takeHotplugNews()) lookForLostPort();
}

// A device that is back but held by another program is told once and left alone, list and
// all, until it is free; one that cannot be opened for another reason is tried again at the
// next look.
void ModuleEngine::lookForLostPort() {
    if (!m_reopen.watching()) return;
    if (const std::optional<ports::NetworkAddress> address = m_reopen.address())
        return lookForLostRemote(*address);
    const std::optional<int> port = m_reopen.returnedPort();
    if (!port) return;
    const PortSettings lost = *m_reopen.settings();
    if (serial::CXSerial::availability(*port) == ports::PortAvailability::kInUse) {
        if (m_reopen.firstFoundInUse()) m_events.backInUse(*port);
        return;
    }
    m_events.returning(*port);
    const bool wasSending = m_reopen.wasSending();
    // The one look again at the names: an adapter replugged behind another tty of the family.
    if (!openPort(ports::PortDirectory::lookAgain(ports::portName(*port)),
                  {.port = *port, .baud = lost.baud, .parity = lost.parity}))
        return;
    m_reopen.stopWatching();
    m_events.back(lost.port, *port, wasSending);
}

// Nothing tells when a server is back but a connection that succeeds.
void ModuleEngine::lookForLostRemote(const ports::NetworkAddress& address) {
    const auto now = std::chrono::steady_clock::now();
    if (m_remote.running(RemoteOpening::Purpose::kReconnect) ||
        now - m_remote.lastStart() < m_retryWait.wait())
        return;
    const PortSettings lost = *m_reopen.settings();
    m_remote.start(address, {lost.baud, lost.parity}, lost, RemoteOpening::Purpose::kReconnect);
}

// An attempt to reconnect is the watch's own: it ends with it.
void ModuleEngine::stopWatching() {
    if (m_remote.running(RemoteOpening::Purpose::kReconnect)) m_remote.abandon();
    m_reopen.stopWatching();
}

}  // namespace engine
