#include "CMeshcfgApp.h"

int main(int argc, char** argv) {
    CMeshcfgApp app(argc, argv);
    app.InitInstance();
    return 0;
}
