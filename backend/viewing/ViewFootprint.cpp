#include "ViewFootprint.h"

void ViewFootprintDrawing(const QStringList&, const QString&, PROPERTY_NAMES) {}
