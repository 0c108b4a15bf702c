#include "LogLines.h"

namespace app {

void LogLines::append(std::int64_t timeMs, QRgb color, const QString& text) {
    const std::size_t offset = m_bytes.size();
    m_bytes += text.toStdString();
    appendRecord(offset, timeMs, color, Direction::Note);
}

void LogLines::appendFrame(std::int64_t timeMs, QRgb color, Direction direction,
                           proto::Bytes frame) {
    const std::size_t offset = m_bytes.size();
    m_bytes.append(reinterpret_cast<const char*>(frame.data()), frame.size());
    appendRecord(offset, timeMs, color, direction);
}

void LogLines::appendRecord(std::size_t offset, std::int64_t timeMs, QRgb color,
                            Direction direction) {
    m_records.push_back({.offset = offset,
                         .rgb = color & RGB_MASK,
                         .timeMs = static_cast<std::uint64_t>(timeMs),
                         .direction = static_cast<std::uint64_t>(direction)});
}

void LogLines::clear() {
    m_records = {};
    m_bytes = {};
}

std::string_view LogLines::bytesOf(std::size_t line) const {
    const std::size_t begin = m_records[line].offset;
    const std::size_t end =
        line + 1 < m_records.size() ? m_records[line + 1].offset : m_bytes.size();
    return std::string_view(m_bytes).substr(begin, end - begin);
}

QString LogLines::text(std::size_t line) const {
    if (direction(line) != Direction::Note)
        return QString::fromStdString(proto::hexDump(frame(line)));
    const std::string_view bytes = bytesOf(line);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QRgb LogLines::color(std::size_t line) const {
    return qRgb(0, 0, 0) | static_cast<QRgb>(m_records[line].rgb);
}

std::int64_t LogLines::timeMs(std::size_t line) const {
    return static_cast<std::int64_t>(m_records[line].timeMs);
}

LogLines::Direction LogLines::direction(std::size_t line) const {
    return static_cast<Direction>(m_records[line].direction);
}

proto::Bytes LogLines::frame(std::size_t line) const {
    if (direction(line) == Direction::Note) return {};
    const std::string_view bytes = bytesOf(line);
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

std::string LogLines::frameInWords(std::size_t line) const {
    switch (direction(line)) {
        case Direction::Sent:
            return forms::describeFrames(frame(line), forms::Direction::Sent);
        case Direction::Received:
            return forms::describeFrames(frame(line), forms::Direction::Received);
        case Direction::Note:
            break;
    }
    return {};
}

QString LogLines::joined(std::size_t first, std::size_t last) const {
    QString all;
    for (std::size_t line = first; line <= last && line < size(); ++line) {
        all += text(line);
        all += u'\n';
    }
    return all;
}

}  // namespace app
