#include <QApplication>
#include <QIcon>

#include "BrokenPipes.h"
#include "EngineSurvey.h"
#include "MeshWindow.h"
#include "Translations.h"

int main(int argc, char** argv) {
    ignoreBrokenPipes();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/meshcfg.svg")));
    // The toolkit's dialogs (the save dialog) in the user's language.
    const Translations translations;
    const std::unique_ptr<mesh::SurveySource> source = makeEngineSurveySource();
    MeshWindow window(source.get());
    // meshcfg-mesh FILE opens a mesh file, as "Mesh file..." does.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) window.openMeshFile(arguments.at(1));
    window.show();
    return QApplication::exec();
}
