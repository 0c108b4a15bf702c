#pragma once
// Runs a delivery test off the window thread: the ports are opened and driven there, and what
// the run tells comes back on the window thread as signals. One test at a time; stop ends it
// with its figures so far, and destroying the runner stops a running test and waits for it.

#include <QObject>
#include <QString>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "DeliveryEvents.h"
#include "MeshTestPlan.h"
#include "Session.h"

namespace meshapp {

class DeliveryTestRunner : public QObject {
    Q_OBJECT

  public:
    explicit DeliveryTestRunner(QObject* parent = nullptr);
    ~DeliveryTestRunner() override;

    bool running() const { return m_running; }
    // False, and nothing started, while a test runs or when the options are refused (error()
    // says why).
    bool start(const std::vector<std::string>& ports, const deliveryrun::MeshTestOptions& options,
               const modlink::CommonOptions& common);
    void stop();
    const QString& error() const { return m_error; }

  signals:
    void started(const std::vector<delivery::Port>& ports);
    void eventsArrived(const std::vector<delivery::Event>& events);
    void figures(const delivery::Summary& summary);
    void portLost(std::size_t port, const QString& why);
    void portBack(std::size_t port);
    // error: empty when the test ran to its end or was stopped.
    void finished(const delivery::Summary& summary, const QString& error);

  private:
    template <typename F>
    void onWindowThread(F f) {
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
    }

    bool m_running = false;  // the window thread's alone
    QString m_error;
    std::jthread m_worker;
};

}  // namespace meshapp
