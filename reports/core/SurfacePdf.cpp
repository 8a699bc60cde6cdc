#include "Surface.h"

#include <QFile>
#include <QFontMetricsF>
#include <QHash>
#include <QIODevice>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QStandardPaths>
#include <QTextLayout>

#include <hpdf.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cmath>
#include <tuple>
#include <vector>

namespace Rapports {

namespace {

// A text in Windows-1252, the single-byte encoding of the PDF's plain fonts: false when a
// character is not in it (the text then goes through the font's Unicode face).
bool EnWindows1252(const QString& texte, QByteArray& octets) {
    // 0x80 to 0x9F hold these characters instead of control codes; 0 where none.
    static constexpr char16_t kHaut[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                           0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                           0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    octets.resize(texte.size());
    char* o = octets.data();
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        if (u == 0) return false;  // libharu reads C strings
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *o++ = static_cast<char>(u);
            continue;
        }
        const char16_t* p = std::find(std::begin(kHaut), std::end(kHaut), u);
        if (p == std::end(kHaut)) return false;
        *o++ = static_cast<char>(0x80 + (p - std::begin(kHaut)));
    }
    return true;
}

// The pages' streams compressed on the other core as each page ends. libharu would hold every
// page whole until the file is saved and then compress them one after the other: on a
// settlement of 20,000 pages, 250 MB held and a fifth of the time on one core.
class Compresseur {
public:
    struct Travail {
        HPDF_Dict contenu;
        QByteArray brut, compresse;
    };
    Compresseur() : m_fil([this] { travailler(); }) {}
    ~Compresseur() { attendre(); }
    Compresseur(const Compresseur&) = delete;
    Compresseur& operator=(const Compresseur&) = delete;

    void confier(HPDF_Dict contenu, QByteArray brut) {
        {
            const std::lock_guard<std::mutex> verrou(m_mutex);
            m_travaux.push_back({contenu, std::move(brut), {}});
        }
        m_signal.notify_one();
    }
    // Every page compressed; the work stays readable until the next call.
    std::deque<Travail>& attendre() {
        {
            const std::lock_guard<std::mutex> verrou(m_mutex);
            m_fin = true;
        }
        m_signal.notify_one();
        if (m_fil.joinable()) m_fil.join();
        return m_travaux;
    }

private:
    void travailler() {
        std::vector<Bytef> tampon;
        for (;;) {
            Travail* t = nullptr;
            {
                std::unique_lock<std::mutex> verrou(m_mutex);
                m_signal.wait(verrou, [this] { return m_suivant < m_travaux.size() || m_fin; });
                if (m_suivant == m_travaux.size()) return;
                t = &m_travaux[m_suivant++];  // a deque keeps its elements in place as it grows
            }
            uLongf taille = compressBound(static_cast<uLong>(t->brut.size()));
            tampon.resize(taille);
            // Kept at its own size: the page waits for the save, and 20,000 pages add up.
            if (compress2(tampon.data(), &taille, reinterpret_cast<const Bytef*>(t->brut.constData()), static_cast<uLong>(t->brut.size()),
                          Z_DEFAULT_COMPRESSION) == Z_OK) {
                t->compresse = QByteArray(reinterpret_cast<const char*>(tampon.data()), static_cast<qsizetype>(taille));
                t->brut = QByteArray();
            }  // else written as it came, for libharu to compress
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_signal;
    std::deque<Travail> m_travaux;
    size_t m_suivant = 0;
    bool m_fin = false;
    std::thread m_fil;  // last: it starts once the rest is made
};

// Written among the keys of a page's stream whose bytes are already compressed: libharu itself
// writes the filter only for what it compresses.
HPDF_STATUS FiltreFlate(HPDF_Dict, HPDF_Stream sortie) { return HPDF_Stream_WriteStr(sortie, "/Filter /FlateDecode\012"); }

QString FichierPolice(const char* nom) {
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("fonts/truetype/dejavu/") + QLatin1String(nom));
}

class SurfaceHaru final : public SurfacePdf {
public:
    SurfaceHaru(QPagedPaintDevice& mesure, const QString (&polices)[2], const QString& titre);
    ~SurfaceHaru() override {
        if (m_doc) HPDF_Free(m_doc);
    }
    SurfaceHaru(const SurfaceHaru&) = delete;
    SurfaceHaru& operator=(const SurfaceHaru&) = delete;

