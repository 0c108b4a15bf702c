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
// The real window at its own size after a short delivery test on every pair of the example lab
// in qz470-sim: OUT.png, the window at 1600x1000 beside it (OUT-1600x1000.png) and the results as
// saved (OUT.csv, OUT-latency.png, OUT-histogram.png).
int renderMeshDeliveryShot(const QString& pngPath);
// The real window following a running watcher (MESHCFG_FOLLOW, else http://127.0.0.1:9470) once
// it has drawn the watcher's mesh, or after 20 s with what it says.
int renderMeshFollowShot(const QString& pngPath);
