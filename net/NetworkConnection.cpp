#include "NetworkConnection.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <gensio/sergensio.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

#include "GensioLoop.h"
#include "PrintableText.h"

namespace net {

namespace {

constexpr std::size_t kBridgeChunk = 4096;
// Enough of a server's refusal to say why; the rest is not read.
constexpr std::size_t kMostServerWords = 200;
constexpr const char* kNoLineSettings = "the server does not accept line settings";

std::string describe(int err) {
    switch (err) {
        case GE_CONNREFUSE:
            return "connection refused";
        case GE_REMCLOSE:
        case GE_COMMERR:
        case GE_IOERR:
            return "the connection closed";
        case GE_HOSTDOWN:
            return "the host is down";
        case GE_TIMEDOUT:
            return "no answer";
        default: {
            std::string text = gensio_err_to_str(err);
            if (!text.empty()) text[0] = static_cast<char>(std::tolower(text[0]));
            return text;
        }
    }
}

unsigned parityCode(proto::Parity parity) {
    switch (parity) {
        case proto::Parity::kOdd:
            return SERGENSIO_PARITY_ODD;
        case proto::Parity::kEven:
            return SERGENSIO_PARITY_EVEN;
        case proto::Parity::kNone:
            break;
    }
    return SERGENSIO_PARITY_NONE;
}

void lineAnswer(sergensio*, int err, unsigned value, void* request);

}  // namespace

NetworkConnection::NetworkConnection(GensioLoop& loop, ports::NetworkAddress address,
                                     FoundHost host, proto::LineSettings settings,
                                     files::FileDescriptor bridge)
    : m_loop(loop),
      m_address(std::move(address)),
      m_host(std::move(host)),
      m_settings(settings),
      m_bridge(std::move(bridge)) {}

void NetworkConnection::moveTo(State state) {
    {
        std::lock_guard lock(m_outcomeLock);
        m_state = state;
    }
    m_outcomeChanged.notify_all();
}

bool NetworkConnection::decide(std::string outcome) {
    {
        std::lock_guard lock(m_outcomeLock);
        if (m_outcome) return false;
        m_outcome = std::move(outcome);
    }
    m_outcomeChanged.notify_all();
    return true;
}

std::string NetworkConnection::awaitOutcome(std::chrono::steady_clock::time_point deadline,
                                            std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_outcomeLock);
    m_outcomeChanged.wait_until(lock, deadline, [this] { return m_outcome.has_value(); });
    if (m_outcome) return *m_outcome;
    const bool answered = m_state != State::kConnecting;
    const auto seconds = std::lround(std::chrono::duration<double>(timeout).count());
    m_outcome = answered ? kNoLineSettings : "no answer within " + std::to_string(seconds) + " s";
    return *m_outcome;
}

void NetworkConnection::awaitEnd(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_outcomeLock);
    m_outcomeChanged.wait_for(lock, limit, [this] { return m_state == State::kEnded; });
}

bool NetworkConnection::awaitLoss(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_outcomeLock);
    return m_outcomeChanged.wait_for(lock, limit, [this] { return m_state == State::kLost; });
}

std::string serverClosed(std::string_view words) {
    const std::string said = files::printableText(words);
    return "the server closed the connection" + (said.empty() ? std::string() : ": " + said);
}

void NetworkConnection::start(std::shared_ptr<NetworkConnection> self) {
    m_self = std::move(self);
    const std::string transport = "tcp," + std::string(m_host.ipv6 ? "ipv6," : "") +
                                  m_host.address + "," + std::to_string(m_address.port);
    gensio* io = nullptr;
    int err = str_to_gensio(transport.c_str(), m_loop.os(), &NetworkConnection::onEvent, this, &io);
    if (err != 0) return fail(describe(err));
    m_io = io;
    err = gensio_open(
        m_io,
        [](gensio*, int openErr, void* self) {
            static_cast<NetworkConnection*>(self)->transportOpened(openErr);
        },
        this);
    if (err != 0) fail(describe(err));
}

void NetworkConnection::fail(const std::string& why) {
    decide(why);
    end();
}

// The server took the connection and let it go before the port could be used: a server in
// front of a device that is gone does so, and says why first when it gets the chance.
void NetworkConnection::failBeforeOpen(int err) {
    if (m_state == State::kConnecting || describe(err) != describe(GE_REMCLOSE))
        return fail(describe(err));
    m_closedByServer = true;
    fail(serverClosed(m_serverWords));
}

