#include "MeshWindow.h"

#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "DeliveryMatrix.h"
#include "DeliveryOnMap.h"
#include "DeliveryTestPane.h"
#include "FollowedMesh.h"
#include "MapItems.h"
#include "MapLegend.h"
#include "MapPicture.h"
#include "MapView.h"
#include "MeshFollower.h"
#include "MeshMapScene.h"
#include "MeshVerdict.h"
#include "ModuleDetails.h"
#include "PortChecklist.h"
#include "PortDirectory.h"
#include "SurveyRunner.h"

namespace meshapp {

namespace {

QString changesText(const MapChanges& changes) {
    if (!changes.any()) return MeshWindow::tr("The map did not change.");
    QStringList parts;
    const auto add = [&parts](int count, const QString& text) {
        if (count > 0) parts << text.arg(count);
    };
    add(changes.nodesAdded, MeshWindow::tr("%1 node(s) new"));
    add(changes.nodesRemoved, MeshWindow::tr("%1 node(s) gone"));
    add(changes.nodesChanged, MeshWindow::tr("%1 node(s) changed"));
    add(changes.linesAdded, MeshWindow::tr("%1 line(s) new"));
    add(changes.linesRemoved, MeshWindow::tr("%1 line(s) gone"));
    add(changes.linesChanged, MeshWindow::tr("%1 line(s) changed"));
    return MeshWindow::tr("Since the last survey: %1.").arg(parts.join(QStringLiteral(", ")));
}

QToolButton* toolButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    return button;
}

QString defaultSaveFile(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, MeshWindow::tr("Save the map"), suggested);
}

}  // namespace

MeshWindow::MeshWindow(mesh::SurveySource* source, QWidget* parent)
    : QMainWindow(parent), m_chooseSaveFile(defaultSaveFile) {
    setWindowTitle(tr("Meshcfg mesh map"));
    m_map = new MeshMapScene(this);
    if (source) m_runner = std::make_unique<SurveyRunner>(*source);

    auto* columns = new QSplitter(Qt::Horizontal, this);
    columns->addWidget(buildPortColumn());
    columns->addWidget(buildMapColumn());
    columns->addWidget(buildFaultColumn());
    columns->setStretchFactor(1, 1);
    columns->setSizes({220, 700, 300});
    setCentralWidget(columns);
    // The delivery test docks under the map, hidden until asked for: the map keeps its height.
    m_test = new DeliveryTestPane([this] { return m_ports->tickedPorts(); }, this);
    m_testDock = new QDockWidget(tr("Delivery test"), this);
    m_testDock->setWidget(m_test);
    addDockWidget(Qt::BottomDockWidgetArea, m_testDock);
    m_testDock->hide();
    m_status = new QLabel(this);
    statusBar()->addWidget(m_status, 1);
    resize(1280, 800);

    if (m_runner) {
        connect(m_runner.get(), &SurveyRunner::finished, this, &MeshWindow::showSurvey);
    } else {
        m_surveyButton->setEnabled(false);
        m_surveyButton->setToolTip(
            tr("This build cannot survey ports yet: the engine's survey is not built in."));
    }
    connect(m_map, &MeshMapScene::nodeClicked, this, &MeshWindow::showDetails);
    connect(m_map, &MeshMapScene::nodeClicked, this, &MeshWindow::pickForTest);
    connect(m_test, &DeliveryTestPane::figuresChanged, this, &MeshWindow::showDelivery);
    connect(m_faults, &QListWidget::currentRowChanged, this, [this](int row) {
        const bool known = row >= 0 && static_cast<std::size_t>(row) < m_mesh.faults.size();
        m_map->highlightFault(known ? &m_mesh.faults[static_cast<std::size_t>(row)] : nullptr);
    });
    refreshPorts();
    setStatus(m_runner ? tr("Tick the ports of the mesh's modules and press Survey.")
                       : m_surveyButton->toolTip());
}

MeshWindow::~MeshWindow() = default;

