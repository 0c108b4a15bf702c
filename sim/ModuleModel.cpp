#include "ModuleModel.h"

#include <variant>

#include "MeshReplies.h"
#include "SendNames.h"

namespace sim {

namespace {

constexpr std::uint8_t kNoticeLinkValue = 60;
constexpr double kStartMhz = 434;

Answer rejected(std::string_view reason, proto::Bytes bytes, std::string_view field = "frame=") {
    return {"rejected " + std::string(reason) + " " + std::string(field) + proto::hexDigits(bytes),
            {}};
}

bool isSend(const proto::Frame& frame) {
    return frame[proto::kTypeOffset] == proto::kTypeNetData &&
           frame[proto::kCodeOffset] == proto::kCmdSendData;
}

// Why the module turns down a frame of its own type that does not decode.
std::string_view refusal(const proto::Frame& frame) {
    if (frame[proto::kTypeOffset] == proto::kTypeModule) {
        switch (frame[proto::kCodeOffset]) {
            case proto::kCmdWriteSetup:
            case proto::kCmdReadSetup:
                return "bad-setup";
            case proto::kCmdReadRoute:
            case proto::kCmdReadPath:
                return "bad-length";
            default:
                break;
        }
    }
    return "unknown-command";
}

std::string describe(const proto::SendDataRequest& request) {
    std::string relays = "relays=" + std::to_string(request.relays.size());
    for (std::size_t k = 0; k < request.relays.size(); ++k) {
        relays += (k == 0 ? " via=" : ",") + proto::hexWord(request.relays[k]);
    }
    return "target=" + std::to_string(request.target) + " ack=" + std::to_string(request.ack) +
           " jump=" + std::to_string(request.jump) + " mode=" + std::to_string(request.routeMode) +
           " " + relays + " data=" + proto::hexDigits(request.data);
}

std::string describe(const proto::Setup& setup) {
    const std::uint32_t reg = setup.frequencyRegister;
    return "freq=" + proto::hexByte(static_cast<std::uint8_t>(reg >> 16)) +
           proto::hexWord(static_cast<std::uint16_t>(reg)) +
           " power=" + std::to_string(setup.powerCode) +
           " life=" + std::to_string(setup.lifeCycleCode) +
           " net=" + std::to_string(setup.networkId) + " node=" + std::to_string(setup.nodeId) +
           " baud=" + std::to_string(setup.uartRateCode) +
           " parity=" + std::to_string(setup.parityCode);
}

// 434 MHz, power 7, life cycle 1h, network id 1, 9600 baud, no parity; the node id is the mesh's
// local node.
proto::Setup startValues(NodeId node) {
    return {.frequencyRegister = *proto::frequencyRegisterFromMhz(kStartMhz), .nodeId = node};
}

// The setup echoed, cut or padded with zero bytes to the length asked for: the tool may rely
// on no more of an acknowledgement than its type and code.
proto::Frame acknowledgement(const proto::Setup& setup, std::size_t length) {
    const proto::Frame echo = proto::encode(proto::WriteAcknowledgement{setup});
    const auto payload = proto::Bytes(echo).subspan(proto::kHeaderSize);
    proto::Frame resized(payload.begin(), payload.end() - proto::kCheckSize);
    resized.resize(length - proto::frameSize(0), 0x00);
    return proto::buildFrame(proto::kTypeModule, proto::kReplySetupWritten, resized);
}

}  // namespace

ModuleModel::ModuleModel(Mesh mesh, unsigned seed, std::size_t ackLength)
    : m_mesh(std::move(mesh)),
      m_delivery(seed),
      m_ackLength(ackLength),
      m_setup(startValues(m_mesh.localNode)) {}

Answer ModuleModel::answer(const Received& received) {
    switch (received.kind) {
        case Received::Kind::kFrame:
            return answerFrame(received.bytes);
        case Received::Kind::kBadCheck:
            // A send is still answered, with the module's own verdict on the check byte.
            if (isSend(received.bytes)) return sendData(received.bytes, false);
            return rejected("bad-check", received.bytes);
        case Received::Kind::kGarbage:
            break;
    }
    return rejected("garbage", received.bytes, "bytes=");
}

Answer ModuleModel::answerFrame(const proto::Frame& frame) {
    if (isSend(frame)) return sendData(frame, true);
    const std::optional<proto::Request> request = proto::decodeRequest(frame);
    if (!request) return rejected(refusal(frame), frame);
    if (const auto* write = std::get_if<proto::WriteSetupRequest>(&*request))
        return writeSetup(write->setup);
    if (std::holds_alternative<proto::ReadSetupRequest>(*request))
        return {"request read-setup", proto::encode(proto::SetupReply{m_setup})};
    if (std::holds_alternative<proto::RouteListRequest>(*request))
        return {"request read-route", routeListReply(m_mesh)};
    return {"request read-path", pathListReply(m_mesh)};
}

Answer ModuleModel::writeSetup(const proto::Setup& setup) {
    m_setup = setup;
    return {"request write-setup " + describe(m_setup), acknowledgement(m_setup, m_ackLength)};
}

Answer ModuleModel::sendData(const proto::Frame& frame, bool checkOk) {
    const std::optional<proto::Request> decoded = proto::decodeRequest(frame);
    const auto* request = decoded ? std::get_if<proto::SendDataRequest>(&*decoded) : nullptr;
    const std::uint16_t target = request ? request->target : proto::sendTarget(frame);
    const auto route = m_mesh.routeTo(target);
    std::uint8_t status = proto::kStatusOk;
    DeliveryOutcome delivery;
    if (!checkOk) {
        status = proto::kStatusCheckError;
    } else if (!request) {
        status = proto::kStatusInvalidRequest;
    } else if (!route) {
        status = proto::kStatusRouteNotFound;
    } else {
        delivery = m_delivery.carry(m_mesh, *route);
        if (delivery.lostHop)
            status = *delivery.lostHop == 0 ? proto::kStatusNoAck : proto::kStatusApsNoAck;
    }
    std::string line = "request send-data " +
                       (request ? describe(*request) : "frame=" + proto::hexDigits(frame)) +
                       " check=" + (checkOk ? "ok" : "bad") + " status=" + proto::hexByte(status);
    if (const auto lost = delivery.lostHop) {
        const NodeId from = *lost == 0 ? m_mesh.localNode : (*route)[*lost - 1];
        line += " lost=" + std::to_string(from) + "-" + std::to_string((*route)[*lost]);
    }
    return {std::move(line), proto::encode(proto::SendStatus{target, status}), delivery.latency};
}

std::optional<Answer> ModuleModel::receiveNotice() {
    const auto nodes = m_mesh.remoteNodes();
    if (nodes.empty()) return std::nullopt;
    const NodeId source = nodes[m_notices % nodes.size()];
    const std::uint16_t count = m_notices++;
    const std::vector<std::uint8_t> data{static_cast<std::uint8_t>(count >> 8),
                                         static_cast<std::uint8_t>(count)};
    return Answer{
        "notice source=" + std::to_string(source) + " data=" + proto::hexDigits(data),
        proto::encode(proto::ReceiveNotice{proto::NoticeContent{source, kNoticeLinkValue, data}})};
}

}  // namespace sim
