#include "Surface.h"

#include <QGlyphRun>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

namespace Rapports {

namespace {

// The glyphs of a cell's text laid out once per text and type: a long report repeats the same
// names and numbers thousands of times, and laying a text out costs more than drawing it. A
// text is placed as drawText places one line at the top of its box, left or right.
class TextesPoses {
public:
    // False when the text does not fit on one line of the box: the caller draws it itself.
    bool dessiner(QPainter& p, const QFont& police, bool gras, const QRectF& zone, bool aDroite, const QString& texte) {
        QHash<QString, Pose>& poses = m_poses[gras ? 1 : 0];
        auto pose = poses.constFind(texte);
        if (pose == poses.cend()) {
            if (poses.size() > 100000) poses.clear();  // a bound on the memory, whatever the report
            QTextLayout mise(texte, police, p.device());
            mise.beginLayout();
            QTextLine ligne = mise.createLine();
            ligne.setPosition(QPointF(0, 0));
            mise.endLayout();
            pose = poses.insert(texte, Pose{mise.glyphRuns(), ligne.horizontalAdvance()});
        }
        if (pose->avance > zone.width()) return false;
        const QPointF origine(aDroite ? zone.right() - pose->avance : zone.left(), zone.top());
        for (const QGlyphRun& glyphes : pose->glyphes) p.drawGlyphRun(origine, glyphes);
        return true;
    }

private:
    struct Pose {
        QList<QGlyphRun> glyphes;
        qreal avance = 0;
    };
    QHash<QString, Pose> m_poses[2];
};

class Peintre final : public Surface {
public:
    explicit Peintre(QPagedPaintDevice& appareil) : m_appareil(appareil) {}
    bool commencer() override { return m_p.begin(&m_appareil); }
    void pageSuivante() override { m_appareil.newPage(); }
    void texte(const QRectF& zone, int drapeaux, const QString& texte, const QFont& police, const QColor& couleur) override {
        m_p.setFont(police);
        m_p.setPen(couleur);
        m_p.drawText(zone, drapeaux, texte);
    }
    bool ligne(const QRectF& zone, bool aDroite, const QString& texte, const QFont& police, const QColor& couleur) override {
        m_p.setPen(couleur);
        return m_poses.dessiner(m_p, police, police.bold(), zone, aDroite, texte);
    }
    void remplir(const QRectF& zone, const QColor& couleur) override { m_p.fillRect(zone, couleur); }
    void cadre(const QRectF& zone, const QColor& couleur, qreal epaisseur) override {
        m_p.setPen(QPen(couleur, epaisseur));
        m_p.drawRect(zone);
    }
    void traits(const QList<QLineF>& traits, const QColor& couleur, qreal epaisseur) override {
        m_p.setPen(QPen(couleur, epaisseur));
        m_p.drawLines(traits);
    }
    void image(const QRectF& zone, const QImage& image) override { m_p.drawImage(zone, image); }

private:
    QPagedPaintDevice& m_appareil;
    QPainter m_p;
    TextesPoses m_poses;
};

}  // namespace

std::unique_ptr<Surface> SurfacePeintre(QPagedPaintDevice& appareil) { return std::make_unique<Peintre>(appareil); }

}  // namespace Rapports
