#include "DeliveryTestPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QVBoxLayout>

#include "DeliveryMatrix.h"
#include "DeliveryPlots.h"
#include "DeliveryTestRunner.h"
#include "MeshTestReport.h"
#include "SendRequest.h"
#include "Tag.h"

namespace meshapp {

namespace {

QSpinBox* spinBox(int least, int most, int value, const QString& suffix, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(least, most);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

}  // namespace

DeliveryTestPane::DeliveryTestPane(PortSource ports, QWidget* parent)
    : QWidget(parent), m_portSource(std::move(ports)) {
    m_runner = new DeliveryTestRunner(this);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildControls());
    m_matrix = new DeliveryMatrix(this);
    layout->addWidget(m_matrix, 0, Qt::AlignTop);
    m_plots = new DeliveryPlots(this);
    layout->addWidget(m_plots, 1);

    connect(m_runner, &DeliveryTestRunner::started, this,
            [this](const std::vector<delivery::Port>& ports) {
                m_ports = ports;
                std::vector<std::string> names;
                for (const delivery::Port& port : ports) names.push_back(port.name);
                m_matrix->setPorts(names);
                m_status->setText(tr("Running: %1 ports.").arg(ports.size()));
            });
    connect(m_runner, &DeliveryTestRunner::eventsArrived, m_plots, &DeliveryPlots::add);
    connect(m_runner, &DeliveryTestRunner::figures, this, &DeliveryTestPane::showFigures);
    connect(m_runner, &DeliveryTestRunner::portLost, this,
            [this](std::size_t port, const QString& why) {
                m_status->setText(tr("%1 lost: %2; its pairs wait for it.")
                                      .arg(QString::fromStdString(m_ports[port].name), why));
            });
    connect(m_runner, &DeliveryTestRunner::portBack, this, [this](std::size_t port) {
        m_status->setText(
            tr("%1 is back; its pairs go on.").arg(QString::fromStdString(m_ports[port].name)));
    });
    connect(m_runner, &DeliveryTestRunner::finished, this, &DeliveryTestPane::finish);
}

DeliveryTestPane::~DeliveryTestPane() = default;

QWidget* DeliveryTestPane::buildControls() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    m_pairs = new QLineEdit(QStringLiteral("all"), box);
    m_pairs->setToolTip(
        tr("all, or FROM:TO pairs such as COM200:COM205,COM201:COM203; a click "
           "on two nodes of the map adds their pair"));
    m_count = spinBox(1, 100000000, 100, {}, box);
    m_interval = spinBox(1, 3600000, 1000, tr(" ms"), box);
    m_ack = new QCheckBox(tr("ACK Request"), box);
    m_routeMode = new QComboBox(box);
    for (const std::string& mode : modlink::routeModeNames())
        m_routeMode->addItem(QString::fromStdString(mode));
    m_routeMode->setCurrentText(QStringLiteral("auto"));
    m_size = spinBox(static_cast<int>(delivery::kTagSize), 65535,
                     static_cast<int>(delivery::kTagSize), tr(" bytes"), box);
    form->addRow(tr("Pairs"), m_pairs);
    form->addRow(tr("Count"), m_count);
    form->addRow(tr("Interval"), m_interval);
    form->addRow(tr("Route mode"), m_routeMode);
    form->addRow(tr("Size"), m_size);
    form->addRow(QString(), m_ack);
    column->addLayout(form);
    auto* buttons = new QHBoxLayout;
    m_startButton = new QPushButton(tr("Start test"), box);
    m_stopButton = new QPushButton(tr("Stop"), box);
    m_stopButton->setEnabled(false);
    m_saveButton = new QPushButton(tr("Save results…"), box);
    m_saveButton->setEnabled(false);
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_stopButton);
    column->addLayout(buttons);
    column->addWidget(m_saveButton);
    m_status = new QLabel(tr("Tick the ports and press Start test."), box);
    m_status->setWordWrap(true);
    column->addWidget(m_status);
    column->addStretch(1);
    connect(m_startButton, &QPushButton::clicked, this, &DeliveryTestPane::start);
    connect(m_stopButton, &QPushButton::clicked, this, &DeliveryTestPane::stop);
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Save the results"),
                                                          QStringLiteral("delivery.csv"));
        if (path.isEmpty()) return;
        const QString problem = saveResults(path);
        m_status->setText(problem.isEmpty() ? tr("Saved %1 and its plots.").arg(path) : problem);
    });
    return box;
}