QWidget* MeshWindow::buildPortColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->addWidget(new QLabel(tr("Ports"), column));
    m_ports = new PortChecklist(column);
    layout->addWidget(m_ports, 1);
    auto* row = new QHBoxLayout;
    auto* all = new QPushButton(tr("All"), column);
    auto* none = new QPushButton(tr("None"), column);
    auto* refresh = new QPushButton(tr("Refresh"), column);
    row->addWidget(all);
    row->addWidget(none);
    row->addWidget(refresh);
    layout->addLayout(row);
    m_surveyButton = new QPushButton(tr("Survey"), column);
    m_surveyButton->setDefault(true);
    layout->addWidget(m_surveyButton);
    auto* test = new QPushButton(tr("Delivery test..."), column);
    layout->addWidget(test);
    auto* meshFile = new QPushButton(tr("Mesh file..."), column);
    meshFile->setToolTip(
        tr("Open a mesh file: its modules are surveyed, and what drifts from "
           "it is listed first among the faults and marked on the map."));
    layout->addWidget(meshFile);
    m_meshFileLabel = new QLabel(column);
    m_meshFileLabel->setWordWrap(true);
    layout->addWidget(m_meshFileLabel);
    connect(meshFile, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Open a mesh file"), QString(),
                                                          tr("Mesh files (*.toml)"));
        if (path.isEmpty()) return;
        if (const QString problem = openMeshFile(path); !problem.isEmpty())
            QMessageBox::warning(this, tr("Mesh file"), problem);
    });
    connect(test, &QPushButton::clicked, this, &MeshWindow::showDeliveryTest);

    connect(all, &QPushButton::clicked, this, [this] { m_ports->tickAll(true); });
    connect(none, &QPushButton::clicked, this, [this] { m_ports->tickAll(false); });
    connect(refresh, &QPushButton::clicked, this, &MeshWindow::refreshPorts);
    connect(m_surveyButton, &QPushButton::clicked, this, &MeshWindow::survey);
    return column;
}

QWidget* MeshWindow::buildMapColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    auto* tools = new QHBoxLayout;
    auto* zoomOut = toolButton(tr("−"), tr("Zoom out (Ctrl+wheel)"), column);
    auto* zoomIn = toolButton(tr("+"), tr("Zoom in (Ctrl+wheel)"), column);
    auto* fit = toolButton(tr("Fit"), tr("The whole map in the window"), column);
    auto* actual = toolButton(tr("100 %"), tr("The map at its own size"), column);
    auto* svg = toolButton(tr("Save as SVG..."), tr("Save the map and its legend as SVG"), column);
    auto* png = toolButton(tr("Save as PNG..."), tr("Save the map and its legend as PNG"), column);
    for (QToolButton* button : {zoomOut, zoomIn, fit, actual}) tools->addWidget(button);
    tools->addStretch(1);
    tools->addWidget(svg);
    tools->addWidget(png);
    layout->addLayout(tools);
    layout->addWidget(new MapLegend(column));
    m_view = new MapView(m_map, column);
    layout->addWidget(m_view, 1);
    connect(zoomOut, &QToolButton::clicked, this, [this] { m_view->zoomOut(); });
    connect(zoomIn, &QToolButton::clicked, this, [this] { m_view->zoomIn(); });
    connect(fit, &QToolButton::clicked, this, [this] { m_view->fitMap(); });
    connect(actual, &QToolButton::clicked, this, [this] { m_view->setZoom(1); });
    connect(svg, &QToolButton::clicked, this, [this] { saveMapAs(QStringLiteral("svg")); });
    connect(png, &QToolButton::clicked, this, [this] { saveMapAs(QStringLiteral("png")); });
    return column;
}

QWidget* MeshWindow::buildFaultColumn() {
    auto* column = new QSplitter(Qt::Vertical, this);
    auto* faultBox = new QWidget(column);
    auto* faultLayout = new QVBoxLayout(faultBox);
    faultLayout->addWidget(new QLabel(tr("Faults, most serious first"), faultBox));
    m_faults = new QListWidget(faultBox);
    m_faults->setWordWrap(true);
    faultLayout->addWidget(m_faults);
    m_details = new QTextBrowser(column);
    m_details->setPlaceholderText(
        tr("Click a node on the map to see its settings, route list "
           "and path."));
    column->addWidget(faultBox);
    column->addWidget(m_details);
    return column;
}

void MeshWindow::refreshPorts() {
    const QStringList problems = m_ports->fill();
    if (!problems.isEmpty()) setStatus(problems.join(u'\n'));
}

bool MeshWindow::surveying() const {
    return m_runner && m_runner->running();
}

