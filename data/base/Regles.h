// The text rules every layer shares, free of widgets: dates as the locale's short date text,
// numbers as the clerk types them, the 16-bit count and the amount rule.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <functional>
#include <optional>

namespace Regles {

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
// Amount shown with two decimals in the locale's form, no grouping; zero never as "-0,00".
QString TexteMontant(double montant, QLocale locale = QLocale());

// --- Phone: 7 characters or more, digits, a dash allowed only in 4th position. Trims in place.
bool ValiderNoTelephone(QString& telephone);

}  // namespace Regles
