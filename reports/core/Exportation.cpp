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
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
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

// TexteCellule with the locale read once per file.
QString Texte(const TextesNombres& nombres, const QVariant& valeur, Genre genre) {
    if (genre != Genre::Texte) return nombres.Texte(valeur, genre);
    return valeur.isValid() && !valeur.isNull() ? valeur.toString() : QString();
}

void EcrireAtomique(const QString& chemin, const QByteArray& contenu) {
    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly)) Echec(chemin, fichier.errorString());
    if (fichier.write(contenu) != contenu.size()) Echec(chemin, fichier.errorString());
    if (!fichier.commit()) Echec(chemin, fichier.errorString());
}

// Column widths in device units: each column gets at least its longest header word, so no
// word is broken in two, and the rest of the width goes where the contents are long.
QList<qreal> LargeursColonnes(const Tableau& t, const QFontMetricsF& gras, qreal largeur, qreal marge) {
    const qsizetype n = t.entetes.size();
    QList<qreal> minimum, souhaite;
    for (qsizetype col = 0; col < n; ++col) {
        qreal mot = 0;
        for (const QString& m : t.entetes.at(col).split(QLatin1Char(' '))) mot = std::max(mot, gras.horizontalAdvance(m));
        // The longest text of the column; measured on its length in characters first, so a
        // column of many rows is measured a few times only.
        qsizetype plusLong = 0;
        QString exemple;
        const TextesNombres nombres;
        for (const Ligne& l : t.lignes) {
            const QString texte = Texte(nombres, l.cellules.value(col), t.genres.at(col));
            if (texte.size() > plusLong) {
                plusLong = texte.size();
                exemple = texte;
            }
        }
        const qreal contenu = std::max(gras.horizontalAdvance(exemple), gras.horizontalAdvance(t.entetes.at(col)) / 2);
        minimum << mot + marge;
        souhaite << std::max(mot, std::min(contenu, largeur / 3)) + marge;
    }
    qreal sommeMin = 0, sommeSouhait = 0;
    for (qsizetype col = 0; col < n; ++col) {
        sommeMin += minimum.at(col);
        sommeSouhait += souhaite.at(col);
    }
    QList<qreal> largeurs;
    for (qsizetype col = 0; col < n; ++col) {
        if (sommeSouhait <= largeur)
            largeurs << souhaite.at(col) * largeur / sommeSouhait;
        else if (sommeSouhait > sommeMin)
            largeurs << minimum.at(col) + (souhaite.at(col) - minimum.at(col)) * std::max<qreal>(0, largeur - sommeMin) /
                                              (sommeSouhait - sommeMin);
        else
            largeurs << minimum.at(col) * largeur / sommeMin;
    }
    return largeurs;
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
    const TextesNombres nombres;
    for (const Ligne& l : t.lignes) {
        if (l.type != Ligne::Type::Donnee) continue;
        for (qsizetype col = 0; col < t.entetes.size(); ++col) {
            const QVariant v = l.cellules.value(col);
            if (v.isValid() && !v.isNull())
                largeurs[col] = std::max(largeurs[col], static_cast<int>(Texte(nombres, v, t.genres.at(col)).size()));
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

    for (qsizetype col = 0; col < t.entetes.size(); ++col)
        worksheet_write_string(feuille, 0, static_cast<lxw_col_t>(col), t.entetes.at(col).toUtf8().constData(), gras);
    lxw_row_t rang = 1;
    for (const Ligne& l : t.lignes) {
        if (l.type != Ligne::Type::Donnee) continue;
        for (qsizetype col = 0; col < t.entetes.size(); ++col) {
            const QVariant v = l.cellules.value(col);
            const auto c = static_cast<lxw_col_t>(col);
            if (!v.isValid() || v.isNull()) continue;
            switch (t.genres.at(col)) {
            case Genre::Texte:
                worksheet_write_string(feuille, rang, c, v.toString().toUtf8().constData(), nullptr);
                break;
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

int Peindre(const Tableau& t, QPagedPaintDevice& appareil) {
    appareil.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                       QPageLayout::Millimeter));
    QPainter p(&appareil);
    if (!p.isActive()) return 0;
    // The pages are drawn directly: a text document lays a long table out far too slowly.
    const qreal largeur = appareil.width();
    const qreal hauteur = appareil.height();
    const qreal point = appareil.logicalDpiY() / 72.0;  // device units per typographic point
    QFont normal(QStringLiteral("DejaVu Sans"));
    normal.setPointSizeF(8.5);
    QFont gras = normal;
    gras.setBold(true);
    QFont titre = normal;
    titre.setPointSizeF(15);
    titre.setBold(true);
    const QFontMetricsF mNormal(normal, &appareil), mGras(gras, &appareil), mTitre(titre, &appareil);
    const qreal marge = 3 * point;
    const QList<qreal> largeurs = LargeursColonnes(t, mGras, largeur, 2 * marge + point);
    const qsizetype nbColonnes = largeurs.size();

    // Heights: the heading (first page), the header row (every page), a row, the footer.
    const QString filtres = t.descriptionFiltres.join(QStringLiteral(" · "));
    const QString source = QStringLiteral("Base : %1 · produit le %2")
                               .arg(QDir::toNativeSeparators(t.source), QLocale().toString(t.produitLe, QLocale::ShortFormat));
    const QRectF grand(0, 0, largeur, hauteur);
    const qreal hTitre = mTitre.height() + 4 * point;
    const qreal hFiltres = mNormal.boundingRect(grand, Qt::TextWordWrap, filtres).height() + 2 * point;
    const qreal hSource = mNormal.boundingRect(grand, Qt::TextWordWrap, source).height() + 8 * point;
    const qreal hEntete1 = hTitre + hFiltres + hSource;
    qreal hEnteteTable = 0;
    for (qsizetype col = 0; col < nbColonnes; ++col)
        hEnteteTable = std::max(hEnteteTable, mGras.boundingRect(QRectF(0, 0, largeurs.at(col) - 2 * marge, hauteur),
                                                                 Qt::TextWordWrap, t.entetes.at(col)).height());
    hEnteteTable += 2 * marge;
    const qreal hLigne = mNormal.height() + 2 * marge;
    const qreal hPied = mNormal.height() * 2.5;
    const qreal hCorps = hauteur - hPied;
    const auto lignesPage = [&](bool premiere) {
        return std::max(1, static_cast<int>((hCorps - (premiere ? hEntete1 : 0) - hEnteteTable) / hLigne));
    };

    // The pages: rows first, then the sales chart below them, on a new page if it does not fit.
    const int nbLignes = static_cast<int>(t.lignes.size());
    QList<int> debuts{0};
    int reste = nbLignes - lignesPage(true);
    while (reste > 0) {
        debuts << nbLignes - reste;
        reste -= lignesPage(false);
    }
    const bool avecGraphique = t.rapport == Rapport::Ventes && nbLignes > 1;
    const qreal hGraphique = largeur / 2;
    const int lignesDerniere = nbLignes - debuts.last();
    const qreal basDerniere = (debuts.size() == 1 ? hEntete1 : 0) + hEnteteTable + lignesDerniere * hLigne;
    const bool pageGraphique = avecGraphique && basDerniere + 12 * point + hGraphique > hCorps;
    const int pages = static_cast<int>(debuts.size()) + (pageGraphique ? 1 : 0);

    const QColor trait(0x99, 0x99, 0x99), fondEntete(0xdd, 0xe3, 0xea), fondTotal(0xee, 0xf1, 0xf5),
        fondAlerte(0xfd, 0xe2, 0xe4), encreAlerte(0xb0, 0x00, 0x20), discret(0x55, 0x55, 0x55);
    QPen plume(trait);
    plume.setWidthF(0.5 * point);

    auto enteteTable = [&](qreal y) {
        qreal x = 0;
        p.setFont(gras);
        for (qsizetype col = 0; col < nbColonnes; ++col) {
            const QRectF cellule(x, y, largeurs.at(col), hEnteteTable);
            p.fillRect(cellule, fondEntete);
            p.setPen(plume);
            p.drawRect(cellule);
            p.setPen(Qt::black);
            const Qt::Alignment sens = t.genres.at(col) == Genre::Texte ? Qt::AlignLeft : Qt::AlignRight;
            p.drawText(cellule.adjusted(marge, marge, -marge, -marge), sens | Qt::AlignBottom | Qt::TextWordWrap,
                       t.entetes.at(col));
            x += largeurs.at(col);
        }
        return y + hEnteteTable;
    };
    // A row's backgrounds and texts; the grid is drawn once per page (a long report has tens
    // of thousands of cells, and the PDF grows with every stroke).
    const TextesNombres nombres;
    auto ligne = [&](const Ligne& l, qreal y) {
        qreal x = 0;
        const bool total = l.type != Ligne::Type::Donnee;
        if (total) p.fillRect(QRectF(0, y, largeur, hLigne), fondTotal);
        for (qsizetype col = 0; col < nbColonnes; ++col) {
            const QRectF cellule(x, y, largeurs.at(col), hLigne);
            x += largeurs.at(col);
            const bool alerte = l.alerte && (col == t.colonneAlerte || t.colonneAlerte < 0);
            if (alerte) p.fillRect(cellule, fondAlerte);
            QString texte = Texte(nombres, l.cellules.value(col), t.genres.at(col));
            if (texte.isEmpty()) continue;
            p.setFont(total || alerte ? gras : normal);
            p.setPen(alerte ? encreAlerte : QColor(Qt::black));
            const bool estTexte = t.genres.at(col) == Genre::Texte;
            if (estTexte) {
                // One line per row: a line break in a name shows as a blank, a text too long ends in "…".
                texte.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
                texte = (total || alerte ? mGras : mNormal).elidedText(texte, Qt::ElideRight, largeurs.at(col) - 2 * marge);
            }
            p.drawText(cellule.adjusted(marge, 0, -marge, 0), (estTexte ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                       texte);
        }
    };
    auto grille = [&](qreal haut, qreal bas) {
        p.setPen(plume);
        QList<QLineF> traits;
        for (qreal y = haut + hEnteteTable; y <= bas + 0.5; y += hLigne) traits << QLineF(0, y, largeur, y);
        qreal x = 0;
        traits << QLineF(0, haut, 0, bas);
        for (qreal l : largeurs) {
            x += l;
            traits << QLineF(x, haut, x, bas);
        }
        p.drawLines(traits);
    };

    for (int page = 0; page < pages; ++page) {
        if (page > 0) appareil.newPage();
        qreal y = 0;
        if (page == 0) {
            p.setFont(titre);
            p.setPen(Qt::black);
            p.drawText(QRectF(0, 0, largeur, hTitre), Qt::AlignLeft | Qt::AlignTop, t.titre);
            y = hTitre;
            p.setFont(normal);
            p.drawText(QRectF(0, y, largeur, hFiltres), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, filtres);
            y += hFiltres;
            p.setPen(discret);
            p.drawText(QRectF(0, y, largeur, hSource), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, source);
            y += hSource;
        }
        if (page < debuts.size()) {
            const qreal hautTable = y;
            y = enteteTable(y);
            const int fin = page + 1 < debuts.size() ? debuts.at(page + 1) : nbLignes;
            for (int i = debuts.at(page); i < fin; ++i, y += hLigne) ligne(t.lignes.at(i), y);
            grille(hautTable, y);
        }
        if (avecGraphique && page == pages - 1) {
            const qreal haut = pageGraphique ? 0 : y + 12 * point;
            const QImage image = ImageGraphique(t, t.filtres.piece, QSize(1200, 600));
            p.drawImage(QRectF(0, haut, largeur, hGraphique), image);
        }
        p.setFont(normal);
        p.setPen(discret);
        const QRectF pied(0, hauteur - hPied * 0.6, largeur, hPied * 0.6);
        p.drawText(pied, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Page %1 / %2").arg(page + 1).arg(pages));
        p.drawText(pied, Qt::AlignLeft | Qt::AlignBottom, t.titre);
    }
    return pages;
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
