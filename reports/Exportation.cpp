#include "Exportation.h"

#include "Graphique.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>

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

// Builds the pages' text: heading, then the table.
void RemplirDocument(const Tableau& t, QTextDocument& doc, QPaintDevice* appareil, qreal largeur, qreal echelleImages) {
    QTextCursor c(&doc);
    // One layout at the end, not one per cell (a long table would take minutes).
    c.beginEditBlock();
    QTextCharFormat titre;
    titre.setFontPointSize(15);
    titre.setFontWeight(QFont::Bold);
    c.insertText(t.titre, titre);
    QTextCharFormat normal;
    normal.setFontPointSize(9);
    QTextBlockFormat bloc;
    bloc.setTopMargin(4);
    c.insertBlock(bloc);
    c.insertText(t.descriptionFiltres.join(QStringLiteral(" · ")), normal);
    c.insertBlock(bloc);
    QTextCharFormat discret = normal;
    discret.setForeground(QColor(0x55, 0x55, 0x55));
    c.insertText(QStringLiteral("Base : %1 · produit le %2").arg(QDir::toNativeSeparators(t.source),
                                                                 QLocale().toString(t.produitLe, QLocale::ShortFormat)),
                 discret);
    QTextBlockFormat avantTable;
    avantTable.setBottomMargin(8);
    c.insertBlock(avantTable);

    const int nbColonnes = static_cast<int>(t.entetes.size());
    QTextTableFormat format;
    format.setHeaderRowCount(1);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setBorder(0.5);
    format.setBorderBrush(QColor(0x99, 0x99, 0x99));
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    // Column widths follow their contents: each column gets at least its longest header word,
    // so no word is broken in two, and the rest of the page goes where the contents are long.
    QFont policeGras = doc.defaultFont();
    policeGras.setPointSizeF(9);
    policeGras.setBold(true);
    const QFontMetricsF mesure(policeGras, appareil);
    // Padding and borders are given at the screen's 96 dpi and scaled to the device.
    const qreal marge = (2 * format.cellPadding() + 2 * format.border() + 3) * appareil->logicalDpiX() / 96.0;
    QList<qreal> minimum, souhaite;
    for (int col = 0; col < nbColonnes; ++col) {
        qreal mot = 0;
        for (const QString& m : t.entetes.at(col).split(QLatin1Char(' '))) mot = std::max(mot, mesure.horizontalAdvance(m));
        qreal contenu = mesure.horizontalAdvance(t.entetes.at(col)) / 2;
        for (const Ligne& l : t.lignes)
            contenu = std::max(contenu, mesure.horizontalAdvance(TexteCellule(l.cellules.value(col), t.genres.at(col))));
        minimum << mot + marge;
        souhaite << std::max(mot, std::min(contenu, largeur / 3)) + marge;
    }
    qreal sommeMin = 0, sommeSouhait = 0;
    for (int col = 0; col < nbColonnes; ++col) {
        sommeMin += minimum.at(col);
        sommeSouhait += souhaite.at(col);
    }
    QList<QTextLength> largeurs;
    for (int col = 0; col < nbColonnes; ++col) {
        qreal l = sommeSouhait <= largeur ? souhaite.at(col) * largeur / sommeSouhait
                  : sommeSouhait > sommeMin
                      ? minimum.at(col) + (souhaite.at(col) - minimum.at(col)) * std::max<qreal>(0, largeur - sommeMin) /
                                              (sommeSouhait - sommeMin)
                      : minimum.at(col);
        largeurs << QTextLength(QTextLength::PercentageLength, 100.0 * l / largeur);
    }
    format.setColumnWidthConstraints(largeurs);
    QTextTable* table = c.insertTable(static_cast<int>(t.lignes.size()) + 1, nbColonnes, format);

    auto ecrire = [&](int ligne, int colonne, const QString& texte, bool gras, bool droite, const QColor& fond,
                      const QColor& encre) {
        QTextTableCell cellule = table->cellAt(ligne, colonne);
        if (fond.isValid()) {
            QTextCharFormat f = cellule.format();
            f.setBackground(fond);
            cellule.setFormat(f);
        }
        QTextCursor cc = cellule.firstCursorPosition();
        QTextBlockFormat b;
        b.setAlignment(droite ? Qt::AlignRight : Qt::AlignLeft);
        cc.setBlockFormat(b);
        QTextCharFormat f = normal;
        if (gras) f.setFontWeight(QFont::Bold);
        if (encre.isValid()) f.setForeground(encre);
        cc.insertText(texte, f);
    };
    const QColor entete(0xdd, 0xe3, 0xea), total(0xee, 0xf1, 0xf5), alerteFond(0xfd, 0xe2, 0xe4), alerteEncre(0xb0, 0x00, 0x20);
    for (int col = 0; col < nbColonnes; ++col)
        ecrire(0, col, t.entetes.at(col), true, t.genres.at(col) != Genre::Texte, entete, QColor());
    for (int i = 0; i < t.lignes.size(); ++i) {
        const Ligne& l = t.lignes.at(i);
        const bool estTotal = l.type != Ligne::Type::Donnee;
        for (int col = 0; col < nbColonnes; ++col) {
            const bool alerte = l.alerte && (col == t.colonneAlerte || t.colonneAlerte < 0);
            ecrire(i + 1, col, TexteCellule(l.cellules.value(col), t.genres.at(col)), estTotal || alerte,
                   t.genres.at(col) != Genre::Texte, alerte ? alerteFond : (estTotal ? total : QColor()),
                   alerte ? alerteEncre : QColor());
        }
    }
    if (t.rapport == Rapport::Ventes && t.lignes.size() > 1) {
        c.movePosition(QTextCursor::End);
        QTextBlockFormat apres;
        apres.setTopMargin(12);
        c.insertBlock(apres);
        // The chart's play: the one the report is filtered on, else one bar per play.
        const QSize taille(1600, 800);
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("graphique")),
                        ImageGraphique(t, t.filtres.piece, taille));
        QTextImageFormat image;
        image.setName(QStringLiteral("graphique"));
        image.setWidth(largeur * echelleImages * 0.98);
        image.setHeight(largeur * echelleImages * 0.98 / 2);
        c.insertImage(image);
    }
    c.endEditBlock();
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
    auto ligne = [&sortie](const QList<QByteArray>& champs) {
        for (qsizetype i = 0; i < champs.size(); ++i) {
            if (i > 0) sortie += ';';
            sortie += champs.at(i);
        }
        sortie += "\r\n";
    };
    QList<QByteArray> champs;
    for (const QString& e : t.entetes) champs << ChampCsv(e);
    ligne(champs);
    for (const Ligne& l : t.lignes) {
        if (l.type != Ligne::Type::Donnee) continue;
        champs.clear();
        for (qsizetype col = 0; col < t.entetes.size(); ++col) champs << ChampCsv(TexteCellule(l.cellules.value(col), t.genres.at(col)));
        ligne(champs);
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

    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.tmpdir = const_cast<char*>(dossierTemporaire.constData());
    lxw_workbook* classeur = workbook_new_opt(nomTemporaire.constData(), &options);
    if (!classeur) Echec(chemin, QStringLiteral("le classeur n'a pas pu être créé."));
    lxw_worksheet* feuille = workbook_add_worksheet(classeur, t.titre.left(31).toUtf8().constData());
    lxw_format* gras = workbook_add_format(classeur);
    format_set_bold(gras);
    lxw_format* montant = workbook_add_format(classeur);
    format_set_num_format(montant, "0.00");

    QList<int> largeurs;
    for (const QString& e : t.entetes) largeurs << static_cast<int>(e.size());
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
            largeurs[col] = std::max(largeurs[col], static_cast<int>(TexteCellule(v, t.genres.at(col)).size()));
        }
        ++rang;
    }
    for (qsizetype col = 0; col < largeurs.size(); ++col)
        worksheet_set_column(feuille, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                             std::min(largeurs.at(col), 60) + 2.0, nullptr);
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
    QPainter peintre(&appareil);
    if (!peintre.isActive()) return 0;
    const qreal largeur = appareil.width();
    const qreal hauteur = appareil.height();
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&appareil);
    doc.setDocumentMargin(0);
    QFont police = doc.defaultFont();
    police.setPointSizeF(9);
    doc.setDefaultFont(police);
    const qreal piedDePage = QFontMetricsF(police, &appareil).height() * 2.5;
    const qreal hauteurCorps = hauteur - piedDePage;
    doc.setPageSize(QSizeF(largeur, hauteurCorps));
    // Image sizes in a document are read at the screen's 96 dpi and scaled to the device.
    RemplirDocument(t, doc, &appareil, largeur, 96.0 / appareil.logicalDpiX());

    const int pages = doc.pageCount();
    QAbstractTextDocumentLayout::PaintContext contexte;
    for (int i = 0; i < pages; ++i) {
        if (i > 0) appareil.newPage();
        peintre.save();
        peintre.translate(0, -i * hauteurCorps);
        const QRectF page(0, i * hauteurCorps, largeur, hauteurCorps);
        peintre.setClipRect(page);
        contexte.clip = page;
        doc.documentLayout()->draw(&peintre, contexte);
        peintre.restore();
        peintre.setFont(police);
        peintre.setPen(QColor(0x55, 0x55, 0x55));
        peintre.drawText(QRectF(0, hauteur - piedDePage * 0.6, largeur, piedDePage * 0.6), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Page %1 / %2").arg(i + 1).arg(pages));
        peintre.drawText(QRectF(0, hauteur - piedDePage * 0.6, largeur, piedDePage * 0.6), Qt::AlignLeft | Qt::AlignBottom,
                         t.titre);
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
