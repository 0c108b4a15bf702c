#pragma once
// A drop-down's field whose entry is wider than the field ("COM150 (rfc2217://bench-3:3333)")
// shows the entry's start, where the COM name is, and an ellipsis for what follows, whatever
// part of the text the field had scrolled to. While the user types in it, it is a plain field.

#include <QObject>
#include <QRect>
#include <QString>

class QLineEdit;

namespace widgets {

class ElidedField : public QObject {
  public:
    // Owned by the field.
    static void attach(QLineEdit& field);
    // What the field shows while the user is not typing in it.
    static QString visibleText(const QLineEdit& field);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit ElidedField(QLineEdit& field);
    static QRect textArea(const QLineEdit& field);
    QLineEdit& m_field;
};

}  // namespace widgets
