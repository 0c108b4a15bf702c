#include "LogFile.h"

#include <QDateTime>
#include <QSaveFile>

#include "CsvCell.h"
#include "LogLines.h"

namespace app {

namespace {

// One write per this many characters of text keeps a million lines out of one big string.
constexpr qsizetype kFlushChars = 1 << 16;

QString csvField(const QString& value) {
    return QString::fromStdString(forms::csvTextCell(value.toStdString()));
}

// Local time with its offset, so rows from both sides of a clock change stay in order.
QString isoLocalTime(std::int64_t timeMs) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(timeMs);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString directionName(LogLines::Direction direction) {
    switch (direction) {
        case LogLines::Direction::Sent:
            return QStringLiteral("sent");
        case LogLines::Direction::Received:
            return QStringLiteral("received");
        case LogLines::Direction::Note:
            break;
    }
    return QStringLiteral("note");
}

QString csvRow(const LogLines& lines, std::size_t line) {
    const proto::Bytes frame = lines.frame(line);
    const QString hex = QByteArray(reinterpret_cast<const char*>(frame.data()),
                                   static_cast<qsizetype>(frame.size()))
                            .toHex(' ')
                            .toUpper();
    return isoLocalTime(lines.timeMs(line)) + u',' + directionName(lines.direction(line)) + u',' +
           hex + u',' + csvField(lines.text(line)) + u',' +
           csvField(QString::fromStdString(lines.frameInWords(line))) + u'\n';
}

bool writeOut(QSaveFile& file, QString& pending) {
    const bool written = file.write(pending.toUtf8()) >= 0;
    pending.clear();
    return written;
}

}  // namespace

QString saveLog(const LogLines& lines, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    QString pending =
        csv ? QStringLiteral("time,direction,frame,text,frame in words\n") : QString();
    for (std::size_t line = 0; line < lines.size(); ++line) {
        pending += csv ? csvRow(lines, line) : lines.joined(line, line);
        if (pending.size() >= kFlushChars && !writeOut(file, pending)) return file.errorString();
    }
    if (!writeOut(file, pending)) return file.errorString();
    return file.commit() ? QString() : file.errorString();
}

}  // namespace app
