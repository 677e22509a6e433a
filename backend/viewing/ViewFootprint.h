#pragma once

#include "Footprint.h"

#include <QString>
#include <QStringList>

// Looks up each name's drawing (name + ".dra") on the project's footprint
// search path and pools the hits: none gives a message, one opens it in the
// PCB editor, several go to the "Location" chooser.
void ViewFootprintDrawing(const QStringList& names, const QString& strProjectPath,
                          PROPERTY_NAMES nKind);
