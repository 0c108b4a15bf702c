#pragma once
// The main window against a pty published as a port alias, driven by its own timer in a
// running event loop, as a user has it.

#include <QEventLoop>
#include <chrono>

#include "AliasedPty.h"

namespace app {
class CMeshcfgDlg;
}

inline constexpr int kAliasPort = 200;

// The far end of the line, published as COM200.
class PortLine : public AliasedPty {
  public:
    PortLine() : AliasedPty(kAliasPort) {}
};

// Chooses COM200 in the port list and presses Open; false when the port did not open.
bool openAliasPort(app::CMeshcfgDlg& dlg);

// Runs loop, timers and painting included, until it is quit or limit has passed; false when
// the limit ended it.
bool runEventLoop(QEventLoop& loop, std::chrono::milliseconds limit);
void runEventLoopFor(std::chrono::milliseconds duration);