    bool commencer() override;
    void pageSuivante() override;
    void texte(const QRectF& zone, int drapeaux, const QString& texte, const QFont& police, const QColor& couleur) override;
    bool ligne(const QRectF& zone, bool aDroite, const QString& texte, const QFont& police, const QColor& couleur) override;
    void remplir(const QRectF& zone, const QColor& couleur) override;
    void cadre(const QRectF& zone, const QColor& couleur, qreal epaisseur) override;
    void traits(const QList<QLineF>& traits, const QColor& couleur, qreal epaisseur) override;
    void image(const QRectF& zone, const QImage& image) override;
    bool enregistrer(QIODevice& sortie, QString& raison) override;

private:
    // A font at one size: its Windows-1252 face, its Unicode face made when a text needs it,
    // and its ascent as Qt lays the lines out.
    struct Police {
        int style = 0;
        HPDF_Font simple = nullptr;
        HPDF_Font unicode = nullptr;
        HPDF_REAL taille = 0;
        qreal ascent = 0, hauteur = 0;
    };
    // A wrapped text's lines as Qt breaks them: each line's text, width and baseline from the
    // top of the text. A page's headers wrap the same way on every page.
    struct LigneCoupee {
        QString texte;
        qreal largeur = 0, base = 0;
    };
    struct Coupe {
        QList<LigneCoupee> lignes;
        qreal hauteur = 0;
    };
    const Coupe& couper(const QString& texte, int drapeaux, qreal largeur, const QFont& f);
    qreal largeurTexte(const QString& texte, const QFont& f, Police& p, bool& simple);
    static void QuandErreur(HPDF_STATUS erreur, HPDF_STATUS detail, void* donnees);
    Police& police(const QFont& f);
    void poser(qreal x, qreal yBase, const QString& texte, const QByteArray* simple, Police& p, const QColor& couleur);
    void ecrireTextes();
    void confierPage();
    void rendrePages();
    void remplissage(const QColor& c);
    void trace(const QColor& c, qreal epaisseur);
    // Positions to a quarter of a point (0.09 mm): a float holds them exactly, so the moves
    // between a row's cells are written in a few digits.
    static HPDF_REAL Quart(qreal v) { return static_cast<HPDF_REAL>(std::round(v * 4) / 4); }
    HPDF_REAL X(qreal x) const { return Quart(m_gauche + x * m_k); }
    HPDF_REAL Y(qreal y) const { return Quart(m_hauteurPage - m_haut - y * m_k); }

