#include "Exportation.h"

#include "Graphique.h"

#include <QDir>
#include <QFontMetricsF>
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
#include <cstdio>
#include <vector>

#include <sys/stat.h>

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

void EcrireAtomique(const QString& chemin, const QByteArray& contenu) {
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly)) Echec(chemin, fichier.errorString());
    if (fichier.write(contenu) != contenu.size()) Echec(chemin, fichier.errorString());
    if (!fichier.commit()) Echec(chemin, fichier.errorString());
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

QByteArray TexteCsv(const Tableau& t) {
    QByteArray sortie("\xEF\xBB\xBF");
    const qsizetype nbColonnes = t.entetes.size();
    sortie.reserve(t.lignes.size() * nbColonnes * 8 + 256);
    for (qsizetype col = 0; col < nbColonnes; ++col) {
        if (col > 0) sortie += ';';
        sortie += ChampCsv(t.entetes.at(col));
    }
    sortie += "\r\n";
    // A long report repeats its names row after row, as copies of one string: the field of the
    // row above is kept per column and used again while the string is the same.
    struct Precedent {
        const QChar* donnees = nullptr;
        qsizetype taille = -1;
        QByteArray champ;
    };
    std::vector<Precedent> precedents(static_cast<size_t>(nbColonnes));
    const TextesNombres nombres;
    for (const Ligne& l : t.lignes) {
        if (l.type != Ligne::Type::Donnee) continue;
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
            // The string lives in the table, so the same characters mean the same string.
            const QString texte = v.toString();
            Precedent& p = precedents[static_cast<size_t>(col)];
            if (p.donnees != texte.constData() || p.taille != texte.size()) {
                p.champ = ChampCsv(texte);
                p.donnees = texte.constData();
                p.taille = texte.size();
            }
            sortie += p.champ;
        }
        sortie += "\r\n";
    }
    return sortie;
}

void ExporterCsv(const Tableau& tableau, const QString& chemin) { EcrireAtomique(chemin, TexteCsv(tableau)); }

