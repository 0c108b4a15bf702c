#pragma once
// The log's own menu: copy all, clear all, save all. Saving asks where, starting from a name
// with the date and time in the home folder; a failure leaves no file under the chosen name
// and the log as it was, and a box says why.

#include <QString>
#include <functional>

class QMenu;
class QWidget;

namespace app {

class ActivityLog;

class LogMenu {
  public:
    // Asks where to save the log, starting from the suggested path; empty when cancelled.
    using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    LogMenu(ActivityLog& log, QWidget& window);

    void popup();
    void copyAll();
    void clearAll();
    void saveAll();
    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseSaveFile = std::move(chooser); }
    QMenu* menu() const { return m_menu; }

  private:
    ActivityLog& m_log;
    QWidget& m_window;
    QMenu* m_menu = nullptr;  // made when first shown
    SaveFileChooser m_chooseSaveFile;
};

}  // namespace app