    QPagedPaintDevice& m_mesure;
    HPDF_Doc m_doc = nullptr;
    HPDF_Page m_page = nullptr;
    const char* m_noms[2] = {nullptr, nullptr};
    HPDF_STATUS m_erreur = HPDF_OK, m_detail = 0;
    qreal m_k = 1, m_gauche = 0, m_haut = 0, m_hauteurPage = 0;
    QHash<quint64, Police> m_polices;
    // A page's texts are written when it ends, after its fills and lines and grouped by font and
    // colour: one text object a page, and a font or colour set when it changes, not per cell.
    struct Pose {
        HPDF_Font face;
        HPDF_REAL taille;
        QRgb couleur;
        HPDF_REAL x, y;
        qsizetype debut;
    };
    std::vector<Pose> m_poses;
    QByteArray m_textes;  // each text ends with a NUL: libharu reads C strings
    QColor m_remplissage, m_trace;
    qreal m_epaisseur = -1;
    QByteArray m_octets;
    QHash<QString, Coupe> m_coupes;
    Compresseur m_compresseur;
};

void SurfaceHaru::QuandErreur(HPDF_STATUS erreur, HPDF_STATUS detail, void* donnees) {
    auto* s = static_cast<SurfaceHaru*>(donnees);
    if (s->m_erreur == HPDF_OK) {
        s->m_erreur = erreur;
        s->m_detail = detail;
    }
}

SurfaceHaru::SurfaceHaru(QPagedPaintDevice& mesure, const QString (&polices)[2], const QString& titre) : m_mesure(mesure) {
    m_doc = HPDF_New(&SurfaceHaru::QuandErreur, this);
    if (!m_doc) return;
    HPDF_SetCompressionMode(m_doc, HPDF_COMP_ALL);
    HPDF_UseUTFEncodings(m_doc);
    for (int i = 0; i < 2; ++i) m_noms[i] = HPDF_LoadTTFontFromFile(m_doc, QFile::encodeName(polices[i]).constData(), HPDF_TRUE);
    QByteArray octets;
    if (EnWindows1252(titre, octets)) HPDF_SetInfoAttr(m_doc, HPDF_INFO_TITLE, octets.constData());
    HPDF_SetInfoAttr(m_doc, HPDF_INFO_CREATOR, "Corvandelle");
}

bool SurfaceHaru::commencer() {
    if (!m_doc || !m_noms[0] || !m_noms[1] || m_erreur != HPDF_OK) return false;
    pageSuivante();
    return m_page != nullptr;
}

void SurfaceHaru::pageSuivante() {
    ecrireTextes();
    confierPage();
    m_page = HPDF_AddPage(m_doc);
    if (!m_page) return;
    // The page as the layout saw it: its size, its margins, the device's units.
    const QPageLayout mise = m_mesure.pageLayout();
    const QRectF plein = mise.fullRect(QPageLayout::Point);
    HPDF_Page_SetWidth(m_page, static_cast<HPDF_REAL>(plein.width()));
    HPDF_Page_SetHeight(m_page, static_cast<HPDF_REAL>(plein.height()));
    m_hauteurPage = plein.height();
    m_gauche = mise.margins(QPageLayout::Point).left();
    m_haut = mise.margins(QPageLayout::Point).top();
    m_k = 72.0 / m_mesure.logicalDpiX();
    // A new page starts from the default graphics state.
    m_remplissage = Qt::black;
    m_trace = Qt::black;
    m_epaisseur = -1;
}

// A finished page's stream, handed to the compressor: its bytes leave libharu's memory.
void SurfaceHaru::confierPage() {
    if (!m_page) return;
    const HPDF_Dict contenu = static_cast<HPDF_PageAttr>(m_page->attr)->contents;
    if (!contenu || !contenu->stream || contenu->stream->type != HPDF_STREAM_MEMORY || contenu->write_fn ||
        !(contenu->filter & HPDF_STREAM_FILTER_FLATE_DECODE))
        return;  // not a stream this class knows: libharu compresses it
    QByteArray brut;
    brut.reserve(static_cast<qsizetype>(HPDF_Stream_Size(contenu->stream)));
    const HPDF_UINT n = HPDF_MemStream_GetBufCount(contenu->stream);
    for (HPDF_UINT i = 0; i < n; ++i) {
        HPDF_UINT longueur = 0;
        const HPDF_BYTE* octets = HPDF_MemStream_GetBufPtr(contenu->stream, i, &longueur);
        if (octets) brut.append(reinterpret_cast<const char*>(octets), static_cast<qsizetype>(longueur));
    }
    HPDF_MemStream_FreeData(contenu->stream);
    m_compresseur.confier(contenu, std::move(brut));
}

// The compressed streams back into their pages, marked as such; a page the compressor could not
// compress goes back as it was, for libharu to compress.
void SurfaceHaru::rendrePages() {
    for (Compresseur::Travail& t : m_compresseur.attendre()) {
        const bool fait = !t.compresse.isEmpty();
        const QByteArray& octets = fait ? t.compresse : t.brut;
        HPDF_Stream_Write(t.contenu->stream, reinterpret_cast<const HPDF_BYTE*>(octets.constData()), static_cast<HPDF_UINT>(octets.size()));
        HPDF_Stream_Seek(t.contenu->stream, 0, HPDF_SEEK_SET);  // emptied streams keep a stale read position
        if (fait) {
            t.contenu->filter = HPDF_STREAM_FILTER_NONE;
            t.contenu->write_fn = &FiltreFlate;
        }
        t.compresse = QByteArray();
        t.brut = QByteArray();
    }
}

SurfaceHaru::Police& SurfaceHaru::police(const QFont& f) {
    const int style = f.bold() ? 1 : 0;
    const quint64 cle = (static_cast<quint64>(f.pointSizeF() * 1000) << 1) | static_cast<quint64>(style);
    auto p = m_polices.find(cle);
    if (p != m_polices.end()) return *p;
    Police n;
    n.style = style;
    n.simple = HPDF_GetFont(m_doc, m_noms[style], "CP1252");
    n.taille = static_cast<HPDF_REAL>(f.pointSizeF());
    const QFontMetricsF m(f, &m_mesure);
    n.ascent = m.ascent();
    n.hauteur = m.height();
    return *m_polices.insert(cle, n);
}

void SurfaceHaru::ecrireTextes() {
    if (m_poses.empty() || !m_page) return;
    std::stable_sort(m_poses.begin(), m_poses.end(), [](const Pose& a, const Pose& b) {
        return std::tie(a.face, a.taille, a.couleur) < std::tie(b.face, b.taille, b.couleur);
    });
    HPDF_Page_BeginText(m_page);
    HPDF_Font face = nullptr;
    HPDF_REAL taille = 0;
    for (const Pose& p : m_poses) {
        if (p.face != face || p.taille != taille) {
            HPDF_Page_SetFontAndSize(m_page, p.face, p.taille);
            face = p.face;
            taille = p.taille;
        }
        remplissage(QColor::fromRgb(p.couleur));
        HPDF_Page_TextOut(m_page, p.x, p.y, m_textes.constData() + p.debut);
    }
    HPDF_Page_EndText(m_page);
    m_poses.clear();
    m_textes.resize(0);
}

void SurfaceHaru::remplissage(const QColor& c) {
    if (c == m_remplissage) return;
    HPDF_Page_SetRGBFill(m_page, static_cast<HPDF_REAL>(c.redF()), static_cast<HPDF_REAL>(c.greenF()), static_cast<HPDF_REAL>(c.blueF()));
    m_remplissage = c;
}

void SurfaceHaru::trace(const QColor& c, qreal epaisseur) {
    if (c != m_trace) {
        HPDF_Page_SetRGBStroke(m_page, static_cast<HPDF_REAL>(c.redF()), static_cast<HPDF_REAL>(c.greenF()), static_cast<HPDF_REAL>(c.blueF()));
        m_trace = c;
    }
    if (epaisseur != m_epaisseur) {
        HPDF_Page_SetLineWidth(m_page, static_cast<HPDF_REAL>(std::max(epaisseur * m_k, 0.1)));
        m_epaisseur = epaisseur;
    }
}

// One line of text whose baseline is at yBase; simple holds its Windows-1252 bytes, or is null
// when it has a character outside them.
void SurfaceHaru::poser(qreal x, qreal yBase, const QString& texte, const QByteArray* simple, Police& p, const QColor& couleur) {
    if (!m_page) return;
    HPDF_Font face = p.simple;
    const qsizetype debut = m_textes.size();
    if (simple) {
        m_textes += *simple;
    } else {
        if (!p.unicode) p.unicode = HPDF_GetFont(m_doc, m_noms[p.style], "UTF-8");
        face = p.unicode;
        QByteArray utf8 = texte.toUtf8();
        utf8.replace('\0', ' ');
        m_textes += utf8;
    }
    m_textes += '\0';
    m_poses.push_back({face, p.taille, couleur.rgb(), X(x), Y(yBase), debut});
}

// The width in device units; simple tells whether m_octets holds the text in Windows-1252.
qreal SurfaceHaru::largeurTexte(const QString& texte, const QFont& f, Police& p, bool& simple) {
    simple = EnWindows1252(texte, m_octets);
    if (!simple) return QFontMetricsF(f, &m_mesure).horizontalAdvance(texte);
    const HPDF_TextWidth l =
        HPDF_Font_TextWidth(p.simple, reinterpret_cast<const HPDF_BYTE*>(m_octets.constData()), static_cast<HPDF_UINT>(m_octets.size()));
    return static_cast<qreal>(l.width) * p.taille / 1000.0 / m_k;
}

bool SurfaceHaru::ligne(const QRectF& zone, bool aDroite, const QString& texte, const QFont& f, const QColor& couleur) {
    Police& p = police(f);
    bool simple = false;
    const qreal largeur = largeurTexte(texte, f, p, simple);
    // Columns were measured by Qt: half a point of difference in rounding still fits.
    if (largeur > zone.width() + 0.5 / m_k) return false;
    poser(aDroite ? zone.right() - largeur : zone.left(), zone.top() + p.ascent, texte, simple ? &m_octets : nullptr, p, couleur);
    return true;
}

const SurfaceHaru::Coupe& SurfaceHaru::couper(const QString& texte, int drapeaux, qreal largeur, const QFont& f) {
    const QString cle = QStringLiteral("%1|%2|%3|%4").arg(f.key()).arg(drapeaux & Qt::TextWordWrap).arg(largeur).arg(texte);
    auto c = m_coupes.constFind(cle);
    if (c != m_coupes.cend()) return *c;
    if (m_coupes.size() > 10000) m_coupes.clear();
    QString t = texte;
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout mise(t, f, &m_mesure);
    QTextOption option;
    option.setWrapMode(drapeaux & Qt::TextWordWrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
    mise.setTextOption(option);
    mise.beginLayout();
    Coupe coupe;
    for (QTextLine l = mise.createLine(); l.isValid(); l = mise.createLine()) {
        l.setLineWidth(largeur);
        l.setPosition(QPointF(0, coupe.hauteur));
        coupe.hauteur += l.height();
    }
    mise.endLayout();
    for (int i = 0; i < mise.lineCount(); ++i) {
        const QTextLine l = mise.lineAt(i);
        coupe.lignes.append({t.mid(l.textStart(), l.textLength()).trimmed(), l.naturalTextWidth(), l.y() + l.ascent()});
    }
    return *m_coupes.insert(cle, coupe);
}

void SurfaceHaru::texte(const QRectF& zone, int drapeaux, const QString& texte, const QFont& f, const QColor& couleur) {
    Police& p = police(f);
    const auto x = [&](qreal w) {
        return drapeaux & Qt::AlignRight ? zone.right() - w : drapeaux & Qt::AlignHCenter ? zone.left() + (zone.width() - w) / 2 : zone.left();
    };
    const auto dy = [&](qreal h) {
        return drapeaux & Qt::AlignBottom ? zone.height() - h : drapeaux & Qt::AlignVCenter ? (zone.height() - h) / 2 : 0;
    };
    // Most texts are one line that fits: placed without a layout.
    if (!texte.contains(QLatin1Char('\n'))) {
        bool simple = false;
        const qreal largeur = largeurTexte(texte, f, p, simple);
        if (largeur <= zone.width()) {
            poser(x(largeur), zone.top() + dy(p.hauteur) + p.ascent, texte, simple ? &m_octets : nullptr, p, couleur);
            return;
        }
    }
    const Coupe& coupe = couper(texte, drapeaux, zone.width(), f);
    const qreal haut = zone.top() + dy(coupe.hauteur);
    for (const LigneCoupee& l : coupe.lignes) {
        if (l.texte.isEmpty()) continue;
        const bool simple = EnWindows1252(l.texte, m_octets);
        poser(x(l.largeur), haut + l.base, l.texte, simple ? &m_octets : nullptr, p, couleur);
    }
}

void SurfaceHaru::remplir(const QRectF& zone, const QColor& couleur) {
    if (!m_page) return;
    remplissage(couleur);
    HPDF_Page_Rectangle(m_page, X(zone.left()), Y(zone.bottom()), static_cast<HPDF_REAL>(zone.width() * m_k),
                        static_cast<HPDF_REAL>(zone.height() * m_k));
    HPDF_Page_Fill(m_page);
}

void SurfaceHaru::cadre(const QRectF& zone, const QColor& couleur, qreal epaisseur) {
    if (!m_page) return;
    trace(couleur, epaisseur);
    HPDF_Page_Rectangle(m_page, X(zone.left()), Y(zone.bottom()), static_cast<HPDF_REAL>(zone.width() * m_k),
                        static_cast<HPDF_REAL>(zone.height() * m_k));
    HPDF_Page_Stroke(m_page);
}

void SurfaceHaru::traits(const QList<QLineF>& traits, const QColor& couleur, qreal epaisseur) {
    if (!m_page || traits.isEmpty()) return;
    trace(couleur, epaisseur);
    for (const QLineF& t : traits) {
        HPDF_Page_MoveTo(m_page, X(t.x1()), Y(t.y1()));
        HPDF_Page_LineTo(m_page, X(t.x2()), Y(t.y2()));
    }
    HPDF_Page_Stroke(m_page);
}

void SurfaceHaru::image(const QRectF& zone, const QImage& image) {
    if (!m_page || image.isNull()) return;
    // Flattened on white, rows packed: libharu takes bare RGB samples.
    QImage rgb(image.size(), QImage::Format_RGB888);
    rgb.fill(Qt::white);
    {
        QPainter p(&rgb);
        p.drawImage(0, 0, image);
    }
    const qsizetype ligne = static_cast<qsizetype>(rgb.width()) * 3;
    std::vector<HPDF_BYTE> octets(static_cast<size_t>(ligne * rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) std::copy_n(rgb.constScanLine(y), ligne, octets.data() + y * ligne);
    HPDF_Image i = HPDF_LoadRawImageFromMem(m_doc, octets.data(), static_cast<HPDF_UINT>(rgb.width()), static_cast<HPDF_UINT>(rgb.height()),
                                            HPDF_CS_DEVICE_RGB, 8);
    if (!i) return;
    HPDF_Page_DrawImage(m_page, i, X(zone.left()), Y(zone.bottom()), static_cast<HPDF_REAL>(zone.width() * m_k),
                        static_cast<HPDF_REAL>(zone.height() * m_k));
}

bool SurfaceHaru::enregistrer(QIODevice& sortie, QString& raison) {
    ecrireTextes();
    confierPage();
    rendrePages();
    if (m_erreur == HPDF_OK) HPDF_SaveToStream(m_doc);
    if (m_erreur != HPDF_OK) {
        raison = QStringLiteral("le document PDF n'a pas pu être produit (libharu, erreur 0x%1, détail %2).")
                     .arg(static_cast<uint>(m_erreur), 4, 16, QLatin1Char('0'))
                     .arg(static_cast<uint>(m_detail));
        return false;
    }
    std::vector<HPDF_BYTE> tampon(1 << 20);
    for (;;) {
        HPDF_UINT32 lus = static_cast<HPDF_UINT32>(tampon.size());
        const HPDF_STATUS etat = HPDF_ReadFromStream(m_doc, tampon.data(), &lus);
        if (lus > 0 && sortie.write(reinterpret_cast<const char*>(tampon.data()), lus) != static_cast<qint64>(lus)) {
            raison = sortie.errorString();
            return false;
        }
        if (etat == HPDF_STREAM_EOF || lus == 0) return true;
        if (etat != HPDF_OK) {
            raison = QStringLiteral("le document PDF n'a pas pu être relu (libharu, erreur 0x%1).").arg(static_cast<uint>(etat), 4, 16, QLatin1Char('0'));
            return false;
        }
    }
}

}  // namespace

std::unique_ptr<SurfacePdf> SurfacePdf::Creer(QPagedPaintDevice& mesure, const QString& titre) {
    const QString polices[2] = {FichierPolice("DejaVuSans.ttf"), FichierPolice("DejaVuSans-Bold.ttf")};
    if (polices[0].isEmpty() || polices[1].isEmpty()) return nullptr;
    return std::make_unique<SurfaceHaru>(mesure, polices, titre);
}

}  // namespace Rapports
