#include "Exportation.h"

#include "Graphique.h"
#include "Surface.h"

#include <QBuffer>
#include <QDir>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <cstdio>
#include <vector>

#include <sys/stat.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace Rapports {

namespace {

QString Nom(const QString& chemin) { return QDir::toNativeSeparators(QFileInfo(chemin).absoluteFilePath()); }

[[noreturn]] void Echec(const QString& chemin, const QString& raison) {
    throw ErreurSortie(QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2").arg(Nom(chemin), raison));
}

QByteArray ChampCsv(const QString& texte) {
    QString t = texte;
    if (t.contains(QLatin1Char(';')) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\n')) ||
        t.contains(QLatin1Char('\r'))) {
        t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        t = QLatin1Char('"') + t + QLatin1Char('"');
    }
    return t.toUtf8();
}

}  // namespace

ErreurSortie::ErreurSortie(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}

bool LireFormat(const QString& code, Format& format) {
    if (code == QLatin1String("csv")) format = Format::Csv;
    else if (code == QLatin1String("pdf")) format = Format::Pdf;
    else if (code == QLatin1String("xlsx")) format = Format::Classeur;
    else return false;
    return true;
}

QString ExtensionFormat(Format format) {
    switch (format) {
    case Format::Csv: return QStringLiteral("csv");
    case Format::Pdf: return QStringLiteral("pdf");
    case Format::Classeur: return QStringLiteral("xlsx");
    }
    return {};
}

namespace {

// A long report repeats its names row after row, as copies of one string: the field of the row
// above is kept per column and used again while the string is the same. The string is held, so
// its characters cannot be freed and others made at the same place meanwhile.
struct ChampRepete {
    QString texte;
    QByteArray champ;
    const QByteArray& de(const QString& t) {
        if (texte.constData() != t.constData() || texte.size() != t.size()) {
            champ = ChampCsv(t);
            texte = t;
        }
        return champ;
    }
};

void AjouterLigneCsv(QByteArray& sortie, const Tableau& t, const Ligne& l, const TextesNombres& nombres,
                     std::vector<ChampRepete>& precedents) {
    const qsizetype nbColonnes = t.entetes.size();
    for (qsizetype col = 0; col < nbColonnes; ++col) {
        if (col > 0) sortie += ';';
        if (col >= l.cellules.size()) continue;
        const QVariant& v = l.cellules.at(col);
        const Genre genre = t.genres.at(col);
        if (genre != Genre::Texte) {
            nombres.AjouterUtf8(sortie, v, genre);
            continue;
        }
        if (!v.isValid() || v.isNull()) continue;
        if (v.typeId() != QMetaType::QString) {
            sortie += ChampCsv(v.toString());
            continue;
        }
        sortie += precedents[static_cast<size_t>(col)].de(v.toString());
    }
    sortie += "\r\n";
}

// The CSV text, handed to vider whenever it passes morceau bytes and at the end (vider may
// empty it): a file is written as it is made.
void EcrireCsv(const Tableau& t, qsizetype morceau, const std::function<void(QByteArray&)>& vider) {
    QByteArray sortie("\xEF\xBB\xBF");
    const qsizetype nbColonnes = t.entetes.size();
    sortie.reserve(std::min(NombreLignes(t) * nbColonnes * 8, morceau) + 256);
    for (qsizetype col = 0; col < nbColonnes; ++col) {
        if (col > 0) sortie += ';';
        sortie += ChampCsv(t.entetes.at(col));
    }
    sortie += "\r\n";
    std::vector<ChampRepete> precedents(static_cast<size_t>(nbColonnes));
    const TextesNombres nombres;
    ParcourirLignes(t, [&](const Ligne& l) {
        if (l.type != Ligne::Type::Donnee) return;
        AjouterLigneCsv(sortie, t, l, nombres, precedents);
        if (sortie.size() >= morceau) vider(sortie);
    });
    vider(sortie);
}

}  // namespace

QByteArray TexteCsv(const Tableau& t) {
    QByteArray texte;
    EcrireCsv(t, std::numeric_limits<qsizetype>::max(), [&texte](QByteArray& fait) { texte += fait; fait.resize(0); });
    return texte;
}

void ExporterCsv(const Tableau& tableau, const QString& chemin) {
    // Written a megabyte at a time under a temporary name: the requested name gets the whole
    // file or nothing new, and the text of a long report is never held whole.
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly)) Echec(chemin, fichier.errorString());
    EcrireCsv(tableau, qsizetype{1} << 20, [&](QByteArray& fait) {
        if (fichier.write(fait) != fait.size()) Echec(chemin, fichier.errorString());
        fait.resize(0);
    });
    if (!fichier.commit()) Echec(chemin, fichier.errorString());
}

