// Money in whole cents, the one form an amount takes inside the program.
//
// Ways in:
//   Montant::Centimes(n)           n cents, as counted;
//   Montant::LireSaisie(texte)     what a clerk types in "Coûts": blanks around, a sign, the
//                                  locale's decimal separator, an exponent ("1,5e2"); read as
//                                  the exact decimal typed and rounded once to the cent, halves
//                                  away from zero. nullopt when the text is no number or its
//                                  value is beyond ±99 999 999,99 (kMaximum);
//   Montant::LireTexte(texte)      the order persistence's amount rule (the locale's number,
//                                  else the other decimal separator, else 0), for the texts the
//                                  order procedures still receive;
//   Montant::DepuisStocke(double)  a stored Cout or MontantTotal: the double's binary noise is
//                                  taken off (to a millionth), then rounded to the cent, halves
//                                  away from zero (1.005 → 1,01; −1.005 → −1,01).
// Ways out:
//   Texte()          screen and paper: "1 234,56 $" (the locale's grouping and separator);
//   TexteGroupe()    the same without " $", for a column headed by what it holds;
//   TexteSimple()    CSV: "1234,56", no grouping, the locale's separator;
//   TexteGeneral()   the main window's total: no grouping, no trailing zeros ("20", "157,5");
//   Nombre()         a double for a spreadsheet cell or a stored column (Cout stays a double).
// Sums and differences are exact: every total is a sum of amounts each rounded once.
#pragma once

#include <QLocale>
#include <QMetaType>
#include <QString>

#include <compare>
#include <optional>

class Montant {
public:
    // The largest amount a clerk may type: 99 999 999,99 $.
    static constexpr qint64 kMaximum = 9'999'999'999;

    constexpr Montant() = default;
    static constexpr Montant Centimes(qint64 centimes) { return Montant(centimes); }
    static std::optional<Montant> LireSaisie(const QString& texte, const QLocale& locale = QLocale());
    static Montant LireTexte(const QString& texte);
    static Montant DepuisStocke(double valeur);

    constexpr qint64 centimes() const { return m_centimes; }
    double Nombre() const { return static_cast<double>(m_centimes) / 100.0; }
    QString Texte(const QLocale& locale = QLocale()) const;
    QString TexteGroupe(const QLocale& locale = QLocale()) const;
    QString TexteSimple(const QLocale& locale = QLocale()) const;
    QString TexteGeneral(const QLocale& locale = QLocale()) const;

    constexpr Montant operator+(Montant o) const { return Montant(m_centimes + o.m_centimes); }
    constexpr Montant operator-(Montant o) const { return Montant(m_centimes - o.m_centimes); }
    constexpr Montant operator-() const { return Montant(-m_centimes); }
    constexpr Montant& operator+=(Montant o) {
        m_centimes += o.m_centimes;
        return *this;
    }
    constexpr Montant& operator-=(Montant o) {
        m_centimes -= o.m_centimes;
        return *this;
    }
    constexpr auto operator<=>(const Montant&) const = default;

private:
    constexpr explicit Montant(qint64 centimes) : m_centimes(centimes) {}
    qint64 m_centimes = 0;
};

Q_DECLARE_METATYPE(Montant)

namespace modBD {
// The same rounding as Montant::DepuisStocke, in SQL, for a sum the base makes itself over many
// lines: SUM(ExpressionCentimes("l.Cout")) is the sum of the lines' cents, each rounded once.
QString ExpressionCentimes(const QString& colonne);
}  // namespace modBD
