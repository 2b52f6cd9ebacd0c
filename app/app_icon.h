// The application icon: a sine wave over a dark rounded tile, with the
// silhouette of a folded file corner. Drawn in code so that every size is sharp
// and the window icon, the About box and the installed icon files agree.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

QImage paintAppIcon(int size);
QIcon appIcon();

// Writes the icon theme tree (hicolor/NxN/apps/veltrane.png) under directory.
bool writeAppIconFiles(const QString& directory);
