// One report as a table: its title, filters, headers, typed cells and total rows. Built once
// from the data store's rows; the window's model, the printout, the PDF, the CSV and the
// spreadsheet all read this same table, so they cannot disagree.
#pragma once

#include "Montant.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace Rapports {

enum class Rapport { Ventes, Porte, Vendeurs, Mouvements, Reglement, Journal, Annulations, Bilan, Soiree, Caisse };
// Every report, in the order the window lists them.
QList<Rapport> TousLesRapports();
// The command line's name of each report ("ventes", "porte", "vendeurs", "mouvements", …).
QString CodeRapport(Rapport r);
bool LireCodeRapport(const QString& code, Rapport& r);
QString TitreRapport(Rapport r);
// True for the reports about one performance (play and performance required).
bool ExigeRepresentation(Rapport r);
// The reports filtered by order date (--du/--au), by seller (--vendeur), by play (--piece).
bool FiltreParDate(Rapport r);
bool FiltreParVendeur(Rapport r);
bool FiltreParPiece(Rapport r);
// The report that may take a performance without requiring it (the settlement).
bool AccepteRepresentation(Rapport r);
// False for the reports that exist as a page only (PDF or print).
bool AccepteFormat(Rapport r, bool page);

struct Filtres {
    QString piece;
    QString representation;
    QString vendeur;  // display name; empty: every seller
    QDate du;  // invalid: open
    QDate au;
    // The settlement's pages per seller: only paper and PDF show them, so a file's export
    // leaves them out (a settlement over every play has hundreds of thousands of detail rows).
    // Without pages, the sellers' report hands its rows to the file as they are made.
    bool fiches = true;
};

// Montant cells hold a Montant (a double is still read, as QLocale writes it); Pourcentage
// cells hold tenths of a percent as an integer ("91,7 %" on screen and paper, "91,7" in files).
enum class Genre { Texte, Entier, Montant, Pourcentage };
// The amount a Montant cell holds.
Montant MontantCellule(const QVariant& valeur);
bool EstMontant(const QVariant& valeur);

struct Ligne {
    enum class Type { Donnee, SousTotal, Total };
    Type type = Type::Donnee;
    QVariantList cellules;  // QString, qlonglong or double according to the column's kind
    bool alerte = false;    // a value the reader must notice (a seller short of tickets)
};

// One page of a report printed page by page (a seller's settlement): its heading, its rows
// (with the report's fiche columns), the figures under them, and the signatures.
struct Fiche {
    QString titre;
    QList<Ligne> lignes;
    QList<QPair<QString, QString>> resume;  // label, value
    // The page after the last seller: the report's own rows (one per seller and the total).
    bool synthese = false;
};

struct Tableau {
    Rapport rapport = Rapport::Ventes;
    Filtres filtres;
    QString titre;
    QStringList descriptionFiltres;  // "Pièce : …", in French
    QString source;                  // the database file
    QDateTime produitLe;
    QStringList entetes;
    QList<Genre> genres;
    QList<Ligne> lignes;
    int colonneAlerte = -1;          // the column whose negative value raises the alert
    bool caseArrivee = false;        // paper adds a box per row, ticked at the door
    QList<qlonglong> arrivees;       // per data row with caseArrivee: persons checked in so far
    QList<qlonglong> billetsParties; // and the party's tickets (the box is ticked when all came)
    QString compagnie;               // the company's name, on every page when set
    // "Journal : …" at the foot of every settlement page: the journal's last print when the
    // report was read, so signed paper anchors the chain. Empty for other reports or no journal.
    QString journal;
    // Printed one page per fiche instead of the table (the files keep the table).
    QStringList entetesFiche;
    QList<Genre> genresFiche;
    int colonneAlerteFiche = -1;
    QList<Fiche> fiches;
    // A long report written to a file has its rows made as they are written instead of held in
    // lignes (which stays empty): lignesAuFil hands every row, totals included, in order, as
    // many times as it is called; nbLignesAuFil counts them.
    std::function<void(const std::function<void(const Ligne&)>&)> lignesAuFil;
    qsizetype nbLignesAuFil = 0;
};

// Every row of the table, held or made as it goes; their number.
void ParcourirLignes(const Tableau& t, const std::function<void(const Ligne&)>& ligne);
qsizetype NombreLignes(const Tableau& t);
// The rows made as they go, held in lignes from now on (a view or pages need them all).
void Materialiser(Tableau& t);

// Reads the report from the open connection. Throws modBD::ErreurBD. A long report tells
// avancement how far it has gone (it may throw to abandon the report).
Tableau Produire(Rapport rapport, const Filtres& filtres, const QString& source,
                 const std::function<void(int fait, int total)>& avancement = {});

// A cell as the screen and paper show it: amounts with the locale's decimal and thousands
// separators and two decimals (the files keep plain numbers: TextesNombres).
QString TexteCellule(const QVariant& valeur, Genre genre);

// The texts TexteCellule gives numbers (Entier or Montant) in the program's locale of the
// moment it is made, for writers of many cells: the CSV writes millions of them.
class TextesNombres {
public:
    TextesNombres();
    QString Texte(const QVariant& valeur, Genre genre) const;
    // The text TexteCellule gives (amounts with grouped thousands), made without a locale
    // where the locale allows: paper shows millions of cells.
    QString Cellule(const QVariant& valeur, Genre genre) const;
    // The same text appended in UTF-8, with no QString made; nothing for an empty cell.
    void AjouterUtf8(QByteArray& sortie, const QVariant& valeur, Genre genre) const;
private:
    QString Lent(const QVariant& valeur, Genre genre) const;
    QString MontantGroupe(const Montant& montant) const;
    QLocale m_locale, m_localeGroupe;
    bool m_direct = false, m_groupeDirect = false;
    QString m_moins, m_virgule, m_groupe;
    QByteArray m_moinsUtf8, m_virguleUtf8;
};

// What leads an alert row's first cell in a view, so the alert is not told by colour alone.
inline const QString kMarqueAlerte = QStringLiteral("⚠ ");

// The table for a view: total rows in bold, alerts in red and marked "⚠".
class ModeleRapport : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModeleRapport(QObject* parent = nullptr);
    void Definir(const Tableau& tableau);
    const Tableau& tableau() const { return m_tableau; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
private:
    Tableau m_tableau;
};

}  // namespace Rapports
