#pragma once
// Pictures of the two route display windows, filled with a small mesh, for the README.

#include <QString>

// A route list window with three rows. Returns 0 when the PNG was written.
int renderRouteWindowShot(const QString& pngPath);

// A path window with five nodes. Returns 0 when the PNG was written.
int renderPathWindowShot(const QString& pngPath);
