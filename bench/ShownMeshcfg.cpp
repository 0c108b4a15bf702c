// The tool's own start-up, as its main() has it, with a probe that says when the main window
// is on screen.

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "ShownProbe.h"

int main(int argc, char** argv) {
    CMeshcfgApp app(argc, argv);
    CMeshcfgDlg dlg;
    const ShownProbe probe(dlg);
    dlg.exec();
    return 0;
}