namespace {

// A cell's width in characters for the sheet's columns. A number's width is its digits' count
// (no text is made for it: a report may hold millions of cells); a text's is its length.
int LargeurCellule(const QVariant& v, Genre genre) {
    char tampon[64];
    switch (genre) {
    case Genre::Texte: return static_cast<int>(v.toString().size());
    case Genre::Entier:
    case Genre::Pourcentage: return static_cast<int>(std::to_chars(tampon, tampon + sizeof tampon, v.toLongLong()).ptr - tampon) + 1;
    case Genre::Montant: {
        // Digits, a separator per three, the point and two decimals.
        const qint64 entiers = MontantCellule(v).centimes() / 100;
        const int chiffres = static_cast<int>(std::to_chars(tampon, tampon + sizeof tampon, entiers).ptr - tampon);
        return chiffres + chiffres / 3 + 3;
    }
    }
    return 0;
}

QList<int> LargeursClasseur(const Tableau& t) {
    QList<int> largeurs;
    for (const QString& e : t.entetes) largeurs << static_cast<int>(e.size());
    ParcourirLignes(t, [&](const Ligne& l) {
        for (qsizetype col = 0; col < t.entetes.size() && col < l.cellules.size(); ++col) {
            const QVariant& v = l.cellules.at(col);
            if (v.isValid() && !v.isNull()) largeurs[col] = std::max(largeurs[col], LargeurCellule(v, t.genres.at(col)));
        }
    });
    return largeurs;
}

// The formats of a sheet: plain and bold (total rows), each for texts, counts, amounts with
// grouped thousands and percentages. The cells stay numbers.
struct FormatsClasseur {
    lxw_format* gras = nullptr;
    lxw_format* montant[2] = {nullptr, nullptr};
    lxw_format* pourcentage[2] = {nullptr, nullptr};
    explicit FormatsClasseur(lxw_workbook* classeur) {
        gras = workbook_add_format(classeur);
        format_set_bold(gras);
        for (int g = 0; g < 2; ++g) {
            montant[g] = workbook_add_format(classeur);
            format_set_num_format(montant[g], "#,##0.00");
            pourcentage[g] = workbook_add_format(classeur);
            format_set_num_format(pourcentage[g], "0.0");
            if (g == 1) {
                format_set_bold(montant[g]);
                format_set_bold(pourcentage[g]);
            }
        }
    }
};

// Names repeat row after row as copies of one string: its UTF-8 is made once per run. The
// string is held, so no other can take its place in memory while it is compared.
struct TexteRepete {
    QString texte;
    QByteArray utf8;
    bool fait = false;
    const char* de(const QString& t) {
        if (!fait || texte.constData() != t.constData() || texte.size() != t.size()) {
            utf8 = t.toUtf8();
            texte = t;
            fait = true;
        }
        return utf8.constData();
    }
};

void EcrireLigneClasseur(lxw_worksheet* feuille, lxw_row_t rang, const Tableau& t, const Ligne& l, const FormatsClasseur& f,
                         std::vector<TexteRepete>& textes) {
    const int g = l.type == Ligne::Type::Donnee ? 0 : 1;
    for (qsizetype col = 0; col < t.entetes.size(); ++col) {
        const QVariant v = l.cellules.value(col);
        const auto c = static_cast<lxw_col_t>(col);
        if (!v.isValid() || v.isNull()) continue;
        switch (t.genres.at(col)) {
        case Genre::Texte:
            worksheet_write_string(feuille, rang, c, textes[static_cast<size_t>(col)].de(v.toString()), g ? f.gras : nullptr);
            break;
        case Genre::Entier:
            worksheet_write_number(feuille, rang, c, static_cast<double>(v.toLongLong()), g ? f.gras : nullptr);
            break;
        case Genre::Pourcentage:
            worksheet_write_number(feuille, rang, c, static_cast<double>(v.toLongLong()) / 10.0, f.pourcentage[g]);
            break;
        case Genre::Montant:
            worksheet_write_number(feuille, rang, c, MontantCellule(v).Nombre(), f.montant[g]);
            break;
        }
    }
}

void RefuserTropLong(const Tableau& t, const QString& chemin) {
    // A sheet holds 1,048,576 rows, the header one of them: a longer report is refused whole
    // rather than cut where the sheet ends.
    constexpr qsizetype kLignesFeuille = 1048576;
    const qsizetype nbLignes = NombreLignes(t);
    if (nbLignes + 1 > kLignesFeuille)
        Echec(chemin, QStringLiteral("le rapport a %1 lignes et une feuille de classeur n'en contient que %2 avec l'en-tête. "
                                     "Choisissez une pièce, ou écrivez le rapport en CSV.")
                          .arg(nbLignes)
                          .arg(kLignesFeuille - 1));
}

void NommerClasseur(QTemporaryFile& temporaire, const QString& chemin) {
    const QByteArray cible = QFile::encodeName(QFileInfo(chemin).absoluteFilePath());
    if (std::rename(QFile::encodeName(temporaire.fileName()).constData(), cible.constData()) != 0)
        Echec(chemin, QStringLiteral("le fichier temporaire n'a pas pu prendre son nom."));
    temporaire.setAutoRemove(false);  // it has become the target
    // A temporary file is private to its owner; the report is an ordinary file.
    const mode_t masque = ::umask(0);
    ::umask(masque);
    ::chmod(cible.constData(), 0666 & ~masque);
}

}  // namespace

