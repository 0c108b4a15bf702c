#pragma once
// The lines of the activity log as they are kept: a few bytes each, whatever the window shows.
// A frame's line keeps only the frame's bytes and its direction, and is written out as a hex
// dump when shown; any other line keeps its text. The lines are never trimmed; clear() gives
// their memory back.

#include <QRgb>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FrameDescription.h"

namespace app {

class LogLines {
  public:
    // Which way a line's frame went; a line of text is a note.
    enum class Direction { Sent, Received, Note };

    void append(std::int64_t timeMs, QRgb color, const QString& text);
    void appendFrame(std::int64_t timeMs, QRgb color, Direction direction, proto::Bytes frame);
    void clear();

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }

    QString text(std::size_t line) const;  // as the log shows it
    QRgb color(std::size_t line) const;
    std::int64_t timeMs(std::size_t line) const;
    Direction direction(std::size_t line) const;
    // The frame of a frame's line; empty for a note.
    proto::Bytes frame(std::size_t line) const;
    // The frame in words; empty for a note.
    std::string frameInWords(std::size_t line) const;

    // Lines first to last (inclusive), each ended by a line feed.
    QString joined(std::size_t first, std::size_t last) const;

  private:
    // 16 bytes a line; the line's bytes start at offset in m_bytes and end where the next
    // line's start.
    struct Record {
        std::uint64_t offset : 40;
        std::uint64_t rgb : 24;
        std::uint64_t timeMs : 62;
        std::uint64_t direction : 2;
    };
    static_assert(sizeof(Record) == 16);

    std::string_view bytesOf(std::size_t line) const;
    void appendRecord(std::size_t offset, std::int64_t timeMs, QRgb color, Direction direction);

    std::vector<Record> m_records;
    std::string m_bytes;  // frames as bytes, other lines as UTF-8
};

}  // namespace app
