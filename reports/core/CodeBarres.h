// A Code 128 barcode (what every handheld reader at a door reads), drawn by libzint.
#pragma once

#include <QRectF>
#include <QString>

class QPainter;

namespace Rapports {

// Paints the bars of texte in zone (black on what is there; the quiet zones are the caller's
// margin). False when the library refuses the text.
bool PeindreCode128(QPainter& peintre, const QRectF& zone, const QString& texte);

}  // namespace Rapports
