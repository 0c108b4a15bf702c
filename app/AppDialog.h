#pragma once
// What the main window does as a dialog, apart from its controls: it is centred when shown,
// Enter presses the focused button (anywhere else it ends the dialog, as Esc does), and F1 or
// the menu of its background opens About.

#include <QDialog>

class AppDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AppDialog(QWidget* parent = nullptr);

    void showAbout();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