void ExporterClasseur(const Tableau& t, const QString& chemin) {
    RefuserTropLong(t, chemin);
    const QFileInfo cible(chemin);
    // libxlsxwriter writes the whole file at workbook_close: it writes a temporary name beside
    // the target, which is renamed only once complete.
    QTemporaryFile temporaire(cible.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(cible.fileName())));
    if (!temporaire.open()) Echec(chemin, temporaire.errorString());
    temporaire.close();
    const QByteArray nomTemporaire = QFile::encodeName(temporaire.fileName());
    QByteArray dossierTemporaire = QFile::encodeName(cible.absolutePath());
    // Widths first: in constant-memory mode each row goes to disk as it is written, so the
    // columns must be sized before the first row. That mode keeps a report of a million cells
    // from holding every cell in memory until the file is closed.
    const QList<int> largeurs = LargeursClasseur(t);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = dossierTemporaire.data();
    lxw_workbook* classeur = workbook_new_opt(nomTemporaire.constData(), &options);
    if (!classeur) Echec(chemin, QStringLiteral("le classeur n'a pas pu être créé."));
    lxw_worksheet* feuille = workbook_add_worksheet(classeur, t.titre.left(31).toUtf8().constData());
    if (!feuille) {
        workbook_close(classeur);
        Echec(chemin, QStringLiteral("la feuille du classeur n'a pas pu être créée."));
    }
    const FormatsClasseur formats(classeur);
    for (qsizetype col = 0; col < largeurs.size(); ++col)
        worksheet_set_column(feuille, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                             std::min(largeurs.at(col), 60) + 2.0, nullptr);
    // The header stays in view and carries the filter buttons; subtotals and the grand total
    // are rows in bold, as on paper.
    worksheet_freeze_panes(feuille, 1, 0);
    if (!t.entetes.isEmpty())
        worksheet_autofilter(feuille, 0, 0, static_cast<lxw_row_t>(NombreLignes(t)), static_cast<lxw_col_t>(t.entetes.size() - 1));
    for (qsizetype col = 0; col < t.entetes.size(); ++col)
        worksheet_write_string(feuille, 0, static_cast<lxw_col_t>(col), t.entetes.at(col).toUtf8().constData(), formats.gras);
    std::vector<TexteRepete> textes(static_cast<size_t>(t.entetes.size()));
    lxw_row_t rang = 1;
    ParcourirLignes(t, [&](const Ligne& l) { EcrireLigneClasseur(feuille, rang++, t, l, formats, textes); });
    const lxw_error erreur = workbook_close(classeur);
    if (erreur != LXW_NO_ERROR) Echec(chemin, QString::fromUtf8(lxw_strerror(erreur)));
    NommerClasseur(temporaire, chemin);
}

namespace {

// How long a number's text is, without making it: its digits, its thousands separators where
// amounts group them, its sign. -1 for an empty cell.
int RangNombre(const QVariant& v, Genre genre) {
    if (!v.isValid() || v.isNull()) return -1;
    qint64 valeur = 0, entier = 0;
    switch (genre) {
    case Genre::Texte: return static_cast<int>(v.toString().size());
    case Genre::Entier: entier = valeur = v.toLongLong(); break;
    case Genre::Pourcentage: valeur = v.toLongLong(); entier = valeur / 10; break;
    case Genre::Montant: valeur = MontantCellule(v).centimes(); entier = valeur / 100; break;
    }
    int chiffres = 1;
    for (qint64 a = entier < 0 ? -(entier / 10) : entier / 10; a > 0; a /= 10) ++chiffres;
    return chiffres + (genre == Genre::Montant ? (chiffres - 1) / 3 : 0) + (valeur < 0 ? 1 : 0);
}

// A table laid out for paper: widths that show every number whole and every name word whole,
// rows as tall as their wrapped texts. Built for one font size and page width.
struct MiseEnPage {
    QStringList entetes;
    QList<Genre> genres;
    const QList<Ligne>* lignes = nullptr;
    bool caseArrivee = false;
    QFont normal, gras;
    qreal marge = 0;
    QList<qreal> largeurs;      // one per column, the box column last when there is one
    qreal minimum = 0;          // the narrowest the table can be without cutting anything
    qreal hEntete = 0;
    QList<qreal> hauteurs;      // per row

    static QString Ligne1(QString texte) {
        // A line break in a name shows as a blank; the wrap then places the words.
        return texte.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    }

