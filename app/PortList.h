#pragma once
// The port list of the port panel: the ports present, each as "COM<n>" and what is known of its
// device, those the user may not open with the reason.

class QComboBox;
struct RemotePortTable;

namespace port_list {

// remote: ports.toml as read for this filling.
void fill(QComboBox& list, const RemotePortTable& remote);
void refill(QComboBox& list, const RemotePortTable& remote);
// The list names only the ports free when it was filled, and the device behind a name may have
// changed since: the list is filled again when it lacks the port's entry as it reads now.
void select(QComboBox& list, int port);

}  // namespace port_list
