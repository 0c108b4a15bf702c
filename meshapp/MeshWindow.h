#pragma once
// The mesh window: the ports to survey with their tick boxes and "Survey" at the left, the map
// with its legend and zoom in the middle, the mesh's faults and the clicked node's details at
// the right. The survey runs off the window thread; without a survey source the window lists
// ports but cannot survey them, and says so.

#include <QMainWindow>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "DeliveryEvents.h"
#include "Mesh.h"
#include "MeshFile.h"
#include "MeshLayout.h"
#include "MeshPlan.h"
#include "SurveySource.h"

class QDockWidget;
class QLabel;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace meshapp {

class DeliveryTestPane;
class MeshFollower;
struct FollowedMesh;
class MapView;
class MeshMapScene;
class PortChecklist;
class SurveyRunner;
struct MapChanges;
struct SurveyResult;

class MeshWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Asks where to save the map, starting from the suggested path; empty when cancelled.
    using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;

    // source: null where this build cannot survey ports; otherwise it outlives the window.
    explicit MeshWindow(mesh::SurveySource* source, QWidget* parent = nullptr);
    ~MeshWindow() override;

    void refreshPorts();
    void survey();
    bool surveying() const;
    // The node's settings, route list and path in the details pane, as a click on it shows them.
    void showDetails(std::uint16_t node);
    // Empty when saved, else why not.
    QString saveMap(const QString& path);
    void saveMapAs(const QString& extension);
    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseSaveFile = std::move(chooser); }

    PortChecklist& ports() const { return *m_ports; }
    MeshMapScene& map() const { return *m_map; }
    MapView& view() const { return *m_view; }
    QListWidget& faults() const { return *m_faults; }
    QTextBrowser& details() const { return *m_details; }
    QPushButton& surveyButton() const { return *m_surveyButton; }
    QString status() const;
    const mesh::Mesh& mesh() const { return m_mesh; }
    DeliveryTestPane& deliveryTest() const { return *m_test; }
    // The delivery test's pane, docked under the map.
    void showDeliveryTest();
    // A mesh file: its modules' ports are ticked and surveyed, and each survey lists and marks
    // what drifts from it first among the faults. Empty when opened, else why not.
    QString openMeshFile(const QString& path);
    // Draws a watcher's last survey (http://host:port) and redraws it as it changes, the nodes
    // it holds down greyed; a watcher out of reach is said and tried again every interval.
    void follow(const QUrl& watcher,
                std::chrono::milliseconds interval = std::chrono::milliseconds(2000));

  private:
    QWidget* buildPortColumn();
    QWidget* buildMapColumn();
    QWidget* buildFaultColumn();
    void showSurvey(const SurveyResult& result);
    void showFaults();
    void setStatus(const QString& text);
    void showFollowed(const QByteArray& body);
    QString followedText(const FollowedMesh& followed) const;
    void pickForTest(std::uint16_t node);
    void showDelivery(const std::vector<delivery::Port>& ports, const delivery::Summary& summary);

    PortChecklist* m_ports = nullptr;
    QPushButton* m_surveyButton = nullptr;
    MeshMapScene* m_map = nullptr;
    MapView* m_view = nullptr;
    QListWidget* m_faults = nullptr;
    QTextBrowser* m_details = nullptr;
    QLabel* m_status = nullptr;
    DeliveryTestPane* m_test = nullptr;
    QDockWidget* m_testDock = nullptr;
    std::optional<std::string> m_pickedSender;  // the first node of a pair clicked on the map
    std::unique_ptr<SurveyRunner> m_runner;
    mesh::Mesh m_mesh;
    MeshLayout m_layout;
    int m_surveys = 0;
    std::optional<std::uint16_t> m_shownNode;
    SaveFileChooser m_chooseSaveFile;
    std::optional<meshplan::MeshFile> m_meshFile;
    std::vector<meshplan::FoundPort> m_meshFilePorts;  // where its modules were at the survey
    QLabel* m_meshFileLabel = nullptr;
    MeshFollower* m_follower = nullptr;
    QByteArray m_followedBody;  // the last document drawn: an unchanged one is not laid out again
};

}  // namespace meshapp
