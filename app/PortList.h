#pragma once
// The port list of the port panel: the ports present, each as "COM<n>" and what is known of its
// device, those the user may not open with the reason. Each entry keeps its COM number as its
// data (Qt::UserRole).

#include <optional>

class QComboBox;
namespace ports {
class PortDirectory;
}

namespace app::port_list {

void fill(QComboBox& list, const ports::PortDirectory& directory);
void refill(QComboBox& list, const ports::PortDirectory& directory);
// The COM number of the selected entry; nothing while none is selected.
std::optional<int> selectedPort(const QComboBox& list);
// The list names only the ports free when it was filled, and the device behind a name may have
// changed since: the list is filled again when it lacks the port's entry as it reads now.
void select(QComboBox& list, int port);

}  // namespace app::port_list
