#include <QApplication>
#include <QIcon>
#include <QTextStream>
#include <QUrl>

#include "BrokenPipes.h"
#include "EngineSurvey.h"
#include "MeshWindow.h"
#include "Translations.h"

int main(int argc, char** argv) {
    serial::ignoreBrokenPipes();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/meshcfg.svg")));
    // The toolkit's dialogs (the save dialog) in the user's language.
    const widgets::Translations translations;
    const std::unique_ptr<mesh::SurveySource> source = meshapp::makeEngineSurveySource();
    meshapp::MeshWindow window(source.get());
    // meshcfg-mesh FILE opens a mesh file, as "Mesh file..." does; --follow URL draws a
    // watcher's last survey instead.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1 && arguments.at(1) == QStringLiteral("--follow")) {
        const QUrl watcher(arguments.value(2), QUrl::StrictMode);
        if (!watcher.isValid() || (watcher.scheme() != QStringLiteral("http") &&
                                   watcher.scheme() != QStringLiteral("https"))) {
            QTextStream(stderr) << "meshcfg-mesh: --follow takes a watcher's address, as in "
                                   "--follow http://127.0.0.1:9470\n";
            return 2;
        }
        window.follow(watcher);
    } else if (arguments.size() > 1) {
        window.openMeshFile(arguments.at(1));
    }
    window.show();
    return QApplication::exec();
}