bool DeliveryTestPane::running() const {
    return m_runner->running();
}

QString DeliveryTestPane::status() const {
    return m_status->text();
}

void DeliveryTestPane::addPair(const std::string& from, const std::string& to) {
    const QString pair = QString::fromStdString(from + ":" + to);
    const QString text = m_pairs->text().trimmed();
    m_pairs->setText(text.isEmpty() || text == u"all" ? pair : text + u',' + pair);
}

void DeliveryTestPane::start() {
    const std::vector<std::string> ports = m_portSource();
    if (ports.size() < 2) {
        m_status->setText(tr("Tick at least two ports: a sender and a target."));
        return;
    }
    deliveryrun::MeshTestOptions options;
    options.pairs = m_pairs->text().trimmed().toStdString();
    options.count = m_count->value();
    options.intervalMs = m_interval->value();
    options.ack = m_ack->isChecked();
    options.mode = m_routeMode->currentText().toStdString();
    options.size = m_size->value();
    if (!m_runner->start(ports, options, modlink::CommonOptions{})) {
        m_status->setText(m_runner->error());
        return;
    }
    m_summary = {};
    m_ports.clear();
    std::vector<delivery::Pair> pairs;
    try {
        pairs = deliveryrun::meshTestPlan(options, ports, modlink::CommonOptions{}.timeoutMs).pairs;
    } catch (const modlink::Failure&) {  // checked by start
    }
    m_plots->start(ports, pairs);
    m_matrix->setPorts(ports);
    m_startButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_saveButton->setEnabled(false);
    m_status->setText(tr("Opening %1 ports…").arg(ports.size()));
    emit runningChanged(true);
}

void DeliveryTestPane::stop() {
    m_runner->stop();
}

void DeliveryTestPane::showFigures(const delivery::Summary& summary) {
    m_summary = summary;
    m_matrix->showFigures(summary);
    m_plots->refresh();
    emit figuresChanged(m_ports, m_summary);
}

void DeliveryTestPane::finish(const delivery::Summary& summary, const QString& error) {
    if (!m_ports.empty()) showFigures(summary);
    m_startButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    m_saveButton->setEnabled(!m_ports.empty());
    m_status->setText(error.isEmpty() ? tr("Done.") : error);
    emit runningChanged(false);
}

QString DeliveryTestPane::saveResults(const QString& csvPath) {
    reports::Names names;
    for (const delivery::Port& port : m_ports) names.push_back(port.name);
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return tr("%1 cannot be written: %2").arg(csvPath, file.errorString());
    file.write(
        "from,to,sent,delivered,duplicates,late,out_of_order,false_ok,false_fail,"
        "latency_p50_ms,latency_p95_ms,latency_max_ms\n");
    for (const delivery::PairSummary& pair : m_summary.pairs) {
        QStringList row{QString::fromStdString(names[pair.from]),
                        QString::fromStdString(names[pair.to])};
        for (const int count : {pair.sent, pair.delivered, pair.duplicates, pair.late,
                                pair.outOfOrder, pair.falseOk, pair.falseFail})
            row << QString::number(count);
        for (const double ms : {pair.latencyMs ? pair.latencyMs->p50 : -1.0,
                                pair.latencyMs ? pair.latencyMs->p95 : -1.0,
                                pair.latencyMs ? pair.latencyMs->max : -1.0})
            row << (ms < 0 ? QString() : QString::number(ms, 'f', 1));
        file.write(row.join(u',').toUtf8() + '\n');
    }
    if (!file.commit()) return tr("%1 cannot be written: %2").arg(csvPath, file.errorString());
    const QFileInfo info(csvPath);
    const QString base = info.path() + u'/' + info.completeBaseName();
    return m_plots->savePng(base + QStringLiteral("-latency.png"),
                            base + QStringLiteral("-histogram.png"));
}

}  // namespace meshapp