QString MeshWindow::openMeshFile(const QString& path) {
    try {
        m_meshFile = meshplan::readMeshFile(path.toStdString(), ports::PortDirectory());
    } catch (const meshplan::MeshFileError& error) {
        const QString problem = QString::fromStdString(error.what());
        setStatus(problem);
        return problem;
    }
    m_ports->tickAll(false);
    for (const meshplan::FileModule& module : m_meshFile->modules)
        if (!module.reach.port.empty())
            m_ports->setTicked(QString::fromStdString(module.reach.port), true);
    m_meshFileLabel->setText(
        tr("Mesh file: %1 (%n module(s))", nullptr, static_cast<int>(m_meshFile->modules.size()))
            .arg(QFileInfo(path).fileName()));
    setStatus(tr("Survey to see what drifts from %1.").arg(QFileInfo(path).fileName()));
    return {};
}

void MeshWindow::survey() {
    if (!m_runner || m_runner->running()) return;
    std::vector<std::string> ports = m_ports->tickedPorts();
    // The mesh file's modules are surveyed wherever they are, ticked or not.
    if (m_meshFile) {
        m_meshFilePorts = meshplan::findPorts(*m_meshFile);
        for (const meshplan::FoundPort& found : m_meshFilePorts)
            if (found.missing.empty() && std::ranges::find(ports, found.port) == ports.end())
                ports.push_back(found.port);
    }
    if (ports.empty()) return setStatus(tr("Tick at least one port to survey."));
    const auto count = static_cast<int>(ports.size());
    m_runner->start(std::move(ports), m_layout);
    m_surveyButton->setEnabled(false);
    m_surveyButton->setText(tr("Surveying..."));
    setStatus(tr("Surveying %n port(s)...", nullptr, count));
}

void MeshWindow::showSurvey(const SurveyResult& result) {
    m_surveyButton->setEnabled(true);
    m_surveyButton->setText(tr("Survey"));
    if (!result.error.isEmpty()) return setStatus(tr("The survey failed: %1").arg(result.error));
    m_mesh = result.mesh;
    m_layout = result.layout;
    std::size_t drifts = 0;
    if (m_meshFile) {
        std::vector<mesh::Fault> faults = meshplan::driftFaults(meshplan::verifyMesh(
            *m_meshFile, meshplan::readingsOf(m_meshFilePorts, m_mesh.survey)));
        drifts = faults.size();
        faults.insert(faults.end(), m_mesh.faults.begin(), m_mesh.faults.end());
        m_mesh.faults = std::move(faults);
    }
    const MapChanges changes = m_map->showMesh(m_mesh, m_layout);
    showFaults();
    if (m_shownNode && m_mesh.graph.node(*m_shownNode)) {
        showDetails(*m_shownNode);
    } else {
        m_shownNode.reset();
        m_details->clear();
    }
    int modules = 0;
    for (const mesh::MeshNode& node : m_mesh.graph.nodes) modules += node.onPort() ? 1 : 0;
    QString text = tr("%1 of %2 port(s) answered as %3 node(s); %4 fault(s).")
                       .arg(mesh::modulesOf(m_mesh.survey).size())
                       .arg(m_mesh.survey.size())
                       .arg(modules)
                       .arg(m_mesh.faults.size());
    if (m_meshFile)
        text += u' ' + tr("%n drift(s) from %1.", nullptr, static_cast<int>(drifts))
                           .arg(QFileInfo(QString::fromStdString(m_meshFile->path)).fileName());
    if (++m_surveys == 1) {
        m_view->fitMap();
    } else {
        text += u' ' + changesText(changes);
    }
    setStatus(text);
}

void MeshWindow::showFaults() {
    const QSignalBlocker quiet(m_faults);
    m_faults->clear();
    for (const mesh::Fault& fault : m_mesh.faults) {
        auto* item = new QListWidgetItem(QString::fromStdString(fault.text), m_faults);
        QStringList ports;
        for (const std::string& port : fault.ports) ports << QString::fromStdString(port);
        item->setToolTip(ports.join(QStringLiteral(", ")));
    }
    m_map->highlightFault(nullptr);
}

void MeshWindow::showDetails(std::uint16_t node) {
    m_shownNode = node;
    m_map->clearSelection();
    if (NodeBadge* badge = m_map->badge(node)) badge->setSelected(true);
    m_details->setHtml(moduleDetails(m_mesh, node));
}

QString MeshWindow::status() const {
    return m_status->text();
}

void MeshWindow::showDeliveryTest() {
    m_testDock->show();
    m_testDock->raise();
}

