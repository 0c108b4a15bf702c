#include "SurveyRunner.h"

#include <exception>
#include <memory>
#include <utility>

namespace meshapp {

namespace {

SurveyResult surveyed(mesh::SurveySource& source, const std::vector<std::string>& ports,
                      const MeshLayout& previous, std::stop_token stop) {
    SurveyResult result;
    try {
        result.mesh = mesh::assessMesh(source.survey(ports, stop));
        if (!stop.stop_requested()) result.layout = layOutMesh(result.mesh, previous);
    } catch (const std::exception& failure) {
        result = {.error = QString::fromStdString(failure.what())};
    }
    return result;
}

}  // namespace

SurveyRunner::SurveyRunner(mesh::SurveySource& source, QObject* parent)
    : QObject(parent), m_source(source) {}

// The worker's last step is posting to this object, which dropping the object discards.
SurveyRunner::~SurveyRunner() = default;

bool SurveyRunner::start(std::vector<std::string> ports, MeshLayout previous) {
    if (m_running) return false;
    m_running = true;
    m_worker = std::jthread(
        [this, ports = std::move(ports), previous = std::move(previous)](std::stop_token stop) {
            auto result = std::make_shared<SurveyResult>(surveyed(m_source, ports, previous, stop));
            if (stop.stop_requested()) return;
            QMetaObject::invokeMethod(
                this,
                [this, result] {
                    m_running = false;
                    emit finished(*result);
                },
                Qt::QueuedConnection);
        });
    return true;
}

}  // namespace meshapp
