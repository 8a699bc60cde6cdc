#include "CodeBarres.h"

#include <QPainter>

#include <memory>
#include <zint.h>

namespace Rapports {

bool PeindreCode128(QPainter& peintre, const QRectF& zone, const QString& texte) {
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbole(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbole) return false;
    symbole->symbology = BARCODE_CODE128;
    symbole->show_hrt = 0;  // the number is printed above it in the receipt's own font
    symbole->whitespace_width = 10;  // the quiet zones readers need, inside the zone
    const QByteArray donnees = texte.toUtf8();
    if (ZBarcode_Encode_and_Buffer_Vector(symbole.get(), reinterpret_cast<const unsigned char*>(donnees.constData()),
                                          static_cast<int>(donnees.size()), 0) >= ZINT_ERROR)
        return false;
    const zint_vector* v = symbole->vector;
    if (!v || v->width <= 0 || v->height <= 0) return false;
    const qreal echelleX = zone.width() / v->width;
    const qreal echelleY = zone.height() / v->height;
    peintre.save();
    peintre.setPen(Qt::NoPen);
    peintre.setBrush(Qt::black);
    for (const zint_vector_rect* r = v->rectangles; r; r = r->next)
        peintre.drawRect(QRectF(zone.left() + r->x * echelleX, zone.top() + r->y * echelleY, r->width * echelleX,
                                r->height * echelleY));
    peintre.restore();
    return true;
}

}  // namespace Rapports
