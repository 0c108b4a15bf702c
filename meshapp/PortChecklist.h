#pragma once
// The ports to survey: every port the main window's list shows (local ports, aliases and the
// entries of ports.toml), each with a tick box; a port the user may not open is shown with the
// reason and cannot be ticked. Ticks stay on the ports that are still there when the list is
// filled again.

#include <QListWidget>
#include <string>
#include <vector>

namespace meshapp {

class PortChecklist : public QListWidget {
    Q_OBJECT

  public:
    explicit PortChecklist(QWidget* parent = nullptr);

    // Lists the ports present now; returns the problems of ports.toml, one line each.
    QStringList fill();
    void tickAll(bool ticked);
    // "COM200", as the survey names them, in the list's order.
    std::vector<std::string> tickedPorts() const;
    void setTicked(const QString& port, bool ticked);
};

}  // namespace meshapp
