#pragma once
// The background menu of the route list and path windows: what the window shows as text on
// the clipboard, and the window as a picture in a PNG file. Saving asks where, starting from a
// name with the date and time in the home folder; a failure leaves the window as it was, and a
// box says why.

#include <QObject>
#include <QString>
#include <functional>

class QDialog;
class QMenu;
class QWidget;

namespace display {

class WindowMenu : public QObject {
    Q_OBJECT

  public:
    // Asks where to save the picture, starting from the suggested path; empty when cancelled.
    using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;

    // name: the start of the suggested file name ("meshcfg-route"). Owned by the window.
    WindowMenu(QDialog& window, QString name, std::function<QString()> asText);

    void copyAsText();
    void saveAsPng();
    QMenu* menu() const { return m_menu; }
    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseSaveFile = std::move(chooser); }

  private:
    QDialog& m_window;
    const QString m_name;
    const std::function<QString()> m_asText;
    QMenu* m_menu = nullptr;
    SaveFileChooser m_chooseSaveFile;
};

}  // namespace display
