#pragma once
// Pictures of the mesh window: the example lab and a 60-node grid, both surveyed from the
// simulator's lab, with the first fault selected and a module's details shown; and the map of
// the example lab as saved.

#include <QString>

// Returns 0 when the PNG was written.
int renderMeshLabShot(const QString& pngPath);
int renderMeshGridShot(const QString& pngPath);
int renderMeshPictureShot(const QString& path);  // the saved map: .svg or .png
// The real window surveying the example lab running in qz470-sim, each module having sent once.
int renderMeshLiveShot(const QString& pngPath);
