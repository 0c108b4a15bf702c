#include "MeshWindowShots.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QSpinBox>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>

#include "DeliveryTestPane.h"
#include "EngineSurvey.h"
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

// The window, at this size or its own, after one survey by the source of these ports (none
// given: every port it lists), the first fault selected, node 1's details.
template <typename Use>
int surveyedBy(mesh::SurveySource& source, std::optional<QSize> size, Use use,
               const QStringList& only = {}) {
    meshapp::MeshWindow window(&source);
    if (size) window.resize(*size);
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
    modlink::CommonOptions options;
    options.port = port;
    try {
        modlink::Session session(options, ports::PortDirectory().resolve(options.port));
        const modlink::Session::Exchange sent = session.exchange(proto::SendDataRequest{
            .target = target, .jump = 7, .routeMode = proto::kRouteModeAuto, .data = {0x01}});
        // Any confirmation will do: the path is the module's whatever its status.
        return !sent.failure || sent.failure == engine::ExchangeFailure::Refused;
    } catch (const modlink::Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return false;
    }
}

}  // namespace

int renderMeshLabShot(const QString& pngPath) {
    return surveyed(exampleLab(), QSize(1400, 820), [&](meshapp::MeshWindow& window) {
        return window.grab().save(pngPath) ? 0 : 1;
    });
}

int renderMeshGridShot(const QString& pngPath) {
    return surveyed(
        lab_survey::survey(lab_survey::grid(6, 10)), QSize(1400, 900),
        [&](meshapp::MeshWindow& window) { return window.grab().save(pngPath) ? 0 : 1; });
}

int renderMeshPictureShot(const QString& path) {
    return surveyed(exampleLab(), QSize(1400, 820), [&](meshapp::MeshWindow& window) {
        const QString error = window.saveMap(path);
        if (!error.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(error));
        return error.isEmpty() ? 0 : 1;
    });
}

namespace {

// The example lab running in qz470-sim while `use` runs, each module having sent once so that
// its path shows the links; returns 1 when it does not start.
template <typename Use>
int withExampleLab(Use use) {
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
    int result = 1;
    if (std::all_of(std::begin(sends), std::end(sends),
                    [](const auto& send) { return sendOnce(send.first, send.second); }))
        result = use();
    lab.terminate();
    lab.waitForFinished();
    return result;
}

// The lab's ports alone: the machine's own serial ports hold no module.
const QStringList kLabPorts{"COM200", "COM201", "COM202", "COM203", "COM204", "COM205"};

bool grabbedAt(meshapp::MeshWindow& window, QSize size, const QString& path) {
    window.resize(size);
    QApplication::processEvents();
    return window.grab().save(path);
}

}  // namespace

int renderMeshLiveShot(const QString& pngPath) {
    return withExampleLab([&] {
        const std::unique_ptr<mesh::SurveySource> source = meshapp::makeEngineSurveySource();
        return surveyedBy(
            *source, QSize(1400, 820),
            [&](meshapp::MeshWindow& window) { return window.grab().save(pngPath) ? 0 : 1; },
            kLabPorts);
    });
}

int renderMeshDeliveryShot(const QString& pngPath) {
    return withExampleLab([&] {
        const std::unique_ptr<mesh::SurveySource> source = meshapp::makeEngineSurveySource();
        return surveyedBy(
            *source, std::nullopt,
            [&](meshapp::MeshWindow& window) {
                const QSize size = window.size();
                window.faults().setCurrentRow(-1);  // the faults as marked from the start
                window.showDeliveryTest();
                meshapp::DeliveryTestPane& test = window.deliveryTest();
                test.count().setValue(20);
                test.interval().setValue(100);
                test.start();
                while (test.running()) {
                    QApplication::processEvents();
                    QThread::msleep(10);
                }
                std::fprintf(stderr, "%s\n", qPrintable(test.status()));
                const QString base = pngPath.chopped(4);  // without ".png"
                const QString saved = test.saveResults(base + QStringLiteral(".csv"));
                if (!saved.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(saved));
                const bool grabbed =
                    grabbedAt(window, size, pngPath) &&
                    grabbedAt(window, {1600, 1000}, base + QStringLiteral("-1600x1000.png"));
                return saved.isEmpty() && grabbed ? 0 : 1;
            },
            kLabPorts);
    });
}

int renderMeshFollowShot(const QString& pngPath) {
    const QString watcher = qEnvironmentVariable("MESHCFG_FOLLOW", "http://127.0.0.1:9470");
    meshapp::MeshWindow window(nullptr);
    window.resize(1400, 820);
    window.show();
    window.follow(QUrl(watcher));
    QElapsedTimer waited;
    waited.start();
    while (!window.status().startsWith(QStringLiteral("Following")) && waited.elapsed() < 20000) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    window.view().fitMap();
    window.showDetails(1);  // what a click on node 1 shows of a followed mesh
    QApplication::processEvents();
    return window.grab().save(pngPath) ? 0 : 1;
}
