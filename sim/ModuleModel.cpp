#include "ModuleModel.h"

#include <algorithm>

#include "MeshReplies.h"
#include "Setup.h"
#include "WireFields.h"

namespace sim {

namespace {

constexpr std::size_t kSetupFrameSize = 18;
constexpr std::size_t kBareFrameSize = proto::frameSize(0);
constexpr std::size_t kMarkerOffset = proto::kHeaderSize;
constexpr std::size_t kValuesOffset = kMarkerOffset + 2;
constexpr std::uint8_t kNoticeLinkValue = 60;

// Offsets of the setup values in the stored array.
enum SetupValue : std::size_t {
    kFrequency = 0,
    kPower = 3,
    kLifeCycle = 4,
    kNetworkId = 5,
    kNodeId = 7,
    kBaud = 9,
    kParity = 10,
};

Answer rejected(std::string_view reason, proto::Bytes bytes, std::string_view field = "frame=") {
    return {"rejected " + std::string(reason) + " " + std::string(field) + proto::hexDigits(bytes),
            {}};
}

bool isSetupFrame(const proto::Frame& frame) {
    return frame.size() == kSetupFrameSize && frame[kMarkerOffset] == proto::kSetupMarker &&
           frame[kMarkerOffset + 1] == proto::kSetupMarker;
}

bool isSend(const proto::Frame& frame) {
    return frame[proto::kTypeOffset] == proto::kTypeNetData &&
           frame[proto::kCodeOffset] == proto::kCmdSendData;
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

// 434 MHz, power 7, life cycle 1h, network id 1, 9600 baud, no parity; the node id is the mesh's
// local node.
SetupBytes startValues(NodeId node) {
    return {0x6C,
            0x80,
            0x12,
            7,
            0,
            0x00,
            0x01,
            static_cast<std::uint8_t>(node >> 8),
            static_cast<std::uint8_t>(node),
            3,
            0};
}

}  // namespace

ModuleModel::ModuleModel(Mesh mesh, unsigned seed)
    : m_mesh(std::move(mesh)), m_delivery(seed), m_setup(startValues(m_mesh.localNode)) {}

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
    if (frame[proto::kTypeOffset] == proto::kTypeModule) {
        switch (frame[proto::kCodeOffset]) {
            case proto::kCmdWriteSetup:
                return isSetupFrame(frame) ? writeSetup(frame) : rejected("bad-setup", frame);
            case proto::kCmdReadSetup:
                return isSetupFrame(frame) ? readSetup() : rejected("bad-setup", frame);
            case proto::kCmdReadRoute:
                if (frame.size() != kBareFrameSize) return rejected("bad-length", frame);
                return {"request read-route", routeListReply(m_mesh)};
            case proto::kCmdReadPath:
                if (frame.size() != kBareFrameSize) return rejected("bad-length", frame);
                return {"request read-path", pathListReply(m_mesh)};
            default:
                break;
        }
    }
    return rejected("unknown-command", frame);
}

Answer ModuleModel::writeSetup(const proto::Frame& frame) {
    std::copy_n(frame.begin() + kValuesOffset, m_setup.size(), m_setup.begin());
    const auto value = [this](SetupValue at) { return std::to_string(m_setup[at]); };
    const auto id = [this](SetupValue at) { return std::to_string(proto::readBe16(m_setup, at)); };
    return {"request write-setup freq=" + proto::hexDigits(proto::Bytes(m_setup).first(3)) +
                " power=" + value(kPower) + " life=" + value(kLifeCycle) +
                " net=" + id(kNetworkId) + " node=" + id(kNodeId) + " baud=" + value(kBaud) +
                " parity=" + value(kParity),
            setupReply(proto::kReplySetupWritten)};
}

Answer ModuleModel::readSetup() const {
    return {"request read-setup", setupReply(proto::kReplySetup)};
}

proto::Frame ModuleModel::setupReply(std::uint8_t code) const {
    proto::Frame payload{proto::kSetupMarker, proto::kSetupMarker};
    payload.insert(payload.end(), m_setup.begin(), m_setup.end());
    return proto::buildFrame(proto::kTypeModule, code, payload);
}

Answer ModuleModel::sendData(const proto::Frame& frame, bool checkOk) {
    const auto request = proto::decodeSendData(frame);
    const std::uint16_t target = request ? request->target : proto::sendTarget(frame);
    const auto route = m_mesh.routeTo(target);
    std::uint8_t status = kStatusOk;
    DeliveryOutcome delivery;
    if (!checkOk) {
        status = kStatusCheckError;
    } else if (!request) {
        status = kStatusInvalidRequest;
    } else if (!route) {
        status = kStatusRouteNotFound;
    } else {
        delivery = m_delivery.carry(m_mesh, *route);
        if (delivery.lostHop) status = *delivery.lostHop == 0 ? kStatusNoAck : kStatusApsNoAck;
    }
    proto::Frame payload;
    proto::appendBe16(payload, target);
    payload.push_back(status);
    std::string line = "request send-data " +
                       (request ? describe(*request) : "frame=" + proto::hexDigits(frame)) +
                       " check=" + (checkOk ? "ok" : "bad") +
                       " status=" + proto::hexDigits(proto::Bytes(payload).last(1));
    if (const auto lost = delivery.lostHop) {
        const NodeId from = *lost == 0 ? m_mesh.localNode : (*route)[*lost - 1];
        line += " lost=" + std::to_string(from) + "-" + std::to_string((*route)[*lost]);
    }
    return {std::move(line), proto::buildFrame(proto::kTypeNetData, kSendConfirmCode, payload),
            delivery.latency};
}

std::optional<Answer> ModuleModel::receiveNotice() {
    const auto nodes = m_mesh.remoteNodes();
    if (nodes.empty()) return std::nullopt;
    const NodeId source = nodes[m_notices % nodes.size()];
    proto::Frame data;
    proto::appendBe16(data, m_notices++);
    proto::Frame payload;
    proto::appendBe16(payload, source);
    payload.push_back(kNoticeLinkValue);
    payload.push_back(static_cast<std::uint8_t>(data.size()));
    payload.insert(payload.end(), data.begin(), data.end());
    return Answer{"notice source=" + std::to_string(source) + " data=" + proto::hexDigits(data),
                  proto::buildFrame(proto::kTypeNetData, proto::kCmdReceiveNotice, payload)};
}

}  // namespace sim
