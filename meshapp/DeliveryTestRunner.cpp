#include "DeliveryTestRunner.h"

#include <chrono>

#include "MeshTestRun.h"
#include "PortDirectory.h"

namespace meshapp {

namespace {

// How often the figures are handed to the window: often enough to look live.
constexpr std::chrono::milliseconds kFiguresEvery{250};
constexpr std::chrono::seconds kPatience{60};

}  // namespace

DeliveryTestRunner::DeliveryTestRunner(QObject* parent) : QObject(parent) {}

DeliveryTestRunner::~DeliveryTestRunner() {
    stop();
    if (m_worker.joinable()) m_worker.join();
}

void DeliveryTestRunner::stop() {
    m_worker.request_stop();
}

bool DeliveryTestRunner::start(const std::vector<std::string>& ports,
                               const deliveryrun::MeshTestOptions& options,
                               const modlink::CommonOptions& common) {
    if (m_running) return false;
    delivery::Plan plan;
    try {
        plan = deliveryrun::meshTestPlan(options, ports, common.timeoutMs);
    } catch (const modlink::Failure& failure) {
        m_error = QString::fromStdString(failure.what());
        return false;
    }
    if (m_worker.joinable()) m_worker.join();
    m_error.clear();
    m_running = true;
    m_worker = std::jthread([this, ports, common, plan = std::move(plan)](std::stop_token stop) {
        // Tells the window from the run's thread; every signal is emitted on the window thread.
        class Watcher final : public deliveryrun::MeshTestRun::Watcher {
          public:
            explicit Watcher(DeliveryTestRunner& runner) : m_runner(runner) {}
            void events(const std::vector<delivery::Event>& events) override {
                m_runner.onWindowThread([r = &m_runner, events] { emit r->eventsArrived(events); });
            }
            void portLost(std::size_t port, const std::string& why) override {
                m_runner.onWindowThread([r = &m_runner, port, why = QString::fromStdString(why)] {
                    emit r->portLost(port, why);
                });
            }
            void portBack(std::size_t port) override {
                m_runner.onWindowThread([r = &m_runner, port] { emit r->portBack(port); });
            }
            void idle(const delivery::Matcher& matcher) override {
                const auto now = delivery::Clock::now();
                if (now < m_next) return;
                m_next = now + kFiguresEvery;
                m_runner.onWindowThread(
                    [r = &m_runner, summary = matcher.summary()] { emit r->figures(summary); });
            }

          private:
            DeliveryTestRunner& m_runner;
            delivery::Clock::time_point m_next{};
        };
        try {
            deliveryrun::MeshTestRun run(ports::PortDirectory().resolve(ports), common);
            delivery::Plan ported = plan;
            ported.ports = run.ports();
            onWindowThread([this, named = run.ports()] { emit started(named); });
            Watcher watcher(*this);
            const deliveryrun::MeshTestRun::Outcome outcome = run.run(
                std::move(ported), watcher, [&stop] { return stop.stop_requested(); }, kPatience);
            QString error;
            for (const std::size_t port : outcome.gone)
                error += QString::fromStdString(ports[port]) + QStringLiteral(" lost for good. ");
            onWindowThread([this, summary = outcome.summary, error = error.trimmed()] {
                m_running = false;
                emit finished(summary, error);
            });
        } catch (const modlink::Failure& failure) {
            onWindowThread([this, error = QString::fromStdString(failure.what())] {
                m_running = false;
                emit finished({}, error);
            });
        }
    });
    return true;
}

}  // namespace meshapp
