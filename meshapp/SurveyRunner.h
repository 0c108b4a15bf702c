#pragma once
// Runs a survey off the window thread: the source reads the ports, then the mesh is assessed and
// laid out beside the last layout on the same thread, and the result comes back on the window
// thread. One survey at a time; destroying the runner asks a running survey to stop and waits
// for it.

#include <QObject>
#include <QString>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "Mesh.h"
#include "MeshLayout.h"
#include "SurveySource.h"

namespace meshapp {

struct SurveyResult {
    mesh::Mesh mesh{};
    MeshLayout layout{};
    QString error{};  // the survey or the layout failed: mesh and layout are empty
};

class SurveyRunner : public QObject {
    Q_OBJECT

  public:
    explicit SurveyRunner(mesh::SurveySource& source, QObject* parent = nullptr);
    ~SurveyRunner() override;

    bool running() const { return m_running; }
    // False, and nothing started, while a survey runs.
    bool start(std::vector<std::string> ports, MeshLayout previous);

  signals:
    void finished(const SurveyResult& result);

  private:
    mesh::SurveySource& m_source;
    bool m_running = false;  // the window thread's alone
    std::jthread m_worker;
};

}  // namespace meshapp
