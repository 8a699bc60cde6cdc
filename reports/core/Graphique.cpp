#include "Graphique.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QGraphicsScene>
#include <QPainter>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace Rapports {

QChart* CreerGraphique(const Tableau& ventes, const QString& nomPiece) {
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

    auto* setEnfants = new QBarSet(QStringLiteral("Billets enfant"));
    auto* setAdultes = new QBarSet(QStringLiteral("Billets adulte"));
    setEnfants->append(enfants);
    setAdultes->append(adultes);
    setEnfants->setColor(QColor(0xe0, 0x8e, 0x2b));
    setAdultes->setColor(QColor(0x2f, 0x5f, 0x8f));
    auto* serie = new QStackedBarSeries;
    serie->append(setEnfants);
    serie->append(setAdultes);

    auto* graphique = new QChart;
    graphique->addSeries(serie);
    graphique->setTitle(nomPiece.isEmpty() ? QStringLiteral("Billets vendus par pièce")
                                           : QStringLiteral("Billets vendus par représentation : %1").arg(nomPiece));
    graphique->setAnimationOptions(QChart::NoAnimation);
    auto* axeX = new QBarCategoryAxis;
    axeX->append(categories);
    if (categories.size() > 12) axeX->setLabelsAngle(-60);
    auto* axeY = new QValueAxis;
    axeY->setLabelFormat(QStringLiteral("%d"));
    axeY->setTitleText(QStringLiteral("Billets"));
    graphique->addAxis(axeX, Qt::AlignBottom);
    graphique->addAxis(axeY, Qt::AlignLeft);
    serie->attachAxis(axeX);
    serie->attachAxis(axeY);
    axeY->applyNiceNumbers();
    graphique->legend()->setAlignment(Qt::AlignBottom);
    return graphique;
}

QImage ImageGraphique(const Tableau& ventes, const QString& nomPiece, const QSize& taille) {
    // Laid out at half the size and drawn at twice the density: text keeps a readable size.
    const QSizeF logique = QSizeF(taille) / 2;
    QGraphicsScene scene;
    QChart* graphique = CreerGraphique(ventes, nomPiece);  // the scene owns it
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

}  // namespace Rapports
