#pragma once

#include <QApplication>

// Runs the main window as a modal dialog; the application ends when it closes.
class CMeshcfgApp : public QApplication {
    Q_OBJECT

  public:
    CMeshcfgApp(int& argc, char** argv);
    bool InitInstance();
};
