#include "LogLines.h"

#include "ActivityLog.h"

namespace {

constexpr QLatin1StringView kDumpStart("> ");

int hexDigit(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

// The bytes of a line made exactly as proto::hexDump makes it ("> " then "%02X " per byte),
// so that writing them out again gives the same line; false for any other line.
bool dumpBytes(const QString& text, std::string& out) {
    if (!text.startsWith(kDumpStart) || (text.size() - kDumpStart.size()) % 3 != 0) return false;
    const std::size_t start = out.size();
    for (qsizetype i = kDumpStart.size(); i < text.size(); i += 3) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0 || text[i + 2] != u' ') {
            out.resize(start);
            return false;
        }
        out.push_back(static_cast<char>(high << 4 | low));
    }
    return true;
}

}  // namespace

void LogLines::append(std::int64_t timeMs, QRgb color, const QString& text) {
    const std::size_t offset = m_bytes.size();
    const bool isDump = dumpBytes(text, m_bytes);
    if (!isDump) m_bytes += text.toStdString();
    m_records.push_back({.offset = offset,
                         .rgb = color & RGB_MASK,
                         .timeMs = static_cast<std::uint64_t>(timeMs),
                         .isDump = isDump});
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
    if (m_records[line].isDump) return QString::fromStdString(proto::hexDump(frame(line)));
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
    if (!m_records[line].isDump) return Direction::Note;
    return color(line) == kSentFrameColor ? Direction::Sent : Direction::Received;
}

proto::Bytes LogLines::frame(std::size_t line) const {
    if (!m_records[line].isDump) return {};
    const std::string_view bytes = bytesOf(line);
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

std::string LogLines::frameInWords(std::size_t line) const {
    switch (direction(line)) {
        case Direction::Sent:
            return proto::describeFrames(frame(line), proto::Direction::Sent);
        case Direction::Received:
            return proto::describeFrames(frame(line), proto::Direction::Received);
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
