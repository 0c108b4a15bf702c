#pragma once
// An editable list selects what its field shows. Text the user types that names one of the
// entries selects that entry; any other text leaves the list with no selection. The change
// runs the same handlers as a choice from the drop-down, so a typed-over list is read as
// having no selected entry rather than the one it had before.

#include <QObject>

class QComboBox;
class QString;

namespace widgets {

class TypedSelection : public QObject {
    Q_OBJECT

  public:
    // Owned by the list.
    static void attach(QComboBox& list);

    // The entry the text names, -1 for none: the entry itself, or an entry whose name is
    // followed by a description in parentheses ("COM33" names "COM33 (/dev/ttyUSB0)").
    static int entryNamedBy(const QComboBox& list, const QString& text);

  private:
    explicit TypedSelection(QComboBox& list);
    void follow(const QString& text);

    QComboBox& m_list;
};

}  // namespace widgets
