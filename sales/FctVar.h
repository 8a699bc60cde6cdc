// Procedures the windows share: dates as text, the number rules (both kept in the data store's
// Regles, which these names call), the order list and its total.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QLabel;
class QWidget;
class QTreeWidget;

namespace FctVar {

// --- Dates as text: the locale's short date form, always with a four-digit year.
QString FormatDateCourt();
QString DateEnTexte(const QDate& date);
QDate TexteEnDate(const QString& texte);  // invalid QDate when the text is no date
QString ObtenirDateDuJour();
// Tests fix "today" here; an empty function restores the system clock.
void DefinirHorloge(std::function<QDate()> horloge);

// --- Numbers typed by the clerk.
// Numeric text: blanks around, optional sign, digits with an optional decimal part in the
// locale's separator, optional exponent. No thousands separator, no currency sign.
bool EstNumerique(const QString& texte);
std::optional<double> LireNombre(const QString& texte);
// 16-bit count: nearest integer, halves to the even neighbour; nullopt when out of range.
std::optional<qint16> VersCompte16(double valeur);
std::optional<qint16> TexteEnCompte16(const QString& texte);
// Amount rule: the locale's number, else the text with its other decimal separator, else 0.
double LireMontant(const QString& texte);
// General number form: locale separator, no grouping, no trailing zeros, 15 significant digits.
QString FormaterNombre(double valeur);

// --- Lists every window fills: read from the database, or nullopt once the clerk was told
// why they could not be read.
std::optional<QStringList> LirePieces(QWidget* parent);
std::optional<QStringList> LireVendeurs(QWidget* parent);  // display names, in name order

// --- The order list of the main window (six text columns).
enum ColonneTransaction { ColNom = 0, ColDate, ColNbEnf, ColNbAdt, ColCouts, ColPorte };
bool AjouterLigneTransaction(QTreeWidget& lstTransactions, const QString& nomPiece, const QString& date,
                             const QString& nbEnfants, const QString& nbAdultes, const QString& couts,
                             const QString& porte);
void CalculerMontantTotal(const QTreeWidget& lstTransactions, QLabel& lblMontantTotal);

// --- Phone: 7 characters or more, digits, a dash allowed only in 4th position. Trims in place.
bool ValiderNoTelephone(QString& telephone);

}  // namespace FctVar
