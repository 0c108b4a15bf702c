#pragma once
// The module's side of the protocol: maps each frame it receives to the line it logs and the
// reply it sends, and keeps the setup values a Write setup stores.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FrameParser.h"
#include "LabMesh.h"
#include "LineSettings.h"
#include "MeshRadio.h"
#include "Messages.h"
#include "Radio.h"

namespace sim {

struct Answer {
    std::string logLine;  // "request ...", "rejected ..." or "notice ..."
    std::optional<proto::Frame> reply;
    std::chrono::milliseconds latency{0};  // the mesh's share of the time before the reply
};

// 434 MHz, power 7, life cycle 1h, network id 1, 9600 baud, no parity.
proto::Setup startSetup(NodeId node);

// The parity of the module's UART; a code outside the list counts as none.
proto::Parity uartParity(const proto::Setup& setup);

class ModuleModel {
  public:
    // A module on its own, reporting a made-up mesh: it starts with the mesh's local node as its
    // node id. seed: where the draws of the links' losses start. ackLength: the whole size of the
    // write acknowledgement, from a bare header and check byte up; the setup echoed at its own
    // size.
    explicit ModuleModel(Mesh mesh, unsigned seed = 0,
                         std::size_t ackLength = proto::kSetupFrameSize);
    // A module whose radio is another's, such as a lab's.
    ModuleModel(proto::Setup start, Radio& radio, std::size_t ackLength = proto::kSetupFrameSize);
    ModuleModel(const ModuleModel&) = delete;
    ModuleModel& operator=(const ModuleModel&) = delete;

    Answer answer(const Received& received);

    // Data that arrived from a node of the made-up mesh, reported without being asked; each call
    // names the next remote node. Nothing when the mesh has no node but the local one, or the
    // radio is not a made-up mesh.
    std::optional<Answer> receiveNotice();

    const proto::Setup& setup() const { return m_setup; }

  private:
    Answer answerFrame(const proto::Frame& frame);
    Answer writeSetup(const proto::Setup& setup);
    Answer sendData(const proto::Frame& frame, bool checkOk);

    std::optional<MeshRadio> m_meshRadio;  // a module on its own
    Radio& m_radio;                        // that, or the radio it was given
    std::size_t m_ackLength;
    proto::Setup m_setup;
};

}  // namespace sim
