#pragma once
// Guards what the user types into the id, data and relay fields: hexadecimal digits, space
// and backspace pass; every other character is refused with a beep and never reaches the
// field. Control characters count as characters, so Ctrl+V (0x16) in a single-line field is
// refused too; the multi-line data field performs Ctrl+C, V, X, Z and A itself. Text that
// arrives without typing (a paste) is not filtered.

#include <QObject>

namespace app {

class CEdit_Hex_Ex : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    // Attaches the filter to a QLineEdit or QTextEdit.
    void bind(QWidget* edit);

    static bool accepts(char16_t c);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace app