void ExporterClasseur(const Tableau& t, const QString& chemin) {
    // A sheet holds 1,048,576 rows, the header one of them: a longer report is refused whole
    // rather than cut where the sheet ends.
    constexpr qsizetype kLignesFeuille = 1048576;
    qsizetype nbDonnees = 0;
    for (const Ligne& l : t.lignes)
        if (l.type == Ligne::Type::Donnee) ++nbDonnees;
    if (nbDonnees + 1 > kLignesFeuille)
        Echec(chemin, QStringLiteral("le rapport a %1 lignes et une feuille de classeur n'en contient que %2 avec l'en-tête. "
                                     "Choisissez une pièce, ou écrivez le rapport en CSV.")
                          .arg(nbDonnees)
                          .arg(kLignesFeuille - 1));
    const QFileInfo cible(chemin);
    // libxlsxwriter writes the whole file at workbook_close: it writes a temporary name beside
    // the target, which is renamed only once complete.
    QTemporaryFile temporaire(cible.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(cible.fileName())));
    if (!temporaire.open()) Echec(chemin, temporaire.errorString());
    temporaire.close();
    const QByteArray nomTemporaire = QFile::encodeName(temporaire.fileName());
    const QByteArray dossierTemporaire = QFile::encodeName(cible.absolutePath());

    // Widths first: in constant-memory mode each row goes to disk as it is written, so the
    // columns must be sized before the first row. That mode keeps a report of a million cells
    // from holding every cell in memory until the file is closed.
    QList<int> largeurs;
    for (const QString& e : t.entetes) largeurs << static_cast<int>(e.size());
    // A number's width is its digits' count (no text is made for it: a report may hold
    // millions of cells); a text's is its length.
    for (const Ligne& l : t.lignes) {
        if (l.type != Ligne::Type::Donnee) continue;
        for (qsizetype col = 0; col < t.entetes.size() && col < l.cellules.size(); ++col) {
            const QVariant& v = l.cellules.at(col);
            if (!v.isValid() || v.isNull()) continue;
            char tampon[64];
            int largeur = 0;
            switch (t.genres.at(col)) {
            case Genre::Texte: largeur = static_cast<int>(v.toString().size()); break;
            case Genre::Entier: largeur = static_cast<int>(std::to_chars(tampon, tampon + sizeof tampon, v.toLongLong()).ptr - tampon); break;
            case Genre::Montant: {
                const auto r = std::to_chars(tampon, tampon + sizeof tampon, v.toDouble(), std::chars_format::fixed, 2);
                largeur = r.ec == std::errc() ? static_cast<int>(r.ptr - tampon) : 20;
                break;
            }
            }
            largeurs[col] = std::max(largeurs[col], largeur);
        }
    }

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(dossierTemporaire.constData());
    lxw_workbook* classeur = workbook_new_opt(nomTemporaire.constData(), &options);
    if (!classeur) Echec(chemin, QStringLiteral("le classeur n'a pas pu être créé."));
    lxw_worksheet* feuille = workbook_add_worksheet(classeur, t.titre.left(31).toUtf8().constData());
    if (!feuille) {
        workbook_close(classeur);
        Echec(chemin, QStringLiteral("la feuille du classeur n'a pas pu être créée."));
    }
    lxw_format* gras = workbook_add_format(classeur);
    format_set_bold(gras);
    lxw_format* montant = workbook_add_format(classeur);
    format_set_num_format(montant, "0.00");
    for (qsizetype col = 0; col < largeurs.size(); ++col)
        worksheet_set_column(feuille, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                             std::min(largeurs.at(col), 60) + 2.0, nullptr);

    // The header stays in view and carries the filter buttons.
    worksheet_freeze_panes(feuille, 1, 0);
    if (!t.entetes.isEmpty())
        worksheet_autofilter(feuille, 0, 0, static_cast<lxw_row_t>(nbDonnees), static_cast<lxw_col_t>(t.entetes.size() - 1));
    for (qsizetype col = 0; col < t.entetes.size(); ++col)
        worksheet_write_string(feuille, 0, static_cast<lxw_col_t>(col), t.entetes.at(col).toUtf8().constData(), gras);
    // Names repeat row after row as copies of one string: its UTF-8 is made once per run.
    struct Precedent {
        const QChar* donnees = nullptr;
        qsizetype taille = -1;
        QByteArray utf8;
    };
    std::vector<Precedent> precedents(static_cast<size_t>(t.entetes.size()));
    lxw_row_t rang = 1;
    for (const Ligne& l : t.lignes) {
        if (l.type != Ligne::Type::Donnee) continue;
        for (qsizetype col = 0; col < t.entetes.size(); ++col) {
            const QVariant v = l.cellules.value(col);
            const auto c = static_cast<lxw_col_t>(col);
            if (!v.isValid() || v.isNull()) continue;
            switch (t.genres.at(col)) {
            case Genre::Texte: {
                const QString texte = v.toString();
                Precedent& p = precedents[static_cast<size_t>(col)];
                if (p.donnees != texte.constData() || p.taille != texte.size()) {
                    p.utf8 = texte.toUtf8();
                    p.donnees = texte.constData();
                    p.taille = texte.size();
                }
                worksheet_write_string(feuille, rang, c, p.utf8.constData(), nullptr);
                break;
            }
            case Genre::Entier:
                worksheet_write_number(feuille, rang, c, static_cast<double>(v.toLongLong()), nullptr);
                break;
            case Genre::Montant:
                worksheet_write_number(feuille, rang, c, v.toDouble(), montant);
                break;
            }
        }
        ++rang;
    }
    const lxw_error erreur = workbook_close(classeur);
    if (erreur != LXW_NO_ERROR) Echec(chemin, QString::fromUtf8(lxw_strerror(erreur)));
    if (std::rename(nomTemporaire.constData(), QFile::encodeName(cible.absoluteFilePath()).constData()) != 0)
        Echec(chemin, QStringLiteral("le fichier temporaire n'a pas pu prendre son nom."));
    temporaire.setAutoRemove(false);  // it has become the target
    // A temporary file is private to its owner; the report is an ordinary file.
    const mode_t masque = ::umask(0);
    ::umask(masque);
    ::chmod(QFile::encodeName(cible.absoluteFilePath()).constData(), 0666 & ~masque);
}

