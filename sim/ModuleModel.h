#pragma once
// The module's side of the protocol: maps each frame it receives to the line it logs and the
// reply it sends, and keeps the setup values a Write setup stores.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "Delivery.h"
#include "FrameParser.h"
#include "Mesh.h"
#include "Messages.h"

namespace sim {

struct Answer {
    std::string logLine;  // "request ...", "rejected ..." or "notice ..."
    std::optional<proto::Frame> reply;
    std::chrono::milliseconds latency{0};  // the mesh's share of the time before the reply
};

class ModuleModel {
  public:
    // seed: where the draws of the links' losses start. ackLength: the whole size of the write
    // acknowledgement, from a bare header and check byte up; the setup echoed at its own size.
    explicit ModuleModel(Mesh mesh, unsigned seed = 0,
                         std::size_t ackLength = proto::kSetupFrameSize);

    Answer answer(const Received& received);

    // Data that arrived from a mesh node, reported without being asked; each call names the
    // next remote node. Nothing when the mesh has no node but the local one.
    std::optional<Answer> receiveNotice();

  private:
    Answer answerFrame(const proto::Frame& frame);
    Answer writeSetup(const proto::Setup& setup);
    Answer sendData(const proto::Frame& frame, bool checkOk);

    Mesh m_mesh;
    Delivery m_delivery;
    std::size_t m_ackLength;
    proto::Setup m_setup;
    std::uint16_t m_notices = 0;
};

}  // namespace sim