    void Mesurer(QPaintDevice& appareil, qreal largeur) {
        const QFontMetricsF mN(normal, &appareil), mG(gras, &appareil);
        const qsizetype n = entetes.size();
        const TextesNombres plats;
        QList<qreal> minimums, souhaits;
        for (qsizetype col = 0; col < n; ++col) {
            qreal mot = 0;
            for (const QString& m : entetes.at(col).split(QLatin1Char(' '), Qt::SkipEmptyParts)) mot = std::max(mot, mG.horizontalAdvance(m));
            qreal plein = mG.horizontalAdvance(entetes.at(col)) / 2;
            if (genres.at(col) == Genre::Texte) {
                // Every distinct text measured once: its longest word is the column's floor.
                QSet<QString> vus;
                for (const Ligne& l : *lignes) {
                    const QVariant& v = l.cellules.size() > col ? l.cellules.at(col) : QVariant();
                    if (!v.isValid() || v.isNull()) continue;
                    const QString texte = Ligne1(v.toString());
                    if (vus.contains(texte)) continue;
                    vus.insert(texte);
                    const QFontMetricsF& m = l.type == Ligne::Type::Donnee && !l.alerte ? mN : mG;
                    plein = std::max(plein, m.horizontalAdvance(texte));
                    for (const QString& w : texte.split(QLatin1Char(' '), Qt::SkipEmptyParts)) mot = std::max(mot, m.horizontalAdvance(w));
                }
            } else {
                // Digits are all as wide: the longest text of the column, in bold, is the widest.
                // Found by counting digits; only that one is written out.
                const Ligne* plusLong = nullptr;
                int rang = -1;
                for (const Ligne& l : *lignes) {
                    const int r = RangNombre(l.cellules.value(col), genres.at(col));
                    if (r > rang) {
                        rang = r;
                        plusLong = &l;
                    }
                }
                if (plusLong) mot = std::max(mot, mG.horizontalAdvance(plats.Cellule(plusLong->cellules.value(col), genres.at(col))));
                plein = std::max(plein, mot);
            }
            minimums << mot + 2 * marge + 1;
            souhaits << std::max(mot, std::min(plein, largeur / 3)) + 2 * marge + 1;
        }
        if (caseArrivee) {
            const qreal mot = mG.horizontalAdvance(QStringLiteral("Arrivée")) + 2 * marge + 1;
            minimums << mot;
            souhaits << mot;
        }
        qreal sommeMin = 0, sommeSouhait = 0;
        for (qsizetype c = 0; c < minimums.size(); ++c) {
            sommeMin += minimums.at(c);
            sommeSouhait += souhaits.at(c);
        }
        minimum = sommeMin;
        largeurs.clear();
        for (qsizetype c = 0; c < minimums.size(); ++c) {
            if (sommeSouhait <= largeur)
                largeurs << souhaits.at(c) * largeur / sommeSouhait;
            else if (sommeSouhait > sommeMin && largeur > sommeMin)
                largeurs << minimums.at(c) + (souhaits.at(c) - minimums.at(c)) * (largeur - sommeMin) / (sommeSouhait - sommeMin);
            else
                largeurs << minimums.at(c);
        }
        hEntete = 0;
        for (qsizetype col = 0; col < entetesAffiches().size(); ++col)
            hEntete = std::max(hEntete, mG.boundingRect(QRectF(0, 0, largeurs.at(col) - 2 * marge, 1e6), Qt::TextWordWrap,
                                                        entetesAffiches().at(col)).height());
        hEntete += 2 * marge;
        MesurerHauteurs(mN, mG, mN.height() + 2 * marge);
    }
    // A row is one line unless a text needs more within its column. A long report repeats its
    // names: the height each needs is measured once per column and type.
    void MesurerHauteurs(const QFontMetricsF& mN, const QFontMetricsF& mG, qreal hauteurLigne) {
        const qsizetype n = entetes.size();
        std::vector<QHash<QString, qreal>> besoins(static_cast<size_t>(2 * n));
        hauteurs.clear();
        hauteurs.reserve(lignes->size());
        for (const Ligne& l : *lignes) {
            qreal h = hauteurLigne;
            for (qsizetype col = 0; col < n; ++col) {
                if (genres.at(col) != Genre::Texte) continue;
                const QVariant v = l.cellules.value(col);
                if (!v.isValid() || v.isNull()) continue;
                const QString texte = Ligne1(v.toString());
                const bool simple = l.type == Ligne::Type::Donnee && !l.alerte;
                QHash<QString, qreal>& connus = besoins[static_cast<size_t>(2 * col + (simple ? 0 : 1))];
                auto besoin = connus.constFind(texte);
                if (besoin == connus.cend()) {
                    const QFontMetricsF& m = simple ? mN : mG;
                    const qreal place = largeurs.at(col) - 2 * marge;
                    const qreal hTexte = m.horizontalAdvance(texte) <= place
                                             ? 0
                                             : m.boundingRect(QRectF(0, 0, place, 1e6), Qt::TextWordWrap, texte).height() + 2 * marge;
                    besoin = connus.insert(texte, hTexte);
                }
                h = std::max(h, *besoin);
            }
            hauteurs << h;
        }
    }
    QStringList entetesAffiches() const {
        return caseArrivee ? entetes + QStringList{QStringLiteral("Arrivée")} : entetes;
    }
    qreal largeurTotale() const {
        qreal l = 0;
        for (qreal x : largeurs) l += x;
        return l;
    }
};

}  // namespace

namespace {

// The pages of a report on a paged device, drawn directly (a text document lays a long table
// out far too slowly). Two passes: the first counts the pages (the document's and each
// seller's), the second draws them. Every page carries the company, the title, the filters,
// the print time and "Page k / N"; a seller's pages also name the seller and count their own.
const QColor kGris(0x55, 0x55, 0x55);   // the band and the foot
const QColor kTrait(0x99, 0x99, 0x99);  // the grid

class PeintrePages {
public:
    PeintrePages(const Tableau& t, QPagedPaintDevice& appareil, Surface& surface) : m_t(t), m_appareil(appareil), m_s(surface) {}
    int peindre();

private:
    void disposer();
    void mesurer(MiseEnPage& mise, const QFont& police);
    void preparer();
    qreal enteteCourant();
    void pied();
    qreal hauteurGrand(const QString& texte);
    void nouvellePage();
    qreal enteteTable(const MiseEnPage& mise, qreal y);
    void ligne(const MiseEnPage& mise, qsizetype i, qreal y, qreal h);
    void grille(const MiseEnPage& mise, qreal haut, const QList<qreal>& ys);
    qreal tableau(const MiseEnPage& mise, qsizetype de, qsizetype a, qreal y);
    qreal resume(const Fiche& f, qreal y);
    void fiches();
    void table();
    int passe(bool dessiner);

