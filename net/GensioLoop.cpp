#include "GensioLoop.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <signal.h>

#include <chrono>
#include <future>
#include <memory>

#include "BrokenPipes.h"

namespace net {

namespace {

// How long an ending process waits for the loop thread to let go of the library.
constexpr std::chrono::milliseconds kStopWait{100};

// The library interrupts the loop's wait with this signal; without a handler the default
// action would end the process. One installed by the program is left as it is.
void keepWakeSignalHarmless() {
    struct sigaction current {};
    ::sigaction(GENSIO_DEF_WAKE_SIG, nullptr, &current);
    if (current.sa_handler != SIG_DFL) return;
    struct sigaction ignoreWake {};
    ignoreWake.sa_handler = [](int) {};
    ::sigemptyset(&ignoreWake.sa_mask);
    ignoreWake.sa_flags = SA_RESTART;  // the loop's waits end all the same; a write goes on
    ::sigaction(GENSIO_DEF_WAKE_SIG, &ignoreWake, nullptr);
}

}  // namespace

GensioLoop* GensioLoop::instance() {
    // Never freed: a loop thread left running at the end of the process still uses it.
    static GensioLoop* const loop = [] {
        std::unique_ptr<GensioLoop> started(new GensioLoop);
        if (!started->start()) started.reset();
        return started.release();
    }();
    static const std::unique_ptr<GensioLoop, void (*)(GensioLoop*)> stopper(
        loop, [](GensioLoop* ending) { ending->stop(); });
    return loop;
}

bool GensioLoop::start() {
    keepWakeSignalHarmless();
    serial::ignoreBrokenPipes();
    std::promise<bool> ready;
    auto started = ready.get_future();
    std::promise<void> finished;
    m_finished = finished.get_future();
    m_thread = std::thread([this, &ready, stopPosted = m_stopPosted.get_future(),
                            finished = std::move(finished)]() mutable {
        // Allocated here so that the wake signal is blocked in this thread and no other.
        if (gensio_default_os_hnd(GENSIO_DEF_WAKE_SIG, &m_os) != 0) {
            ready.set_value(false);
            return;
        }
        m_runner = m_os->alloc_runner(m_os, &GensioLoop::runPosted, this);
        ready.set_value(m_runner != nullptr);
        if (m_runner) {
            run();
            finishPosting(stopPosted);
            m_os->free_runner(m_runner);
        }
        gensio_os_funcs_free(m_os);
        m_os = nullptr;
        finished.set_value();
    });
    if (started.get()) return true;
    m_thread.join();
    return false;
}

void GensioLoop::stop() {
    if (!m_thread.joinable()) return;
    post([this] { m_stopping = true; });
    m_stopPosted.set_value();
    if (m_finished.wait_for(kStopWait) == std::future_status::ready)
        m_thread.join();
    else
        m_thread.detach();
}

void GensioLoop::post(std::function<void()> task) {
    {
        std::lock_guard lock(m_lock);
        m_tasks.push_back(std::move(task));
    }
    // A runner already queued takes this task too.
    m_os->run(m_runner);
}

void GensioLoop::run() {
    while (!m_stopping) m_os->service(m_os, nullptr);
}

void GensioLoop::finishPosting(const std::future<void>& stopPosted) {
    // The stopping task may have run before the post that carried it asked for the runner
    // again: that request is still queued, and a queued runner cannot be freed. One pass
    // over the queue, once the post has returned, clears it.
    stopPosted.wait();
    gensio_time none{0, 0};
    m_os->service(m_os, &none);
}

void GensioLoop::runPosted(gensio_runner*, void* self) {
    auto* loop = static_cast<GensioLoop*>(self);
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(loop->m_lock);
            if (loop->m_tasks.empty()) return;
            task = std::move(loop->m_tasks.front());
            loop->m_tasks.pop_front();
        }
        task();
    }
}

}  // namespace net