namespace {

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
                QString plusLong;
                for (const Ligne& l : *lignes) {
                    const QString texte = TexteCellule(l.cellules.value(col), genres.at(col));
                    if (texte.size() > plusLong.size()) plusLong = texte;
                }
                mot = std::max(mot, mG.horizontalAdvance(plusLong));
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
        // Heights: a row is one line unless a text needs more within its column.
        const qreal hauteurLigne = mN.height() + 2 * marge;
        hEntete = 0;
        for (qsizetype col = 0; col < entetesAffiches().size(); ++col)
            hEntete = std::max(hEntete, mG.boundingRect(QRectF(0, 0, largeurs.at(col) - 2 * marge, 1e6), Qt::TextWordWrap,
                                                        entetesAffiches().at(col)).height());
        hEntete += 2 * marge;
        hauteurs.clear();
        hauteurs.reserve(lignes->size());
        for (const Ligne& l : *lignes) {
            qreal h = hauteurLigne;
            for (qsizetype col = 0; col < n; ++col) {
                if (genres.at(col) != Genre::Texte) continue;
                const QVariant v = l.cellules.value(col);
                if (!v.isValid() || v.isNull()) continue;
                const QString texte = Ligne1(v.toString());
                const QFontMetricsF& m = l.type == Ligne::Type::Donnee && !l.alerte ? mN : mG;
                const qreal place = largeurs.at(col) - 2 * marge;
                if (m.horizontalAdvance(texte) <= place) continue;
                h = std::max(h, m.boundingRect(QRectF(0, 0, place, 1e6), Qt::TextWordWrap, texte).height() + 2 * marge);
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

int Peindre(const Tableau& t, QPagedPaintDevice& appareil) {
    // The table's fiche columns when it is printed one page per fiche.
    const bool parFiches = !t.fiches.isEmpty();
    QList<Ligne> lignesFiches;
    for (const Fiche& f : t.fiches) lignesFiches += f.lignes;

    MiseEnPage mise;
    mise.entetes = parFiches ? t.entetesFiche : t.entetes;
    mise.genres = parFiches ? t.genresFiche : t.genres;
    mise.lignes = parFiches ? &lignesFiches : &t.lignes;
    mise.caseArrivee = t.caseArrivee;
    QFont normal(QStringLiteral("DejaVu Sans"));
    normal.setPointSizeF(8.5);

    // Portrait when the table fits, else landscape; if even that is too narrow, a smaller
    // type: a figure is never cut.
    QPageLayout::Orientation sens = QPageLayout::Portrait;
    const auto disposer = [&](QPageLayout::Orientation o) {
        appareil.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), o, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    };
    const auto mesurer = [&] {
        mise.normal = normal;
        mise.gras = normal;
        mise.gras.setBold(true);
        mise.marge = 3 * appareil.logicalDpiY() / 72.0;
        mise.Mesurer(appareil, appareil.width());
    };
    disposer(sens);
    mesurer();
    if (mise.minimum > appareil.width()) {
        sens = QPageLayout::Landscape;
        disposer(sens);
        mesurer();
    }
    for (int essai = 0; essai < 4 && mise.minimum > appareil.width(); ++essai) {
        normal.setPointSizeF(std::max(4.0, normal.pointSizeF() * appareil.width() / mise.minimum * 0.98));
        mesurer();
    }

    QPainter p(&appareil);
    if (!p.isActive()) return 0;
    // The pages are drawn directly: a text document lays a long table out far too slowly.
    const qreal largeur = appareil.width();
    const qreal hauteur = appareil.height();
    const qreal point = appareil.logicalDpiY() / 72.0;  // device units per typographic point
    const QFont& gras = mise.gras;
    QFont titre = normal;
    titre.setPointSizeF(15);
    titre.setBold(true);
    QFont grand = normal;
    grand.setPointSizeF(11);
    grand.setBold(true);
    const QFontMetricsF mNormal(normal, &appareil), mTitre(titre, &appareil), mGrand(grand, &appareil);
    const qreal marge = mise.marge;
    const QList<qreal>& largeurs = mise.largeurs;
    const qsizetype nbColonnes = mise.entetes.size();
    const QStringList entetes = mise.entetesAffiches();
    const qreal largeurTable = std::min(largeur, mise.largeurTotale());

    const QString filtres = t.descriptionFiltres.join(QStringLiteral(" · "));
    const QString source = QStringLiteral("Base : %1 · produit le %2")
                               .arg(QDir::toNativeSeparators(t.source), QLocale().toString(t.produitLe, QLocale::ShortFormat));
    const QRectF page(0, 0, largeur, hauteur);
    const qreal hTitre = mTitre.height() + 4 * point;
    const qreal hFiltres = mNormal.boundingRect(page, Qt::TextWordWrap, filtres).height() + 2 * point;
    const qreal hSource = mNormal.boundingRect(page, Qt::TextWordWrap, source).height() + 8 * point;
    const auto hSousTitre = [&](const QString& sousTitre) {
        return sousTitre.isEmpty() ? 0.0 : mGrand.boundingRect(page, Qt::TextWordWrap, sousTitre).height() + 3 * point;
    };
    const qreal hPied = mNormal.height() * 2.5;
    const qreal hCorps = hauteur - hPied;

    const QColor trait(0x99, 0x99, 0x99), fondEntete(0xdd, 0xe3, 0xea), fondTotal(0xee, 0xf1, 0xf5),
        fondAlerte(0xfd, 0xe2, 0xe4), encreAlerte(0xb0, 0x00, 0x20), discret(0x55, 0x55, 0x55);
    QPen plume(trait);
    plume.setWidthF(0.5 * point);

    bool dessine = false;  // false on the pass that only counts the pages
    auto enteteTable = [&](qreal y) {
        if (!dessine) return y + mise.hEntete;
        qreal x = 0;
        p.setFont(gras);
        for (qsizetype col = 0; col < entetes.size(); ++col) {
            const QRectF cellule(x, y, largeurs.at(col), mise.hEntete);
            p.fillRect(cellule, fondEntete);
            p.setPen(plume);
            p.drawRect(cellule);
            p.setPen(Qt::black);
            const bool texte = col >= nbColonnes || mise.genres.at(col) == Genre::Texte;
            p.drawText(cellule.adjusted(marge, marge, -marge, -marge),
                       (texte ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignBottom | Qt::TextWordWrap, entetes.at(col));
            x += largeurs.at(col);
        }
        return y + mise.hEntete;
    };
    // A row's backgrounds and texts; the grid is drawn once per page (a long report has tens
    // of thousands of cells, and the PDF grows with every stroke).
    auto ligne = [&](const Ligne& l, qreal y, qreal h) {
        if (!dessine) return;
        qreal x = 0;
        const bool total = l.type != Ligne::Type::Donnee;
        if (total) p.fillRect(QRectF(0, y, largeurTable, h), fondTotal);
        for (qsizetype col = 0; col < nbColonnes; ++col) {
            const QRectF cellule(x, y, largeurs.at(col), h);
            x += largeurs.at(col);
            const int colonneAlerte = parFiches ? t.colonneAlerteFiche : t.colonneAlerte;
            const bool alerte = l.alerte && (col == colonneAlerte || colonneAlerte < 0);
            if (alerte) p.fillRect(cellule, fondAlerte);
            const bool estTexte = mise.genres.at(col) == Genre::Texte;
            const QString texte = estTexte ? MiseEnPage::Ligne1(TexteCellule(l.cellules.value(col), Genre::Texte))
                                           : TexteCellule(l.cellules.value(col), mise.genres.at(col));
            if (texte.isEmpty()) continue;
            p.setFont(total || alerte ? gras : normal);
            p.setPen(alerte ? encreAlerte : QColor(Qt::black));
            // Texts wrap within their column; numbers fit their column by its width.
            p.drawText(cellule.adjusted(marge, marge, -marge, -marge),
                       estTexte ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap : Qt::AlignRight | Qt::AlignTop, texte);
        }
        if (mise.caseArrivee && !total) {
            const qreal cote = mNormal.height() * 0.8;
            const QRectF cellule(x, y, largeurs.last(), h);
            p.setPen(QPen(Qt::black, 0.7 * point));
            p.drawRect(QRectF(cellule.center().x() - cote / 2, y + marge + (mNormal.height() - cote) / 2, cote, cote));
        }
    };
    auto grille = [&](qreal haut, const QList<qreal>& ys) {
        if (!dessine) return;
        p.setPen(plume);
        QList<QLineF> traits;
        for (qreal y : ys) traits << QLineF(0, y, largeurTable, y);
        const qreal bas = ys.isEmpty() ? haut : ys.last();
        qreal x = 0;
        traits << QLineF(0, haut, 0, bas);
        for (qreal l : largeurs) {
            x += l;
            traits << QLineF(x, haut, x, bas);
        }
        p.drawLines(traits);
    };
    // Rows from..to below y, on as many pages as they need, the header repeated on each;
    // returns the height reached on the last page. nouvellePage starts a page.
    int pageCourante = 0;
    auto tableau = [&](int de, int a, qreal y, const std::function<void()>& nouvellePage) {
        qreal haut = y;
        y = enteteTable(y);
        QList<qreal> ys{y};
        for (int i = de; i < a; ++i) {
            const qreal h = mise.hauteurs.at(i);
            if (y + h > hCorps && i > de) {
                grille(haut, ys);
                nouvellePage();
                haut = 0;
                y = enteteTable(0);
                ys = {y};
            }
            ligne(mise.lignes->at(i), y, h);
            y += h;
            ys << y;
        }
        grille(haut, ys);
        return y;
    };

    // Two passes: the first counts the pages (for "Page n / N"), the second draws them.
    int totalPages = 0;
    const bool avecGraphique = !parFiches && t.rapport == Rapport::Ventes && t.lignes.size() > 1;
    const QList<QImage> images = avecGraphique ? ImagesGraphique(t, t.filtres.piece, largeur, hCorps) : QList<QImage>();
    const auto dessiner = [&](bool pourDeVrai) {
        dessine = pourDeVrai;
        pageCourante = 1;
        const auto pied = [&] {
            if (!pourDeVrai) return;
            p.setFont(normal);
            p.setPen(discret);
            const QRectF zone(0, hauteur - hPied * 0.6, largeur, hPied * 0.6);
            p.drawText(zone, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Page %1 / %2").arg(pageCourante).arg(totalPages));
            p.drawText(zone, Qt::AlignLeft | Qt::AlignBottom, t.titre);
        };
        const auto nouvellePage = [&] {
            pied();
            if (pourDeVrai) appareil.newPage();
            ++pageCourante;
        };
        const auto entete = [&](const QString& sousTitre) {
            if (!pourDeVrai) return hTitre + hSousTitre(sousTitre) + hFiltres + hSource;
            p.setFont(titre);
            p.setPen(Qt::black);
            p.drawText(QRectF(0, 0, largeur, hTitre), Qt::AlignLeft | Qt::AlignTop, t.titre);
            qreal y = hTitre;
            if (!sousTitre.isEmpty()) {
                p.setFont(grand);
                const qreal h = hSousTitre(sousTitre);
                p.drawText(QRectF(0, y, largeur, h), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, sousTitre);
                y += h;
            }
            p.setFont(normal);
            p.drawText(QRectF(0, y, largeur, hFiltres), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, filtres);
            y += hFiltres;
            p.setPen(discret);
            p.drawText(QRectF(0, y, largeur, hSource), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, source);
            return y + hSource;
        };
        if (parFiches) {
            int de = 0;
            for (qsizetype i = 0; i < t.fiches.size(); ++i) {
                const Fiche& f = t.fiches.at(i);
                if (i > 0) nouvellePage();
                qreal y = entete(QStringLiteral("Vendeur : %1").arg(f.titre));
                const int a = de + static_cast<int>(f.lignes.size());
                y = tableau(de, a, y, nouvellePage) + 10 * point;
                de = a;
                // The figures to settle, then the signatures and the date.
                const qreal hLigne = mGrand.height() + 4 * point;
                if (y + hLigne * (static_cast<qreal>(f.resume.size()) + 7) > hCorps) {
                    nouvellePage();
                    y = 0;
                }
                if (!pourDeVrai) continue;
                p.setFont(grand);
                p.setPen(Qt::black);
                for (const auto& [libelle, valeur] : f.resume) {
                    p.drawText(QRectF(0, y, largeur, hLigne), Qt::AlignLeft | Qt::AlignVCenter, libelle + QStringLiteral(" :"));
                    p.drawText(QRectF(0, y, largeur / 2, hLigne), Qt::AlignRight | Qt::AlignVCenter, valeur);
                    y += hLigne;
                }
                y += 2 * hLigne;
                p.setFont(normal);
                for (const QString& signature : {QStringLiteral("Signature du vendeur :"), QStringLiteral("Signature du trésorier :"),
                                                 QStringLiteral("Date :")}) {
                    p.drawText(QRectF(0, y, largeur, hLigne), Qt::AlignLeft | Qt::AlignBottom, signature);
                    p.drawLine(QLineF(largeur * 0.3, y + hLigne, largeur * 0.8, y + hLigne));
                    y += hLigne * 1.6;
                }
            }
        } else {
            qreal y = tableau(0, static_cast<int>(mise.lignes->size()), entete(QString()), nouvellePage);
            if (avecGraphique) {
                // The chart below the rows, on pages of its own when it does not fit.
                for (const QImage& image : images) {
                    const qreal h = largeur * image.height() / image.width();
                    if (y + 12 * point + h > hCorps) {
                        nouvellePage();
                        y = 0;
                    } else {
                        y += 12 * point;
                    }
                    if (pourDeVrai) p.drawImage(QRectF(0, y, largeur, h), image);
                    y += h;
                }
            }
        }
        pied();
        return pageCourante;
    };
    totalPages = dessiner(false);
    dessiner(true);
    return totalPages;
}

void ExporterPdf(const Tableau& t, const QString& chemin) {
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly)) Echec(chemin, fichier.errorString());
    {
        QPdfWriter pdf(&fichier);
        pdf.setResolution(300);
        pdf.setTitle(t.titre);
        pdf.setCreator(QStringLiteral("Corvandelle"));
        if (Peindre(t, pdf) == 0) Echec(chemin, QStringLiteral("le document PDF n'a pas pu être produit."));
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