    const Tableau& m_t;
    QPagedPaintDevice& m_appareil;
    Surface& m_s;
    const TextesNombres m_nombres;
    QList<Ligne> m_lignesFiches;
    MiseEnPage m_mise, m_synthese;
    QFont m_normal, m_titre, m_grand;
    qreal m_largeur = 0, m_hauteur = 0, m_point = 1, m_hPied = 0, m_hCorps = 0;
    // The heights of the band every page starts with, and of one line of the seller's title.
    qreal m_hHaut = 0, m_hGrand = 0;
    QHash<QString, qreal> m_largeursTitres;
    QString m_filtres, m_source, m_haut;
    bool m_dessine = false;
    int m_page = 1, m_total = 0;
    // The seller's page count: counted on the first pass, shown on the second.
    QString m_vendeur;
    int m_pageVendeur = 0;
    QList<int> m_pagesFiches;
    qsizetype m_fiche = -1;
    QList<QImage> m_images;
};

void PeintrePages::disposer() {
    const auto poser = [&](QPageLayout::Orientation o) {
        m_appareil.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), o, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    };
    const bool parFiches = !m_t.fiches.isEmpty();
    qsizetype nbFiches = 0;
    for (const Fiche& f : m_t.fiches) nbFiches += f.lignes.size();
    m_lignesFiches.reserve(nbFiches);
    for (const Fiche& f : m_t.fiches) m_lignesFiches += f.lignes;
    m_mise.entetes = parFiches ? m_t.entetesFiche : m_t.entetes;
    m_mise.genres = parFiches ? m_t.genresFiche : m_t.genres;
    m_mise.lignes = parFiches ? &m_lignesFiches : &m_t.lignes;
    m_mise.caseArrivee = m_t.caseArrivee;
    m_synthese.entetes = m_t.entetes;
    m_synthese.genres = m_t.genres;
    m_synthese.lignes = &m_t.lignes;
    QFont police(QStringLiteral("DejaVu Sans"));
    police.setPointSizeF(8.5);
    // Widths as a PDF draws them: the font's own advances, pair by pair unkerned.
    police.setKerning(false);
    police.setHintingPreference(QFont::PreferNoHinting);
    // Portrait when the table fits, else landscape; if even that is too narrow, a smaller
    // type: a figure is never cut.
    const auto plusLarge = [&] {
        mesurer(m_mise, police);
        if (parFiches) mesurer(m_synthese, police);
        return std::max(m_mise.minimum, parFiches ? m_synthese.minimum : 0.0);
    };
    poser(QPageLayout::Portrait);
    if (plusLarge() > m_appareil.width()) poser(QPageLayout::Landscape);
    for (int essai = 0; essai < 4 && plusLarge() > m_appareil.width(); ++essai)
        police.setPointSizeF(std::max(4.0, police.pointSizeF() * m_appareil.width() / plusLarge() * 0.98));
    m_normal = police;
}

void PeintrePages::mesurer(MiseEnPage& mise, const QFont& police) {
    mise.normal = police;
    mise.gras = police;
    mise.gras.setBold(true);
    mise.marge = 3 * m_appareil.logicalDpiY() / 72.0;
    mise.Mesurer(m_appareil, m_appareil.width());
}

void PeintrePages::preparer() {
    m_largeur = m_appareil.width();
    m_hauteur = m_appareil.height();
    m_point = m_appareil.logicalDpiY() / 72.0;  // device units per typographic point
    m_titre = m_normal;
    m_titre.setPointSizeF(15);
    m_titre.setBold(true);
    m_grand = m_normal;
    m_grand.setPointSizeF(11);
    m_grand.setBold(true);
    m_filtres = m_t.descriptionFiltres.join(QStringLiteral(" · "));
    const QString imprime = QLocale().toString(m_t.produitLe, QLocale::ShortFormat);
    m_source = QStringLiteral("Base : %1 · produit le %2").arg(QDir::toNativeSeparators(m_t.source), imprime);
    // The band every page starts with: whose, what, which filters, when.
    m_haut = (m_t.compagnie.isEmpty() ? QString() : m_t.compagnie + QStringLiteral(" — ")) + m_t.titre +
             QStringLiteral(" — ") + m_filtres + QStringLiteral(" — imprimé le ") + imprime;
    m_hPied = QFontMetricsF(m_normal, &m_appareil).height() * 2.5;
    const QRectF page(0, 0, m_largeur, m_hauteur);
    m_hHaut = QFontMetricsF(m_normal, &m_appareil).boundingRect(page, Qt::TextWordWrap, m_haut).height();
    m_hGrand = QFontMetricsF(m_grand, &m_appareil).boundingRect(page, Qt::TextWordWrap, QStringLiteral("X")).height();
    m_hCorps = m_hauteur - m_hPied;
    const bool avecGraphique = m_t.fiches.isEmpty() && m_t.rapport == Rapport::Ventes && m_t.lignes.size() > 1;
    if (avecGraphique) m_images = ImagesGraphique(m_t, m_t.filtres.piece, m_largeur, m_hCorps);
}

