#include "Recu.h"

#include "CodeBarres.h"
#include "Exportation.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include "Montant.h"

#include <QPdfWriter>
#include <QSaveFile>

namespace Rapports {

namespace {
// The receipt's amounts as every page writes them: "1 234,56 $".
QString TexteMontant(::Montant v) { return v.Texte(); }
}  // namespace

bool PeindreRecu(const Recu& r, QPagedPaintDevice& appareil) {
    QPainter p;
    if (!p.begin(&appareil)) return false;
    const qreal point = appareil.logicalDpiY() / 72.0;
    const qreal largeur = appareil.width();
    QFont normal(QStringLiteral("DejaVu Sans"));
    normal.setPointSizeF(10);
    QFont gras = normal;
    gras.setBold(true);
    QFont titre = gras;
    titre.setPointSizeF(16);
    qreal y = 0;
    auto ecrire = [&](const QFont& f, const QString& texte, Qt::Alignment alignement = Qt::AlignLeft, qreal gauche = 0,
                      qreal large = -1) {
        p.setFont(f);
        const QFontMetricsF m(f, &appareil);
        const QRectF zone(gauche, y, large < 0 ? largeur - gauche : large, largeur);
        const QRectF pris = m.boundingRect(zone, static_cast<int>(alignement) | Qt::TextWordWrap, texte);
        p.drawText(QRectF(gauche, y, zone.width(), pris.height()), static_cast<int>(alignement) | Qt::TextWordWrap, texte);
        return pris.height();
    };
    if (!r.compagnie.isEmpty()) y += ecrire(titre, r.compagnie) + 4 * point;
    y += ecrire(gras, QStringLiteral("Reçu — commande n° %1").arg(r.numero)) + 2 * point;
    // The number again as bars under it: a reader at the door types it into the evening's search.
    const qreal hauteurBarres = 36 * point;
    if (PeindreCode128(p, QRectF(10 * point, y, std::min(largeur * 0.5, 160 * point), hauteurBarres), QString::number(r.numero)))
        y += hauteurBarres + 6 * point;
    y += ecrire(normal, QStringLiteral("Date : %1").arg(r.date));
    y += ecrire(normal, QStringLiteral("Client : %1").arg(r.client));
    if (!r.telephone.isEmpty()) y += ecrire(normal, QStringLiteral("Téléphone : %1").arg(r.telephone));
    if (!r.annulee.isEmpty()) y += ecrire(gras, QStringLiteral("Annulée le %1").arg(r.annulee));
    y += 8 * point;

    // Columns: play, date, children, adults, cost.
    const QList<qreal> parts{0.40, 0.20, 0.12, 0.12, 0.16};
    QList<qreal> x{0};
    for (qreal f : parts) x << x.last() + f * largeur;
    auto rangee = [&](const QStringList& cellules, const QFont& f) {
        qreal haut = 0;
        const qreal debut = y;
        for (int i = 0; i < cellules.size(); ++i) {
            y = debut;
            haut = std::max(haut, ecrire(f, cellules.at(i), i < 2 ? Qt::AlignLeft : Qt::AlignRight, x.at(i) + 2 * point,
                                         x.at(i + 1) - x.at(i) - 4 * point));
        }
        y = debut + haut + 2 * point;
    };
    rangee({QStringLiteral("Pièce"), QStringLiteral("Représentation"), QStringLiteral("Enfants"), QStringLiteral("Adultes"),
            QStringLiteral("Coûts")},
           gras);
    p.drawLine(QPointF(0, y), QPointF(largeur, y));
    y += 2 * point;
    for (const LigneRecu& l : r.lignes)
        rangee({l.aLaPorte ? l.piece + QStringLiteral(" (à la porte)") : l.piece, l.representation, QString::number(l.enfants),
                QString::number(l.adultes), TexteMontant(l.cout)},
               normal);
    p.drawLine(QPointF(0, y), QPointF(largeur, y));
    y += 6 * point;
    y += ecrire(normal, QStringLiteral("Forfaits : %1").arg(r.forfaits), Qt::AlignRight);
    y += ecrire(gras, QStringLiteral("Total : %1").arg(TexteMontant(r.total)), Qt::AlignRight);
    return p.end();
}

void ExporterRecuPdf(const Recu& recu, const QString& chemin) {
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly))
        throw ErreurSortie(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2").arg(chemin, fichier.errorString()));
    {
        QPdfWriter pdf(&fichier);
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("Reçu n° %1").arg(recu.numero));
        pdf.setCreator(QStringLiteral("Corvandelle"));
        if (!PeindreRecu(recu, pdf))
            throw ErreurSortie(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : le document PDF n'a pas pu être produit.").arg(chemin));
    }
    if (!fichier.commit())
        throw ErreurSortie(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2").arg(chemin, fichier.errorString()));
}

}  // namespace Rapports
