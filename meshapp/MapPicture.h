#pragma once
// The map as a picture file, the legend above it: SVG or PNG, chosen by the name's ending. The
// file appears under its name only once it is whole; a failure leaves any file of that name as
// it was and says why.

#include <QString>

class QGraphicsScene;

namespace meshapp::picture {

enum class Format { Svg, Png };

// Svg for a name ending in .svg (any case), else Png.
Format formatOf(const QString& path);

// Empty when saved, else the reason.
QString save(QGraphicsScene& map, const QString& path);

}  // namespace meshapp::picture
