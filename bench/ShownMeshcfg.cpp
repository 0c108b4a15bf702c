// The tool's own start-up, as its main() has it, with a probe that says when the main window
// is on screen.

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "ShownProbe.h"

int main(int argc, char** argv) {
    app::CMeshcfgApp app(argc, argv);
    app::CMeshcfgDlg dlg;
    const ShownProbe probe(dlg);
    dlg.exec();
    return 0;
}
