#pragma once
// The activity log: coloured lines appended at the end, scrolled to the bottom after each,
// kept as compact records (LogLines) and drawn only where they are in view, so a week of
// continuous sending fits in memory. The colour set last applies to the lines appended after
// it; lines already there keep theirs. The user selects whole lines (click, shift+click, drag,
// Ctrl+A) and copies them with Ctrl+C; new lines never join or recolour the selection. A hex
// dump line's tooltip says its frame in words.

#include <QAbstractScrollArea>
#include <QRgb>
#include <QString>
#include <functional>
#include <optional>

#include "LogLines.h"

inline constexpr QRgb kSentFrameColor = qRgb(0, 0, 255);
inline constexpr QRgb kReceivedFrameColor = qRgb(160, 0, 100);
inline constexpr int kLogPointSize = 10;

class ActivityLog : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit ActivityLog(QWidget* parent = nullptr);

    void setColor(QRgb color);
    void append(const QString& line);
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

    // The time a line is stamped with; tests set their own.
    void setClock(std::function<std::int64_t()> clock) { m_clock = std::move(clock); }

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

    LogLines m_lines;
    QRgb m_color;
    qsizetype m_anchor = -1;
    qsizetype m_current = -1;
    int m_widest = 0;  // pixels of the widest line, for the horizontal scroll range
    bool m_scrollPending = false;
    std::function<std::int64_t()> m_clock;
};
