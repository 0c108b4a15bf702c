#pragma once
// What the main window does as a dialog, apart from its controls: it is centred when shown,
// Enter presses the focused button (anywhere else it ends the dialog, as Esc does), and F1 or
// the menu of its background opens About, and starts the mesh window beside this program.

#include <QDialog>
#include <functional>

namespace app {

class AppDialog : public QDialog {
    Q_OBJECT

  public:
    // Starts a program on its own, not waiting for it; false when it cannot be started.
    using ProgramStarter = std::function<bool(const QString& program)>;

    explicit AppDialog(QWidget* parent = nullptr);

    void showAbout();
    // meshcfg-mesh from this program's folder; a box says so when it cannot be started.
    void startMeshMap();
    void setProgramStarter(ProgramStarter starter) { m_startProgram = std::move(starter); }

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    ProgramStarter m_startProgram;
};

}  // namespace app
