// Module configuration: the Write and Read buttons and the setup reply.

#include "CMeshcfgDlg.h"
#include "ControlForms.h"
#include "QtText.h"

namespace app {

namespace {

constexpr std::string_view kReadSuccessful = "> Read successful.";

}  // namespace

void CMeshcfgDlg::OnWrite() {
    m_engine.send(proto::WriteSetupRequest{forms::setupOf(readSetup(m_controls))});
}

void CMeshcfgDlg::OnRead() {
    m_engine.send(proto::ReadSetupRequest{});
}

void CMeshcfgDlg::OnSetupReply(const proto::Setup& setup) {
    showSetup(m_controls, forms::setupFieldsOf(setup));
    logLine(LogSide::Received, widgets::qtext(kReadSuccessful));
}

}  // namespace app
