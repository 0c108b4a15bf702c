#include "ActivityLog.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <iomanip>
#include <locale>
#include <sstream>

namespace app {

namespace {

constexpr int kTextMargin = 4;

QRgb sideColor(LogSide side) {
    return side == LogSide::Sent ? kSentFrameColor : kReceivedFrameColor;
}

std::int64_t now() {
    return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

QString logTimestamp(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local)) return {};
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::put_time(&local, "%Y-%m-%d %X");
    return out.fail() ? QString() : QString::fromStdString(out.str());
}

QString logTimestampSuffix() {
    return QLatin1Char('(') + logTimestamp(std::time(nullptr)) + QLatin1Char(')');
}

ActivityLog::ActivityLog(QWidget* parent)
    : QAbstractScrollArea(parent), m_color(palette().color(QPalette::Text).rgb()) {
    QFont face = font();
    face.setPointSize(kLogPointSize);
    face.setWeight(QFont::Normal);
    setFont(face);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);
    updateScrollBars();
}

void ActivityLog::setColor(QRgb color) {
    m_color = color;
}

void ActivityLog::append(const QString& line) {
    m_lines.append(now(), m_color, line);
    lineAdded(line);
}

void ActivityLog::appendFrame(LogSide side, proto::Bytes frame) {
    setColor(sideColor(side));
    const auto direction =
        side == LogSide::Sent ? LogLines::Direction::Sent : LogLines::Direction::Received;
    m_lines.appendFrame(now(), m_color, direction, frame);
    lineAdded(m_lines.text(m_lines.size() - 1));
}

void ActivityLog::appendLine(LogSide side, const QString& line) {
    setColor(sideColor(side));
    append(line);
}

void ActivityLog::lineAdded(const QString& shown) {
    const int width = fontMetrics().horizontalAdvance(shown) + 2 * kTextMargin;
    if (width > m_widest) m_widest = width;
    updateScrollBars();
    scrollToEndLater();
}

void ActivityLog::clear() {
    m_lines.clear();
    m_anchor = m_current = -1;
    m_widest = 0;
    updateScrollBars();
    viewport()->update();
}

void ActivityLog::copyAll() {
    selectAll();
    QGuiApplication::clipboard()->setText(allText());
}

void ActivityLog::copySelection() const {
    if (selection()) QGuiApplication::clipboard()->setText(selectedText());
}

void ActivityLog::selectAll() {
    selectLines(0, static_cast<qsizetype>(m_lines.size()) - 1);
}

void ActivityLog::selectLines(qsizetype anchor, qsizetype current) {
    m_anchor = anchor;
    m_current = current;
    viewport()->update();
}

QString ActivityLog::allText() const {
    return m_lines.joined(0, m_lines.size() - 1);
}

std::optional<std::pair<qsizetype, qsizetype>> ActivityLog::selection() const {
    if (m_anchor < 0 || m_current < 0) return std::nullopt;
    return std::minmax(m_anchor, m_current);
}

QString ActivityLog::selectedText() const {
    const auto range = selection();
    return range ? m_lines.joined(range->first, range->second) : QString();
}

int ActivityLog::rowHeight() const {
    return fontMetrics().lineSpacing();
}

int ActivityLog::rowsInView() const {
    return std::max(1, viewport()->height() / rowHeight());
}

// The vertical bar counts lines, so a million lines scroll as easily as ten.
void ActivityLog::updateScrollBars() {
    const qsizetype count = static_cast<qsizetype>(m_lines.size());
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(rowsInView());
    vertical->setRange(0, static_cast<int>(std::max<qsizetype>(0, count - rowsInView())));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, m_widest - viewport()->width()));
}

// The scroll is posted so a burst of lines is not slowed by it; one pending scroll serves
// every line appended before it runs.
void ActivityLog::scrollToEndLater() {
    if (m_scrollPending) return;
    m_scrollPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_scrollPending = false;
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
            viewport()->update();
        },
        Qt::QueuedConnection);
}

qsizetype ActivityLog::lineAt(int y) const {
    const qsizetype line = verticalScrollBar()->value() + y / rowHeight();
    return y >= 0 && line < static_cast<qsizetype>(m_lines.size()) ? line : -1;
}

qsizetype ActivityLog::nearestLineAt(int y) const {
    const qsizetype last = static_cast<qsizetype>(m_lines.size()) - 1;
    const qsizetype line = lineAt(std::max(0, y));
    return line < 0 ? last : line;
}

void ActivityLog::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int height = rowHeight();
    const int ascent = fontMetrics().ascent();
    const int left = kTextMargin - horizontalScrollBar()->value();
    const auto range = selection();
    const qsizetype first = verticalScrollBar()->value();
    const qsizetype end = std::min<qsizetype>(static_cast<qsizetype>(m_lines.size()),
                                              first + viewport()->height() / height + 1);
    for (qsizetype line = first; line < end; ++line) {
        const int top = static_cast<int>(line - first) * height;
        const bool selected = range && line >= range->first && line <= range->second;
        if (selected) {
            painter.fillRect(0, top, viewport()->width(), height, palette().highlight());
            painter.setPen(palette().color(QPalette::HighlightedText));
        } else {
            painter.setPen(QColor::fromRgb(m_lines.color(line)));
        }
        painter.drawText(left, top + ascent, m_lines.text(line));
    }
}

void ActivityLog::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ActivityLog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    const qsizetype line = nearestLineAt(event->position().toPoint().y());
    if (line < 0) return;
    const bool extend = (event->modifiers() & Qt::ShiftModifier) && m_anchor >= 0;
    selectLines(extend ? m_anchor : line, line);
}

// Dragging past the top or bottom edge scrolls the selection on.
void ActivityLog::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || m_anchor < 0) return;
    const int y = event->position().toPoint().y();
    QScrollBar* vertical = verticalScrollBar();
    if (y < 0) vertical->setValue(vertical->value() - 1);
    if (y >= viewport()->height()) vertical->setValue(vertical->value() + 1);
    selectLines(m_anchor, nearestLineAt(std::min(y, viewport()->height() - 1)));
}

void ActivityLog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        copySelection();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

bool ActivityLog::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const qsizetype line = lineAt(help->pos().y());
        const std::string words = line < 0 ? std::string() : m_lines.frameInWords(line);
        if (words.empty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), QString::fromStdString(words), viewport());
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace app
