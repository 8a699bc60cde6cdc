#include "PageFermeture.h"

#include "Exportation.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace Rapports {

QString TexteCentimes(qint64 centimes) {
    const QLocale locale;
    const QString signe = centimes < 0 ? locale.negativeSign() : QString();
    const qint64 absolu = centimes < 0 ? -centimes : centimes;
    return QStringLiteral("%1%2%3%4 $")
        .arg(signe, locale.toString(absolu / 100), locale.decimalPoint())
        .arg(absolu % 100, 2, 10, QLatin1Char('0'));
}

QStringList LignesFermeture(const PageFermeture& page) {
    const modBD::FermetureCaisse& f = page.fermeture;
    QStringList l;
    l << QStringLiteral("Représentation : %1 — %2").arg(f.piece, f.dateRepresentation)
      << QStringLiteral("Poste : %1").arg(f.poste) << QStringLiteral("Fermée le : %1").arg(f.dateFermeture) << QString()
      << QStringLiteral("Comptage des espèces");
    if (const std::optional<modBD::Comptage> c = modBD::Comptage::DepuisDetail(f.detail)) {
        for (size_t i = 0; i < modBD::kCoupures.size(); ++i)
            l << QStringLiteral("   %1 $ × %2 = %3")
                     .arg(modBD::TexteCoupure(modBD::kCoupures.at(i)))
                     .arg(c->nombres.at(i))
                     .arg(TexteCentimes(c->nombres.at(i) * modBD::kCoupures.at(i)));
    }
    l << QString() << QStringLiteral("Fonds de caisse : %1").arg(TexteCentimes(f.fondCaisse))
      << QStringLiteral("Espèces attendues : %1").arg(TexteCentimes(f.especesAttendues))
      << QStringLiteral("Espèces comptées : %1").arg(TexteCentimes(f.especesComptees))
      << QStringLiteral("Écart : %1").arg(TexteCentimes(f.ecart));
    if (page.arrondi) l << QStringLiteral("Arrondi des espèces : %1").arg(TexteCentimes(*page.arrondi));
    l << QStringLiteral("Carte : %1").arg(TexteCentimes(f.carte)) << QStringLiteral("Chèque : %1").arg(TexteCentimes(f.cheque))
      << QStringLiteral("Autre : %1").arg(TexteCentimes(f.autre));
    if (!f.commentaire.isEmpty()) l << QStringLiteral("Commentaire : %1").arg(f.commentaire);
    return l;
}

bool PeindreFermeture(const PageFermeture& page, QPagedPaintDevice& appareil) {
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
    const auto ecrire = [&](const QFont& f, const QString& texte) {
        p.setFont(f);
        const QFontMetricsF m(f, &appareil);
        const QRectF pris = m.boundingRect(QRectF(0, y, largeur, largeur), Qt::TextWordWrap, texte.isEmpty() ? QStringLiteral(" ") : texte);
        p.drawText(QRectF(0, y, largeur, pris.height()), Qt::TextWordWrap, texte);
        y += pris.height();
    };
    if (!page.compagnie.isEmpty()) ecrire(titre, page.compagnie);
    y += 4 * point;
    ecrire(titre, QStringLiteral("Fermeture de caisse n° %1").arg(page.fermeture.noFermeture));
    y += 6 * point;
    for (const QString& ligne : LignesFermeture(page))
        ecrire(ligne.startsWith(QStringLiteral("Écart")) || ligne.startsWith(QStringLiteral("Comptage")) ? gras : normal, ligne);
    y += 40 * point;
    const qreal moitie = largeur / 2;
    p.drawLine(QPointF(0, y), QPointF(moitie - 20 * point, y));
    p.drawLine(QPointF(moitie + 20 * point, y), QPointF(largeur, y));
    p.setFont(normal);
    p.drawText(QRectF(0, y + 2 * point, moitie, 20 * point), QStringLiteral("Signature du préposé"));
    p.drawText(QRectF(moitie + 20 * point, y + 2 * point, moitie, 20 * point), QStringLiteral("Signature du témoin"));
    if (!page.journal.isEmpty()) {
        y += 40 * point;
        ecrire(normal, page.journal);
    }
    return p.end();
}

void ExporterFermeturePdf(const PageFermeture& page, const QString& chemin) {
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly))
        throw ErreurSortie(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2").arg(chemin, fichier.errorString()));
    {
        QPdfWriter pdf(&fichier);
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("Fermeture de caisse n° %1").arg(page.fermeture.noFermeture));
        pdf.setCreator(QStringLiteral("Corvandelle"));
        if (!PeindreFermeture(page, pdf))
            throw ErreurSortie(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : le document PDF n'a pas pu être produit.").arg(chemin));
    }
    if (!fichier.commit())
        throw ErreurSortie(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2").arg(chemin, fichier.errorString()));
}

}  // namespace Rapports