void NetworkConnection::transportOpened(int err) {
    if (ending()) return;
    if (err != 0) return fail(describe(err));
    moveTo(State::kServerReached);
    if (m_address.scheme == ports::NetworkAddress::Scheme::kTcp) return becomeOpen();
    gensio* telnet = nullptr;
    err = str_to_gensio_child(m_io, "telnet(rfc2217)", m_loop.os(), &NetworkConnection::onEvent,
                              this, &telnet);
    if (err != 0) return fail(describe(err));
    m_io = telnet;
    err = gensio_open_nochild(
        m_io,
        [](gensio*, int openErr, void* self) {
            static_cast<NetworkConnection*>(self)->telnetOpened(openErr);
        },
        this);
    if (err != 0) fail(describe(err));
}

void NetworkConnection::telnetOpened(int err) {
    if (ending()) return;
    if (err != 0) return failBeforeOpen(err);
    requestLineSettings();
}

void NetworkConnection::requestLineSettings() {
    // The server's answers come in with the data: unread, they would never be seen.
    gensio_set_read_callback_enable(m_io, true);
    sergensio* line = gensio_to_sergensio(m_io);
    if (line == nullptr) return fail(kNoLineSettings);
    m_lineRequests = {{{this, "baud rate", static_cast<unsigned>(m_settings.baud)},
                       {this, "data bits", 8},
                       {this, "parity", parityCode(m_settings.parity)},
                       {this, "stop bits", 1},
                       {this, "flow control", SERGENSIO_FLOWCONTROL_NONE}}};
    m_answersAwaited = static_cast<int>(m_lineRequests.size());
    const int refusals[] = {
        sergensio_baud(line, m_lineRequests[0].wanted, lineAnswer, &m_lineRequests[0]),
        sergensio_datasize(line, m_lineRequests[1].wanted, lineAnswer, &m_lineRequests[1]),
        sergensio_parity(line, m_lineRequests[2].wanted, lineAnswer, &m_lineRequests[2]),
        sergensio_stopbits(line, m_lineRequests[3].wanted, lineAnswer, &m_lineRequests[3]),
        sergensio_flowcontrol(line, m_lineRequests[4].wanted, lineAnswer, &m_lineRequests[4])};
    for (int refusal : refusals)
        if (refusal != 0) return fail(refusal == GE_NOTSUP ? kNoLineSettings : describe(refusal));
    // Asked for but not awaited: a server in front of a pseudo-terminal, which has no modem
    // lines, leaves these two unanswered.
    sergensio_dtr(line, SERGENSIO_DTR_OFF, nullptr, nullptr);
    sergensio_rts(line, SERGENSIO_RTS_OFF, nullptr, nullptr);
}

void NetworkConnection::lineAnswered(const LineRequest& request, int err, unsigned value) {
    if (ending() || m_answersAwaited == 0) return;
    if (err == GE_TIMEDOUT) return fail(kNoLineSettings);
    if (err != 0) return failBeforeOpen(err);
    if (value != request.wanted)
        return fail("the server did not take the " + std::string(request.what));
    if (--m_answersAwaited == 0) becomeOpen();
}

namespace {
void lineAnswer(sergensio*, int err, unsigned value, void* request) {
    auto* asked = static_cast<NetworkConnection::LineRequest*>(request);
    asked->connection->lineAnswered(*asked, err, value);
}
}  // namespace

void NetworkConnection::becomeOpen() {
    gensio_os_funcs* os = m_loop.os();
    if (os->add_iod(os, GENSIO_IOD_SOCKET, m_bridge.get(), &m_bridgeWatch) != 0) {
        m_bridgeWatch = nullptr;
        return fail("the local end of the port cannot be watched");
    }
    const int err = os->set_fd_handlers(
        m_bridgeWatch, this,
        [](gensio_iod*, void* self) { static_cast<NetworkConnection*>(self)->bridgeReadable(); },
        [](gensio_iod*, void* self) { static_cast<NetworkConnection*>(self)->bridgeWritable(); },
        nullptr,
        [](gensio_iod*, void* self) {
            auto* connection = static_cast<NetworkConnection*>(self);
            connection->m_loop.os()->release_iod(connection->m_bridgeWatch);
            connection->m_bridgeWatch = nullptr;
            --connection->m_releasesAwaited;
            connection->released();
        });
    if (err != 0) {
        os->release_iod(m_bridgeWatch);
        m_bridgeWatch = nullptr;
        return fail("the local end of the port cannot be watched");
    }
    moveTo(State::kOpen);
    os->set_read_handler(m_bridgeWatch, true);
    gensio_set_read_callback_enable(m_io, true);
    if (!decide({})) end();  // the opener gave up meanwhile
}

