#include "CMeshcfgApp.h"

#include <QIcon>

#include "CMeshcfgDlg.h"

namespace app {

CMeshcfgApp::CMeshcfgApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("meshcfg"));
    setApplicationVersion(QStringLiteral("1.2"));
    setDesktopFileName(QStringLiteral("meshcfg"));
    setWindowIcon(QIcon(QStringLiteral(":/meshcfg.svg")));
    m_translations.emplace();
}

bool CMeshcfgApp::InitInstance() {
    {
        CMeshcfgDlg dlg;
        dlg.exec();
    }
    return false;
}

}  // namespace app
