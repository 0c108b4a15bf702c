#pragma once
// The digits-only style and the text limit of an edit field. Both apply to typing only:
// text the program sets (a setup reply writes "434.00" into the 3-character frequency field)
// and pasted text stay whole, which a validator or a maximum length would not allow.

#include <QObject>

namespace app {

class TypingFilter : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    void bind(QWidget* edit);
    void setDigitsOnly(bool digitsOnly) { m_digitsOnly = digitsOnly; }
    void setTextLimit(int limit) { m_limit = limit; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool refuses(const QObject* field, const QString& typed) const;

    bool m_digitsOnly = false;
    int m_limit = 0;  // 0: no limit
};

}  // namespace app
