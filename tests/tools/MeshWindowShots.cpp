#include "MeshWindowShots.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QThread>
#include <cstdio>

#include "FakeSurveySource.h"
#include "LabSurvey.h"
#include "MapView.h"
#include "MeshWindow.h"
#include "PortChecklist.h"
#include "PublishedPorts.h"

namespace {

mesh::Survey exampleLab() {
    QFile file(QStringLiteral(MESHCFG_EXAMPLE_LAB));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return lab_survey::survey(lab_survey::planOf(file.readAll().toStdString()));
}

// The window after one survey of these ports, the first fault selected, node 1's details.
template <typename Use>
int surveyed(const mesh::Survey& survey, QSize size, Use use) {
    const PublishedPorts ports(survey);
    FakeSurveySource source({survey});
    MeshWindow window(&source);
    window.resize(size);
    window.show();
    window.ports().tickAll(true);
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
