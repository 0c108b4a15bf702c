#pragma once
// Tells from outside when a launcher's window is on screen: once the window's first expose
// has been handled (the window is mapped and painted), prints "shown <ns>" with the
// CLOCK_MONOTONIC time on stdout and closes the window, which ends its exec().

#include <QObject>

class QDialog;

class ShownProbe : public QObject {
  public:
    explicit ShownProbe(QDialog& window);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void report();

    QDialog& m_window;
    bool m_exposed = false;
};
