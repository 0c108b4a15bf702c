#pragma once
// The activity log: coloured lines appended at the end, scrolled to the bottom after each,
// kept as compact records (LogLines) and drawn only where they are in view, so a week of
// continuous sending fits in memory. The colour set last applies to the lines appended after
// it; lines already there keep theirs. A frame or a line told with its side takes that side's
// colour, which then stays set. The user selects whole lines (click, shift+click, drag, Ctrl+A)
// and copies them with Ctrl+C; new lines never join or recolour the selection. A frame's line
// shows its hex dump, and its tooltip says the frame in words.

#include <QAbstractScrollArea>
#include <QRgb>
#include <QString>
#include <ctime>
#include <optional>

#include "LogLines.h"

namespace app {

inline constexpr QRgb kSentFrameColor = qRgb(0, 0, 255);
inline constexpr QRgb kReceivedFrameColor = qRgb(160, 0, 100);
inline constexpr int kLogPointSize = 10;

// Which side of the link a line tells of: requests going out, or what the module and the port
// report.
enum class LogSide { Sent, Received };

// The time a line ends with: "2024-05-06 12:03:27" in local time; empty when it has none.
QString logTimestamp(std::time_t time);
QString logTimestampSuffix();  // "(" + logTimestamp(now) + ")"

class ActivityLog : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit ActivityLog(QWidget* parent = nullptr);

    void setColor(QRgb color);
    void append(const QString& line);
    void appendFrame(LogSide side, proto::Bytes frame);
    void appendLine(LogSide side, const QString& line);
    void clear();

    // Selects every line and puts their text on the clipboard.
    void copyAll();
    void copySelection() const;
    void selectAll();
    void selectLines(qsizetype anchor, qsizetype current);

    const LogLines& lines() const { return m_lines; }
    QString allText() const;
    QString selectedText() const;
    // First and last selected line; nothing when no line is selected.
    std::optional<std::pair<qsizetype, qsizetype>> selection() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    qsizetype lineAt(int y) const;         // -1 where no line is
    qsizetype nearestLineAt(int y) const;  // the last line below the end; -1 with no line
    int rowHeight() const;
    int rowsInView() const;
    void updateScrollBars();
    void scrollToEndLater();
    void lineAdded(const QString& shown);

    LogLines m_lines;
    QRgb m_color;
    qsizetype m_anchor = -1;
    qsizetype m_current = -1;
    int m_widest = 0;  // pixels of the widest line, for the horizontal scroll range
    bool m_scrollPending = false;
};

}  // namespace app