// The band at the top of every page; on a seller's page, the seller and the seller's page count.
qreal PeintrePages::enteteCourant() {
    const QFontMetricsF m(m_normal, &m_appareil);
    const QRectF page(0, 0, m_largeur, m_hauteur);
    qreal y = 0;
    const qreal hHaut = m_hHaut + 2 * m_point;
    if (m_dessine) {
        m_s.texte(QRectF(0, y, m_largeur, hHaut), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_haut, m_normal, kGris);
    }
    y += hHaut;
    if (m_page == 1) {
        // The first page adds the title in large type and the base the report was read from.
        const qreal hTitre = QFontMetricsF(m_titre, &m_appareil).height() + 4 * m_point;
        const qreal hSource = m.boundingRect(page, Qt::TextWordWrap, m_source).height() + 4 * m_point;
        if (m_dessine) {
            m_s.texte(QRectF(0, y, m_largeur, hTitre), Qt::AlignLeft | Qt::AlignTop, m_t.titre, m_titre, Qt::black);
            m_s.texte(QRectF(0, y + hTitre, m_largeur, hSource), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_source, m_normal, kGris);
        }
        y += hTitre + hSource;
    }
    if (!m_vendeur.isEmpty()) {
        const int n = m_fiche >= 0 && m_fiche < m_pagesFiches.size() ? m_pagesFiches.at(m_fiche) : 0;
        const QString sousTitre = n > 0 ? QStringLiteral("%1 — Page %2 / %3").arg(m_vendeur).arg(m_pageVendeur).arg(n) : m_vendeur;
        const qreal h = hauteurGrand(sousTitre) + 3 * m_point;
        if (m_dessine) {
            m_s.texte(QRectF(0, y, m_largeur, h), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, sousTitre, m_grand, Qt::black);
        }
        y += h;
    }
    return y + 4 * m_point;
}

// The seller's title changes with every page: it is laid out only when it needs more than a line.
// Its width is measured once per seller and count of digits: the font's digits are all as wide.
qreal PeintrePages::hauteurGrand(const QString& texte) {
    QString forme = texte;
    for (QChar& c : forme)
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9')) c = QLatin1Char('0');
    auto largeur = m_largeursTitres.constFind(forme);
    if (largeur == m_largeursTitres.cend()) {
        if (m_largeursTitres.size() > 10000) m_largeursTitres.clear();
        largeur = m_largeursTitres.insert(forme, QFontMetricsF(m_grand, &m_appareil).horizontalAdvance(forme));
    }
    if (*largeur < m_largeur) return m_hGrand;
    return QFontMetricsF(m_grand, &m_appareil).boundingRect(QRectF(0, 0, m_largeur, m_hauteur), Qt::TextWordWrap, texte).height();
}

