#include "MeshWindowShots.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "FakeSurveySource.h"
#include "LabSurvey.h"
#include "MapView.h"
#include "MeshWindow.h"
#include "PortChecklist.h"
#include "PortSurvey.h"
#include "PublishedPorts.h"
#include "ScopedRuntimeDir.h"
#include "SendNames.h"

namespace {

mesh::Survey exampleLab() {
    QFile file(QStringLiteral(MESHCFG_EXAMPLE_LAB));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return lab_survey::survey(lab_survey::planOf(file.readAll().toStdString()));
}

// The window after one survey by the source of these ports (none given: every port it lists),
// the first fault selected, node 1's details.
template <typename Use>
int surveyedBy(mesh::SurveySource& source, QSize size, Use use, const QStringList& only = {}) {
    MeshWindow window(&source);
    window.resize(size);
    window.show();
    window.ports().tickAll(only.isEmpty());
    for (const QString& port : only) window.ports().setTicked(port, true);
    window.survey();
    while (window.surveying()) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    window.view().fitMap();
    window.faults().setCurrentRow(0);
    window.showDetails(1);
    QApplication::processEvents();
    return use(window);
}

template <typename Use>
int surveyed(const mesh::Survey& survey, QSize size, Use use) {
    const PublishedPorts ports(survey);
    FakeSurveySource source({survey});
    return surveyedBy(source, size, use);
}

// The module on the port sends one byte to the target, so that its path shows the links.
bool sendOnce(const std::string& port, std::uint16_t target) {
    CommonOptions options;
    options.port = port;
    try {
        Session session(options);
        return session
                   .exchange(
                       proto::encode(proto::SendDataRequest{.target = target,
                                                            .jump = 7,
                                                            .routeMode = proto::kRouteModeAuto,
                                                            .data = {0x01}}))
                   .outcome == Session::Exchange::Outcome::kReply;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return false;
    }
}

}  // namespace

int renderMeshLabShot(const QString& pngPath) {
    return surveyed(exampleLab(), {1400, 820},
                    [&](MeshWindow& window) { return window.grab().save(pngPath) ? 0 : 1; });
}

int renderMeshGridShot(const QString& pngPath) {
    return surveyed(lab_survey::survey(lab_survey::grid(6, 10)), {1400, 900},
                    [&](MeshWindow& window) { return window.grab().save(pngPath) ? 0 : 1; });
}

int renderMeshPictureShot(const QString& path) {
    return surveyed(exampleLab(), {1400, 820}, [&](MeshWindow& window) {
        const QString error = window.saveMap(path);
        if (!error.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(error));
        return error.isEmpty() ? 0 : 1;
    });
}

int renderMeshLiveShot(const QString& pngPath) {
    const ScopedRuntimeDir runtime;
    QProcess lab;
    lab.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    lab.start(QStringLiteral(QZ470_SIM_PATH),
              {"--lab", MESHCFG_EXAMPLE_LAB, "--seed", "1", "--quiet"});
    QByteArray said;
    while (!said.contains(" ready\n") && lab.waitForReadyRead(10000)) said += lab.readAll();
    if (!said.contains(" ready\n")) return 1;
    // Each module's last send crosses the mesh, the module on the wrong network id's finds none.
    const std::pair<const char*, std::uint16_t> sends[] = {
        {"COM200", 6}, {"COM201", 4}, {"COM202", 6}, {"COM203", 1}, {"COM205", 3}};
    for (const auto& [port, target] : sends)
        if (!sendOnce(port, target)) return 1;
    survey::PortSurveySource source;
    // The lab's ports alone: the machine's own serial ports hold no module.
    const int written =
        surveyedBy(source, {1400, 820},
                   [&](MeshWindow& window) { return window.grab().save(pngPath) ? 0 : 1; },
                   {"COM200", "COM201", "COM202", "COM203", "COM204", "COM205"});
    lab.terminate();
    lab.waitForFinished();
    return written;
}
