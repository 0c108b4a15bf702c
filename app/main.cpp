#include "BrokenPipes.h"
#include "CMeshcfgApp.h"

int main(int argc, char** argv) {
    serial::ignoreBrokenPipes();
    app::CMeshcfgApp application(argc, argv);
    application.InitInstance();
    return 0;
}
