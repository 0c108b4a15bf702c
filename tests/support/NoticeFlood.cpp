#include "NoticeFlood.h"

#include <poll.h>
#include <unistd.h>

#include "Messages.h"

NoticeFlood::NoticeFlood(int master, int most)
    : m_thread([this, master, most] { run(master, most); }) {}

NoticeFlood::~NoticeFlood() {
    m_stop = true;
    m_thread.join();
}

void NoticeFlood::run(int master, int most) {
    const proto::Frame notice =
        proto::encode(proto::ReceiveNotice{proto::NoticeContent{4, 60, {0, 2}}});
    for (int sent = 0; sent < most && !m_stop;) {
        pollfd writable{master, POLLOUT, 0};
        if (::poll(&writable, 1, 10) <= 0) continue;
        if (::write(master, notice.data(), notice.size()) == static_cast<ssize_t>(notice.size()))
            ++sent;
    }
}
