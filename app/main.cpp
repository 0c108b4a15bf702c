#include "BrokenPipes.h"
#include "CMeshcfgApp.h"

int main(int argc, char** argv) {
    ignoreBrokenPipes();
    CMeshcfgApp app(argc, argv);
    app.InitInstance();
    return 0;
}
