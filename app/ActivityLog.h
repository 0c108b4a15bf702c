#pragma once
// The activity log: coloured lines appended at the end of a read-only text pane. The colour
// set last applies to the lines appended after it; text already there keeps its colour,
// whatever the user has selected.

#include <QRgb>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

class QTextEdit;

inline constexpr QRgb kSentFrameColor = qRgb(0, 0, 255);
inline constexpr QRgb kReceivedFrameColor = qRgb(160, 0, 100);
inline constexpr int kLogPointSize = 10;

class ActivityLog {
  public:
    void attach(QTextEdit* edit);
    void setColor(QRgb color);
    void append(const QString& line);
    void clear();
    void copyAll();
    QTextEdit* edit() const { return m_edit; }

  private:
    void scrollToEndLater();

    QTextEdit* m_edit = nullptr;
    QTextCharFormat m_format;
    bool m_scrollPending = false;
};
