#include "Graphique.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QGraphicsScene>
#include <QPainter>
#include <QHorizontalStackedBarSeries>
#include <QStackedBarSeries>

#include <algorithm>
#include <QValueAxis>

namespace Rapports {

namespace {

struct Barres {
    QStringList categories;
    QList<qreal> enfants, adultes;
};

Barres LireBarres(const Tableau& ventes, const QString& nomPiece) {
    // Column places in the sales table.
    constexpr int kPiece = 0, kRepresentation = 1, kEnfant = 3, kAdulte = 4;
    QStringList categories;
    QList<qreal> enfants, adultes;
    for (const Ligne& l : ventes.lignes) {
        if (l.type != Ligne::Type::Donnee) continue;
        const QString piece = l.cellules.value(kPiece).toString();
        if (!nomPiece.isEmpty() && piece != nomPiece) continue;
        const QString categorie = nomPiece.isEmpty() ? piece : l.cellules.value(kRepresentation).toString();
        // Rows come sorted by play: one play's rows are together.
        if (categories.isEmpty() || categories.last() != categorie) {
            categories << categorie;
            enfants << 0;
            adultes << 0;
        }
        enfants.last() += static_cast<qreal>(l.cellules.value(kEnfant).toLongLong());
        adultes.last() += static_cast<qreal>(l.cellules.value(kAdulte).toLongLong());
    }
    return {categories, enfants, adultes};
}

}  // namespace

int NombreBarres(const Tableau& ventes, const QString& nomPiece) {
    return static_cast<int>(LireBarres(ventes, nomPiece).categories.size());
}

QChart* CreerGraphique(const Tableau& ventes, const QString& nomPiece, int premier, int nombre) {
    const Barres tout = LireBarres(ventes, nomPiece);
    const bool couchees = tout.categories.size() > kBarresDebout;
    QStringList categories = tout.categories.mid(premier, nombre);
    QList<qreal> enfants = tout.enfants.mid(premier, nombre), adultes = tout.adultes.mid(premier, nombre);
    if (couchees) {
        // Lying bars are drawn from the bottom up: reversed, the first row of the table is on top.
        std::reverse(categories.begin(), categories.end());
        std::reverse(enfants.begin(), enfants.end());
        std::reverse(adultes.begin(), adultes.end());
    }

    auto* setEnfants = new QBarSet(QStringLiteral("Billets enfant"));
    auto* setAdultes = new QBarSet(QStringLiteral("Billets adulte"));
    setEnfants->append(enfants);
    setAdultes->append(adultes);
    setEnfants->setColor(QColor(0xe0, 0x8e, 0x2b));
    setAdultes->setColor(QColor(0x2f, 0x5f, 0x8f));
    QAbstractBarSeries* serie = couchees ? static_cast<QAbstractBarSeries*>(new QHorizontalStackedBarSeries)
                                         : static_cast<QAbstractBarSeries*>(new QStackedBarSeries);
    serie->append(setEnfants);
    serie->append(setAdultes);

    auto* graphique = new QChart;
    graphique->addSeries(serie);
    graphique->setTitle(nomPiece.isEmpty() ? QStringLiteral("Billets vendus par pièce")
                                           : QStringLiteral("Billets vendus par représentation : %1").arg(nomPiece));
    graphique->setAnimationOptions(QChart::NoAnimation);
    auto* axeX = new QBarCategoryAxis;
    axeX->append(categories);
    // Names are shown whole: lying bars give them their own room, upright ones slant them.
    axeX->setTruncateLabels(false);
    if (!couchees && categories.size() > 6) axeX->setLabelsAngle(-45);
    auto* axeY = new QValueAxis;
    axeY->setLabelFormat(QStringLiteral("%d"));
    axeY->setTitleText(QStringLiteral("Billets"));
    // Every slice of the chart on the same scale.
    qreal plusHaute = 1;
    for (qsizetype i = 0; i < tout.enfants.size(); ++i) plusHaute = std::max(plusHaute, tout.enfants.at(i) + tout.adultes.at(i));
    if (couchees) {
        graphique->addAxis(axeX, Qt::AlignLeft);
        graphique->addAxis(axeY, Qt::AlignBottom);
    } else {
        graphique->addAxis(axeX, Qt::AlignBottom);
        graphique->addAxis(axeY, Qt::AlignLeft);
    }
    serie->attachAxis(axeX);
    serie->attachAxis(axeY);
    axeY->setRange(0, plusHaute);
    axeY->applyNiceNumbers();
    graphique->legend()->setAlignment(Qt::AlignBottom);
    return graphique;
}

namespace {

QImage Dessiner(QChart* graphique, const QSize& taille) {
    // Laid out at half the size and drawn at twice the density: text keeps a readable size.
    const QSizeF logique = QSizeF(taille) / 2;
    QGraphicsScene scene;  // owns the chart
    scene.addItem(graphique);
    graphique->resize(logique);
    scene.setSceneRect(QRectF(QPointF(0, 0), logique));
    QImage image(taille, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter peintre(&image);
    peintre.setRenderHint(QPainter::Antialiasing);
    scene.render(&peintre, QRectF(QPointF(0, 0), QSizeF(taille)), scene.sceneRect());
    return image;
}

}  // namespace

QImage ImageGraphique(const Tableau& ventes, const QString& nomPiece, const QSize& taille) {
    return Dessiner(CreerGraphique(ventes, nomPiece), taille);
}

QList<QImage> ImagesGraphique(const Tableau& ventes, const QString& nomPiece, qreal largeur, qreal hauteurMax) {
    const int barres = NombreBarres(ventes, nomPiece);
    if (barres <= kBarresDebout) return {ImageGraphique(ventes, nomPiece, QSize(1200, 600))};
    // Lying bars, 36 image pixels each (a readable label at 1200 pixels across the page), and
    // as many of them per image as a page can hold.
    constexpr int kLargeur = 1200, kParBarre = 36, kCadre = 200;
    const int hauteurPage = static_cast<int>(hauteurMax * kLargeur / largeur);
    const int parImage = std::max(5, (hauteurPage - kCadre) / kParBarre);
    QList<QImage> images;
    for (int premier = 0; premier < barres; premier += parImage) {
        const int nombre = std::min(parImage, barres - premier);
        images << Dessiner(CreerGraphique(ventes, nomPiece, premier, nombre), QSize(kLargeur, kCadre + nombre * kParBarre));
    }
    return images;
}

}  // namespace Rapports
