#pragma once
// The log saved to a file: the text copy all gives, one line feed after each line, or, for a
// name ending in .csv, one row per line with its time, direction, frame and the frame in
// words. The file appears under its name only once it is whole.

#include <QString>

namespace app {

class LogLines;

// The reason writing failed; empty when the file was saved.
QString saveLog(const LogLines& lines, const QString& path);

}  // namespace app
