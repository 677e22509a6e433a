#pragma once

#include "pellium/Footprint.h"

#include <QString>
#include <QStringList>

#include <functional>

// Looks up each name's drawing (name + ".dra") on the project's footprint
// search path and pools the hits: none gives a message, one opens it in the
// PCB editor, several go to the "Location" chooser.
void ViewFootprintDrawing(const QStringList& names, const QString& strProjectPath,
                          PROPERTY_NAMES nKind);

// Opens one drawing for the viewing flow and the chooser: OpenFootprintDrawing
// unless a test or a scripted host has put an opener in its place.
int OpenFootprintLocation(const QString& strPath);

using FootprintOpener = std::function<int(const QString& strPath)>;
// Installs an opener (an empty one restores OpenFootprintDrawing); returns the old one.
FootprintOpener SetFootprintOpener(FootprintOpener opener);
