#pragma once

#include <QApplication>
#include <optional>

#include "Translations.h"

// Runs the main window as a modal dialog; the application ends when it closes.
class CMeshcfgApp : public QApplication {
    Q_OBJECT

  public:
    CMeshcfgApp(int& argc, char** argv);
    bool InitInstance();

  private:
    std::optional<Translations> m_translations;  // once the program's folder is known
};
