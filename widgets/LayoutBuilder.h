#pragma once
// The one builder that turns a dialog layout table into widgets, converting dialog units
// with the metrics of the dialog font.

#include <QHash>
#include <QWidget>
#include <functional>

#include "DialogTemplate.h"

class QDialog;

namespace widgets {

// Dialog units to pixels for one font: x * avgCharWidth / 4, y * charHeight / 8.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    // The desktop's face can be wider for its average than the layout's own face was; one
    // more pixel of average width at a time until the text fits.
    void widen() { ++m_avgCharWidth; }
    int x(int du) const { return du * m_avgCharWidth / 4; }
    int y(int du) const { return du * m_charHeight / 8; }
    QRect rect(int x, int y, int w, int h) const;

  private:
    int m_avgCharWidth = 0;
    int m_charHeight = 0;
};

// Controls of one built dialog by id; static texts without id are not kept.
class DialogControls {
  public:
    void insert(int id, QWidget* widget) { m_byId.insert(id, widget); }
    QWidget* find(int id) const { return m_byId.value(id, nullptr); }
    template <class W>
    W* get(int id) const {
        return qobject_cast<W*>(find(id));
    }

  private:
    QHash<int, QWidget*> m_byId;
};

// Makes the widget for a control that needs a class of its own (for example a node badge);
// returns nullptr to let the builder make the standard widget for the control's kind.
using WidgetFactory = std::function<QWidget*(const layout::ControlTemplate&, QWidget* parent)>;

// Builds every control of the template on dialog in the template's order (which is also the
// tab order), sets the caption, the dialog font and the fixed client size.
DialogControls buildDialog(const layout::DialogTemplate& dialogTemplate, QDialog& dialog,
                           const WidgetFactory& factory = {});

// The dialog font: the desktop's default sans face at the template's point size.
QFont dialogFont(int points);

// Moves a top-level window to the centre of its screen.
void centreOnScreen(QWidget& window);

}  // namespace widgets
