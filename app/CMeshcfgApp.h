#pragma once

#include <QApplication>
#include <optional>

#include "Translations.h"

namespace app {

// Runs the main window as a modal dialog; the application ends when it closes.
class CMeshcfgApp : public QApplication {
    Q_OBJECT

  public:
    CMeshcfgApp(int& argc, char** argv);
    bool InitInstance();

  private:
    std::optional<widgets::Translations> m_translations;  // once the program's folder is known
};

}  // namespace app