void PeintrePages::pied() {
    if (!m_dessine) return;
    const QRectF zone(0, m_hauteur - m_hPied * 0.6, m_largeur, m_hPied * 0.6);
    m_s.texte(zone, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Page %1 / %2").arg(m_page).arg(m_total), m_normal, kGris);
    const QString gauche = m_t.compagnie.isEmpty() ? m_t.titre : m_t.compagnie + QStringLiteral(" — ") + m_t.titre;
    m_s.texte(zone, Qt::AlignLeft | Qt::AlignBottom, gauche, m_normal, kGris);
    // The anchor stands on the line above the page number, inside the foot's band.
    if (!m_t.journal.isEmpty())
        m_s.texte(QRectF(0, m_hauteur - m_hPied, m_largeur, m_hPied * 0.6), Qt::AlignRight | Qt::AlignBottom, m_t.journal, m_normal, kGris);
}

void PeintrePages::nouvellePage() {
    pied();
    if (m_dessine) m_s.pageSuivante();
    ++m_page;
    ++m_pageVendeur;
}

qreal PeintrePages::enteteTable(const MiseEnPage& mise, qreal y) {
    if (!m_dessine) return y + mise.hEntete;
    const QStringList entetes = mise.entetesAffiches();
    qreal x = 0;
    for (qsizetype col = 0; col < entetes.size(); ++col) {
        const QRectF cellule(x, y, mise.largeurs.at(col), mise.hEntete);
        m_s.remplir(cellule, QColor(0xdd, 0xe3, 0xea));
        m_s.cadre(cellule, kTrait, 0.5 * m_point);
        const bool texte = col >= mise.entetes.size() || mise.genres.at(col) == Genre::Texte;
        m_s.texte(cellule.adjusted(mise.marge, mise.marge, -mise.marge, -mise.marge),
                  (texte ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignBottom | Qt::TextWordWrap, entetes.at(col), mise.gras, Qt::black);
        x += mise.largeurs.at(col);
    }
    return y + mise.hEntete;
}

// A row's backgrounds and texts; the grid is drawn once per page (a long report has tens of
// thousands of cells, and the PDF grows with every stroke).
void PeintrePages::ligne(const MiseEnPage& mise, qsizetype i, qreal y, qreal h) {
    if (!m_dessine) return;
    const Ligne& l = mise.lignes->at(i);
    const bool total = l.type != Ligne::Type::Donnee;
    const qreal largeurTable = std::min(m_largeur, mise.largeurTotale());
    if (total) m_s.remplir(QRectF(0, y, largeurTable, h), QColor(0xee, 0xf1, 0xf5));
    const int colonneAlerte = &mise == &m_mise && !m_t.fiches.isEmpty() ? m_t.colonneAlerteFiche : m_t.colonneAlerte;
    qreal x = 0;
    for (qsizetype col = 0; col < mise.entetes.size(); ++col) {
        const QRectF cellule(x, y, mise.largeurs.at(col), h);
        x += mise.largeurs.at(col);
        const bool alerte = l.alerte && (col == colonneAlerte || colonneAlerte < 0);
        if (alerte) m_s.remplir(cellule, QColor(0xfd, 0xe2, 0xe4));
        const bool estTexte = mise.genres.at(col) == Genre::Texte;
        const QString texte = estTexte ? MiseEnPage::Ligne1(m_nombres.Cellule(l.cellules.value(col), Genre::Texte))
                                       : m_nombres.Cellule(l.cellules.value(col), mise.genres.at(col));
        if (texte.isEmpty()) continue;
        const bool gras = total || alerte;
        const QColor couleur = alerte ? QColor(0xb0, 0x00, 0x20) : QColor(Qt::black);
        const QFont& police = gras ? mise.gras : mise.normal;
        const QRectF zone = cellule.adjusted(mise.marge, mise.marge, -mise.marge, -mise.marge);
        if (m_s.ligne(zone, !estTexte, texte, police, couleur)) continue;
        // Texts wrap within their column; numbers fit their column by its width.
        m_s.texte(zone, estTexte ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap : Qt::AlignRight | Qt::AlignTop, texte, police, couleur);
    }
    if (!mise.caseArrivee || total) return;
    // The door's box: the persons already in beside it, ticked when the whole party came.
    const QFontMetricsF m(mise.normal, &m_appareil);
    const qreal cote = m.height() * 0.8;
    const QRectF boite(x + mise.marge, y + mise.marge + (m.height() - cote) / 2, cote, cote);
    m_s.cadre(boite, Qt::black, 0.7 * m_point);
    const qlonglong arrives = m_t.arrivees.value(i);
    if (arrives <= 0) return;
    if (arrives >= m_t.billetsParties.value(i)) {
        m_s.traits({QLineF(boite.left() + cote * 0.2, boite.center().y(), boite.center().x(), boite.bottom() - cote * 0.2),
                    QLineF(boite.center().x(), boite.bottom() - cote * 0.2, boite.right() - cote * 0.15, boite.top() + cote * 0.15)},
                   Qt::black, 0.7 * m_point);
    }
    m_s.texte(QRectF(boite.right() + mise.marge, y + mise.marge, mise.largeurs.last(), m.height()), Qt::AlignLeft | Qt::AlignTop,
              QString::number(arrives), mise.normal, Qt::black);
}

void PeintrePages::grille(const MiseEnPage& mise, qreal haut, const QList<qreal>& ys) {
    if (!m_dessine) return;
    const qreal largeurTable = std::min(m_largeur, mise.largeurTotale());
    QList<QLineF> traits;
    for (qreal y : ys) traits << QLineF(0, y, largeurTable, y);
    const qreal bas = ys.isEmpty() ? haut : ys.last();
    qreal x = 0;
    traits << QLineF(0, haut, 0, bas);
    for (qreal l : mise.largeurs) {
        x += l;
        traits << QLineF(x, haut, x, bas);
    }
    m_s.traits(traits, kTrait, 0.5 * m_point);
}

// Rows from..to below y, on as many pages as they need, the header repeated on each; returns
// the height reached on the last page.
qreal PeintrePages::tableau(const MiseEnPage& mise, qsizetype de, qsizetype a, qreal y) {
    qreal haut = y;
    y = enteteTable(mise, y);
    QList<qreal> ys{y};
    for (qsizetype i = de; i < a; ++i) {
        const qreal h = mise.hauteurs.at(i);
        if (y + h > m_hCorps && i > de) {
            grille(mise, haut, ys);
            nouvellePage();
            haut = enteteCourant();
            y = enteteTable(mise, haut);
            ys = {y};
        }
        ligne(mise, i, y, h);
        y += h;
        ys << y;
    }
    grille(mise, haut, ys);
    return y;
}

// The figures to settle, then the signatures and the date: kept together, so the signature
// lines always stand under the seller's name and the amount to hand over.
qreal PeintrePages::resume(const Fiche& f, qreal y) {
    const qreal hLigne = QFontMetricsF(m_grand, &m_appareil).height() + 4 * m_point;
    const int signatures = f.synthese ? 0 : 3;
    if (y + hLigne * (static_cast<qreal>(f.resume.size()) + 2 + signatures * 1.6) > m_hCorps) {
        nouvellePage();
        y = enteteCourant();
    }
    if (!m_dessine) return y;
    for (const auto& [libelle, valeur] : f.resume) {
        m_s.texte(QRectF(0, y, m_largeur, hLigne), Qt::AlignLeft | Qt::AlignVCenter, libelle + QStringLiteral(" :"), m_grand, Qt::black);
        m_s.texte(QRectF(0, y, m_largeur / 2, hLigne), Qt::AlignRight | Qt::AlignVCenter, valeur, m_grand, Qt::black);
        y += hLigne;
    }
    y += 2 * hLigne;
    for (int i = 0; i < signatures; ++i) {
        static const char* const kLignes[] = {"Signature du vendeur :", "Signature du trésorier :", "Date :"};
        m_s.texte(QRectF(0, y, m_largeur, hLigne), Qt::AlignLeft | Qt::AlignBottom, QString::fromUtf8(kLignes[i]), m_normal, Qt::black);
        m_s.traits({QLineF(m_largeur * 0.3, y + hLigne, m_largeur * 0.8, y + hLigne)}, Qt::black, 0.5 * m_point);
        y += hLigne * 1.6;
    }
    return y;
}

void PeintrePages::fiches() {
    qsizetype de = 0;
    for (m_fiche = 0; m_fiche < m_t.fiches.size(); ++m_fiche) {
        const Fiche& f = m_t.fiches.at(m_fiche);
        if (m_fiche > 0) nouvellePage();
        m_vendeur = f.synthese ? f.titre : QStringLiteral("Vendeur : %1").arg(f.titre);
        m_pageVendeur = 1;
        const int premiere = m_page;
        qreal y = enteteCourant();
        if (f.synthese) {
            y = tableau(m_synthese, 0, m_t.lignes.size(), y) + 10 * m_point;
        } else {
            const qsizetype a = de + f.lignes.size();
            y = tableau(m_mise, de, a, y) + 10 * m_point;
            de = a;
        }
        resume(f, y);
        if (!m_dessine) m_pagesFiches.append(m_page - premiere + 1);
    }
    m_vendeur.clear();
}

void PeintrePages::table() {
    qreal y = tableau(m_mise, 0, m_mise.lignes->size(), enteteCourant());
    // The chart below the rows, on pages of its own when it does not fit.
    for (const QImage& image : std::as_const(m_images)) {
        const qreal h = m_largeur * image.height() / image.width();
        if (y + 12 * m_point + h > m_hCorps) {
            nouvellePage();
            y = enteteCourant();
        } else {
            y += 12 * m_point;
        }
        if (m_dessine) m_s.image(QRectF(0, y, m_largeur, h), image);
        y += h;
    }
}

int PeintrePages::passe(bool dessiner) {
    m_dessine = dessiner;
    m_page = 1;
    if (m_t.fiches.isEmpty())
        table();
    else
        fiches();
    pied();
    return m_page;
}

int PeintrePages::peindre() {
    disposer();
    if (!m_s.commencer()) return 0;
    preparer();
    m_total = passe(false);
    passe(true);
    return m_total;
}

}  // namespace

namespace {

// A long report's pages are made of many blocks freed and taken again (Qt's PDF writer copies
// each page's stream as it compresses it). With glibc's default thresholds the memory freed went
// back to the system and was faulted in again for the next page: on a settlement of 21,000 pages,
// half a million faults and a third of the time. Blocks under 32 MB now come from the heap and
// up to 64 MB freed are kept.
void GarderMemoireLiberee() {
#ifdef __GLIBC__
    static const bool fait = [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
        return true;
    }();
    (void)fait;
#endif
}

int PeindreSur(const Tableau& t, QPagedPaintDevice& appareil, Surface& surface) {
    GarderMemoireLiberee();
    if (!t.lignesAuFil) return PeintrePages(t, appareil, surface).peindre();
    // Pages are laid out over every row at once.
    Tableau tenu = t;
    Materialiser(tenu);
    return PeintrePages(tenu, appareil, surface).peindre();
}

}  // namespace

int Peindre(const Tableau& t, QPagedPaintDevice& appareil) {
    const std::unique_ptr<Surface> peintre = SurfacePeintre(appareil);
    return PeindreSur(t, appareil, *peintre);
}

void ExporterPdf(const Tableau& t, const QString& chemin) {
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly)) Echec(chemin, fichier.errorString());
    {
        // The pages are laid out in the units of Qt's PDF writer and written by libharu; the
        // writer itself draws only when the fonts libharu embeds are missing.
        QBuffer rien;
        QPdfWriter mesure(&rien);
        mesure.setResolution(300);
        if (std::unique_ptr<SurfacePdf> pdf = SurfacePdf::Creer(mesure, t.titre)) {
            if (PeindreSur(t, mesure, *pdf) == 0) Echec(chemin, QStringLiteral("le document PDF n'a pas pu être produit."));
            QString raison;
            if (!pdf->enregistrer(fichier, raison)) Echec(chemin, raison);
        } else {
            QPdfWriter qt(&fichier);
            qt.setResolution(300);
            qt.setTitle(t.titre);
            qt.setCreator(QStringLiteral("Corvandelle"));
            if (Peindre(t, qt) == 0) Echec(chemin, QStringLiteral("le document PDF n'a pas pu être produit."));
        }
    }
    if (!fichier.commit()) Echec(chemin, fichier.errorString());
}

void Exporter(const Tableau& tableau, Format format, const QString& chemin) {
    switch (format) {
    case Format::Csv: ExporterCsv(tableau, chemin); break;
    case Format::Pdf: ExporterPdf(tableau, chemin); break;
    case Format::Classeur: ExporterClasseur(tableau, chemin); break;
    }
}

}  // namespace Rapports
