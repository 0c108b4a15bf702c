#pragma once
// The one thread per process that runs the network library's event loop and makes every call
// into it: the library allows one set of OS functions per process and wakes its waiting thread
// with a signal, which only this thread blocks outside its wait.

#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

struct gensio_os_funcs;
struct gensio_runner;

namespace net {

class GensioLoop {
  public:
    // Started on first use, stopped when the process ends; nothing when it could not start.
    static GensioLoop* instance();

    GensioLoop(const GensioLoop&) = delete;
    GensioLoop& operator=(const GensioLoop&) = delete;

    gensio_os_funcs* os() const { return m_os; }
    // Runs the task on the loop thread, after the tasks posted before it.
    void post(std::function<void()> task);

  private:
    GensioLoop() = default;
    bool start();
    // Ends the loop thread, or leaves it to end with the process when the library holds it
    // longer than a moment: an ending process does not wait for the network.
    void stop();
    void run();
    void finishPosting(const std::future<void>& stopPosted);
    static void runPosted(gensio_runner* runner, void* self);

    gensio_os_funcs* m_os = nullptr;
    gensio_runner* m_runner = nullptr;
    std::thread m_thread;
    std::mutex m_lock;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;  // loop thread only
    std::promise<void> m_stopPosted;
    std::future<void> m_finished;  // ready once the loop thread is done
};

}  // namespace net