void MeshWindow::showDelivery(const std::vector<delivery::Port>& ports,
                              const delivery::Summary& summary) {
    const DeliveryShares shares = deliveryShares(m_mesh.graph, ports, summary);
    std::map<std::uint16_t, QColor> nodes;
    for (const auto& [node, share] : shares.nodes)
        nodes.emplace(node, DeliveryMatrix::colorOf(share));
    std::map<MeshMapScene::NodePair, QColor> lines;
    for (const auto& [line, share] : shares.lines)
        lines.emplace(line, DeliveryMatrix::colorOf(share));
    m_map->showDelivery(nodes, lines);
}

// Two nodes on ports clicked one after the other are a pair for the delivery test.
void MeshWindow::pickForTest(std::uint16_t node) {
    const auto found = std::find_if(m_mesh.graph.nodes.begin(), m_mesh.graph.nodes.end(),
                                    [node](const mesh::MeshNode& n) { return n.id == node; });
    if (found == m_mesh.graph.nodes.end() || !found->onPort()) return;
    const std::string port = m_mesh.survey[found->modules.front()].port;
    if (m_pickedSender && *m_pickedSender != port) {
        m_test->addPair(*m_pickedSender, port);
        m_pickedSender.reset();
    } else {
        m_pickedSender = port;
    }
}

void MeshWindow::follow(const QUrl& watcher, std::chrono::milliseconds interval) {
    delete m_follower;
    m_followedBody.clear();
    m_follower = new MeshFollower(watcher, interval, this);
    // The map is the watcher's: a survey of this desk's ports would draw over it.
    m_surveyButton->setEnabled(false);
    m_surveyButton->setToolTip(tr("The map follows a watcher's survey."));
    const QString url = m_follower->documentUrl().toDisplayString();
    setWindowTitle(tr("Meshcfg mesh map: %1").arg(url));
    setStatus(tr("Reading %1...").arg(url));
    connect(m_follower, &MeshFollower::served, this, &MeshWindow::showFollowed);
    connect(m_follower, &MeshFollower::failed, this, [this, interval](const QString& why) {
        setStatus(tr("The watcher cannot be reached at %1: %2. Trying again every %3 s; the "
                     "map shows what it last served.")
                      .arg(m_follower->documentUrl().toDisplayString(), why)
                      .arg(static_cast<double>(interval.count()) / 1000));
    });
}

void MeshWindow::showFollowed(const QByteArray& body) {
    const QString url = m_follower->documentUrl().toDisplayString();
    FollowedMesh followed = readFollowedMesh(body, QDateTime::currentDateTimeUtc());
    if (!followed.error.isEmpty())
        return setStatus(
            tr("%1 was refused: %2. The map shows what it last served.").arg(url, followed.error));
    // Unchanged, only the times since each node was last heard move on.
    if (body != m_followedBody) {
        MeshLayout layout;
        try {
            layout = layOutMesh(followed.mesh, m_layout);
        } catch (const std::exception& error) {
            return setStatus(tr("The map cannot be laid out: %1").arg(error.what()));
        }
        m_followedBody = body;
        m_mesh = std::move(followed.mesh);
        m_layout = std::move(layout);
        m_map->showMesh(m_mesh, m_layout);
        showFaults();
        if (++m_surveys == 1) m_view->fitMap();
    }
    m_map->showDown(followed.down);
    setStatus(followedText(followed));
}

QString MeshWindow::followedText(const FollowedMesh& followed) const {
    const QString url = m_follower->documentUrl().toDisplayString();
    if (followed.surveyedAt.isEmpty())
        return tr("Following %1: the watcher has not surveyed yet.").arg(url);
    return tr("Following %1: %2 node(s), %3 down, %4 fault(s); surveyed at %5.")
        .arg(url)
        .arg(m_mesh.graph.nodes.size())
        .arg(followed.down.size())
        .arg(m_mesh.faults.size())
        .arg(followed.surveyedAt);
}

void MeshWindow::setStatus(const QString& text) {
    m_status->setText(text);
}

QString MeshWindow::saveMap(const QString& path) {
    return picture::save(*m_map, path);
}

void MeshWindow::saveMapAs(const QString& extension) {
    const QString suggested = QDir::home().filePath(
        QStringLiteral("meshcfg-mesh-%1.%2")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                 extension));
    const QString path = m_chooseSaveFile(this, suggested);
    if (path.isEmpty()) return;
    if (const QString error = saveMap(path); !error.isEmpty())
        QMessageBox::warning(this, windowTitle(),
                             tr("The map could not be saved to %1: %2").arg(path, error));
}

}  // namespace meshapp
