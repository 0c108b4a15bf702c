#pragma once
// The delivery test in the mesh window: what to test (pairs, count, interval, ACK, route mode,
// size), Start and Stop, and while it runs the matrix of delivery % and the latency plots. The
// ports are the window's ticked ones; the test runs off the window thread.

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "DeliveryEvents.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace meshapp {

class DeliveryMatrix;
class DeliveryPlots;
class DeliveryTestRunner;

class DeliveryTestPane : public QWidget {
    Q_OBJECT

  public:
    using PortSource = std::function<std::vector<std::string>()>;
    DeliveryTestPane(PortSource ports, QWidget* parent = nullptr);
    ~DeliveryTestPane() override;

    void start();
    void stop();
    bool running() const;
    // Adds FROM:TO to the pairs to test (replacing "all").
    void addPair(const std::string& from, const std::string& to);
    // Empty when saved, else why not: the pairs' figures as CSV, beside the plots as PNG.
    QString saveResults(const QString& csvPath);

    QLineEdit& pairs() const { return *m_pairs; }
    QSpinBox& count() const { return *m_count; }
    QSpinBox& interval() const { return *m_interval; }
    QCheckBox& ack() const { return *m_ack; }
    QComboBox& routeMode() const { return *m_routeMode; }
    QSpinBox& size() const { return *m_size; }
    DeliveryMatrix& matrix() const { return *m_matrix; }
    DeliveryPlots& plots() const { return *m_plots; }
    QString status() const;
    const delivery::Summary& summary() const { return m_summary; }
    const std::vector<delivery::Port>& ports() const { return m_ports; }

  signals:
    // The figures so far, each time they change: the map colours its nodes by them.
    void figuresChanged(const std::vector<delivery::Port>& ports, const delivery::Summary& summary);
    void runningChanged(bool running);

  private:
    QWidget* buildControls();
    void showFigures(const delivery::Summary& summary);
    void finish(const delivery::Summary& summary, const QString& error);

    PortSource m_portSource;
    QLineEdit* m_pairs = nullptr;
    QSpinBox* m_count = nullptr;
    QSpinBox* m_interval = nullptr;
    QCheckBox* m_ack = nullptr;
    QComboBox* m_routeMode = nullptr;
    QSpinBox* m_size = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QLabel* m_status = nullptr;
    DeliveryMatrix* m_matrix = nullptr;
    DeliveryPlots* m_plots = nullptr;
    DeliveryTestRunner* m_runner = nullptr;
    std::vector<delivery::Port> m_ports;
    delivery::Summary m_summary;
};

}  // namespace meshapp
