#pragma once
// A module flooding the line: receive notices written to a terminal's far end as fast as it
// takes them, from a thread of its own, until the flood ends or most have gone.

#include <atomic>
#include <limits>
#include <thread>

class NoticeFlood {
  public:
    explicit NoticeFlood(int master, int most = std::numeric_limits<int>::max());
    ~NoticeFlood();
    NoticeFlood(const NoticeFlood&) = delete;
    NoticeFlood& operator=(const NoticeFlood&) = delete;

  private:
    void run(int master, int most);

    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};