int NetworkConnection::onEvent(gensio*, void* self, int event, int err, unsigned char* buf,
                               gensiods* buflen, const char* const*) {
    auto* connection = static_cast<NetworkConnection*>(self);
    switch (event) {
        case GENSIO_EVENT_READ:
            if (err != 0)
                connection->connectionEnded(err);
            else
                connection->received(buf, buflen);
            return 0;
        case GENSIO_EVENT_WRITE_READY:
            connection->flushToNetwork();
            return 0;
        default:
            return GE_NOTSUP;
    }
}

void NetworkConnection::connectionEnded(int err) {
    if (ending() || m_state == State::kLost) return;
    if (m_state != State::kOpen) return failBeforeOpen(err);
    moveTo(State::kLost);
    // The port object's reader sees the end of its stream, the same hang-up as a tty's, and
    // its writes fail as a tty's do after one.
    ::shutdown(m_bridge.get(), SHUT_RDWR);
    gensio_set_read_callback_enable(m_io, false);
    gensio_set_write_callback_enable(m_io, false);
    m_toNetwork.clear();
}

void NetworkConnection::received(const unsigned char* bytes, gensiods* length) {
    // What came before the line was set belongs to no request: dropped, as a local port's
    // queues are at opening, but kept to say why should the server close right away.
    if (ending()) return;
    if (m_state != State::kOpen && m_state != State::kLost) {
        const std::size_t room =
            kMostServerWords - std::min(kMostServerWords, m_serverWords.size());
        m_serverWords.append(reinterpret_cast<const char*>(bytes),
                             std::min<std::size_t>(room, *length));
        return;
    }
    ssize_t sent = 0;
    do {
        sent = ::send(m_bridge.get(), bytes, *length, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && errno != EAGAIN) return;  // the port object is closing: nothing to keep
    if (sent < 0) sent = 0;
    if (static_cast<gensiods>(sent) == *length) return;
    // The port object is behind: hold the rest in the library until the socket takes more.
    *length = static_cast<gensiods>(sent);
    gensio_set_read_callback_enable(m_io, false);
    m_loop.os()->set_write_handler(m_bridgeWatch, true);
}

void NetworkConnection::bridgeWritable() {
    m_loop.os()->set_write_handler(m_bridgeWatch, false);
    if (m_state == State::kOpen) gensio_set_read_callback_enable(m_io, true);
}

void NetworkConnection::bridgeReadable() {
    unsigned char chunk[kBridgeChunk];
    ssize_t got = 0;
    do {
        got = ::read(m_bridge.get(), chunk, sizeof chunk);
    } while (got < 0 && errno == EINTR);
    if (got == 0) {
        // The port object closed its end; its owner ends this connection next.
        m_loop.os()->set_read_handler(m_bridgeWatch, false);
        return;
    }
    if (got < 0 || m_state != State::kOpen) return;  // after a loss, writes go nowhere
    m_toNetwork.assign(chunk, chunk + got);
    m_toNetworkSent = 0;
    flushToNetwork();
}

void NetworkConnection::flushToNetwork() {
    if (m_toNetwork.empty() || m_state != State::kOpen) return;
    gensiods taken = 0;
    const int err = gensio_write(m_io, &taken, m_toNetwork.data() + m_toNetworkSent,
                                 m_toNetwork.size() - m_toNetworkSent, nullptr);
    if (err != 0) return connectionEnded(err);
    m_toNetworkSent += taken;
    const bool done = m_toNetworkSent == m_toNetwork.size();
    if (done) m_toNetwork.clear();
    // While the connection holds back, the socket pair fills and the writer thread waits, as
    // it waits for a tty's full output queue.
    m_loop.os()->set_read_handler(m_bridgeWatch, done);
    gensio_set_write_callback_enable(m_io, !done);
}

void NetworkConnection::end() {
    if (ending()) return;
    moveTo(State::kEnding);
    // Counted before either is let go of, should the library release one at once.
    m_releasesAwaited = (m_bridgeWatch ? 1 : 0) + (m_io ? 1 : 0);
    if (m_bridgeWatch) m_loop.os()->clear_fd_handlers(m_bridgeWatch);
    if (m_io) {
        const int err = gensio_close(
            m_io,
            [](gensio* io, void* self) {
                gensio_free(io);
                auto* connection = static_cast<NetworkConnection*>(self);
                --connection->m_releasesAwaited;
                connection->released();
            },
            this);
        if (err != 0) {
            gensio_free(m_io);
            --m_releasesAwaited;
        }
    }
    released();
}

void NetworkConnection::released() {
    if (m_releasesAwaited > 0 || !m_self) return;
    m_io = nullptr;
    m_bridge.reset();
    moveTo(State::kEnded);
    // The last hold may go with this: nothing of the connection is touched after it.
    const auto last = std::move(m_self);
}

}  // namespace net
