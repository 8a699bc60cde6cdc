#include "Montant.h"

#include "modBD.h"

#include <QRegularExpression>
#include <QSqlDatabase>

#include <cmath>

namespace {

// What a stored double may hold beyond what a clerk could type (a file of an earlier version
// holding "9e99"): held at a bound far below qint64's, so that sums of millions stay exact.
constexpr qint64 kBorneStockee = 1'000'000'000'000'000;  // ten thousand billion dollars

// The clerk's number split into its parts: sign, digits (the decimal point removed), where
// the point stood, exponent. Same form as the numeric text the windows accept.
struct Decimal {
    bool negatif = false;
    QString chiffres;
    qint64 decalage = 0;  // value = chiffres × 10^decalage
};

std::optional<Decimal> Decouper(const QString& texte, const QLocale& locale) {
    QString t = texte;
    if (locale.negativeSign() != QLatin1String("-")) t.replace(locale.negativeSign(), QStringLiteral("-"));
    if (locale.positiveSign() != QLatin1String("+")) t.replace(locale.positiveSign(), QStringLiteral("+"));
    const QString d = QRegularExpression::escape(locale.decimalPoint());
    const QRegularExpression motif(
        QStringLiteral("^ *([+-]?)([0-9]*)(?:%1([0-9]*))?(?:[eE]([+-]?[0-9]+))? *\\z").arg(d));
    const QRegularExpressionMatch m = motif.match(t);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty())) return std::nullopt;
    Decimal r;
    r.negatif = m.captured(1) == QLatin1String("-");
    r.chiffres = m.captured(2) + m.captured(3);
    // An exponent of many digits is bounded: past ±10^6 the value is 0 or far beyond the maximum.
    const QString e = m.captured(4);
    qint64 exposant = 0;
    if (!e.isEmpty()) {
        const bool moins = e.startsWith(QLatin1Char('-'));
        for (QChar c : e)
            if (c.isDigit()) exposant = std::min<qint64>(exposant * 10 + c.digitValue(), 1'000'000);
        if (moins) exposant = -exposant;
    }
    r.decalage = exposant - m.captured(3).size();
    while (r.chiffres.startsWith(QLatin1Char('0'))) r.chiffres.remove(0, 1);
    return r;
}

// Digits as an integer number of cents, rounded once (halves away from zero); nullopt beyond
// the maximum.
std::optional<qint64> EnCentimes(const Decimal& d) {
    if (d.chiffres.isEmpty()) return 0;
    const qint64 decalage = d.decalage + 2;  // in cents
    const qint64 entiers = d.chiffres.size() + std::min<qint64>(decalage, 0);  // digits left of the cent
    if (entiers + std::max<qint64>(decalage, 0) > 11) return std::nullopt;
    qint64 centimes = 0;
    for (qint64 i = 0; i < entiers; ++i) centimes = centimes * 10 + d.chiffres.at(i).digitValue();
    for (qint64 i = 0; i < decalage; ++i) centimes *= 10;
    // The first digit dropped decides: the decimal typed is exact, so 5 is a half or more.
    if (entiers >= 0 && entiers < d.chiffres.size() && d.chiffres.at(entiers).digitValue() >= 5) ++centimes;
    if (centimes > Montant::kMaximum) return std::nullopt;
    return d.negatif ? -centimes : centimes;
}

}  // namespace

std::optional<Montant> Montant::LireSaisie(const QString& texte, const QLocale& locale) {
    const std::optional<Decimal> d = Decouper(texte, locale);
    if (!d) return std::nullopt;
    const std::optional<qint64> c = EnCentimes(*d);
    if (!c) return std::nullopt;
    return Montant(*c);
}

Montant Montant::LireTexte(const QString& texte) {
    if (const auto m = LireSaisie(texte)) return *m;
    QString autre = texte;
    if (texte.contains(QLatin1Char(',')))
        autre.replace(QLatin1Char(','), QLatin1Char('.'));
    else if (texte.contains(QLatin1Char('.')))
        autre.replace(QLatin1Char('.'), QLatin1Char(','));
    else
        return {};
    return LireSaisie(autre).value_or(Montant());  // still no amount after the swap: nothing
}

Montant Montant::DepuisStocke(double valeur) {
    if (!std::isfinite(valeur)) return {};
    // To a millionth first (the stored double's noise), then to the cent, halves away from zero.
    const double centimes = std::round(std::round(valeur * 1e6) / 1e4);
    if (centimes >= static_cast<double>(kBorneStockee)) return Montant(kBorneStockee);
    if (centimes <= -static_cast<double>(kBorneStockee)) return Montant(-kBorneStockee);
    return Montant(static_cast<qint64>(centimes));
}

QString Montant::TexteGroupe(const QLocale& locale) const {
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    const qint64 a = m_centimes < 0 ? -m_centimes : m_centimes;
    const QString texte = l.toString(a / 100) + l.decimalPoint() + l.toString(a % 100).rightJustified(2, l.zeroDigit().at(0));
    return m_centimes < 0 ? l.negativeSign() + texte : texte;
}

QString Montant::Texte(const QLocale& locale) const { return TexteGroupe(locale) + QStringLiteral(" $"); }

QString Montant::TexteSimple(const QLocale& locale) const {
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    const qint64 a = m_centimes < 0 ? -m_centimes : m_centimes;
    const QString texte = l.toString(a / 100) + l.decimalPoint() + l.toString(a % 100).rightJustified(2, l.zeroDigit().at(0));
    return m_centimes < 0 ? l.negativeSign() + texte : texte;
}

QString Montant::TexteGeneral(const QLocale& locale) const {
    QString texte = TexteSimple(locale);
    const QString point = locale.decimalPoint();
    const QChar zero = locale.zeroDigit().at(0);
    while (texte.endsWith(zero) && texte.contains(point)) texte.chop(1);
    if (texte.endsWith(point)) texte.chop(point.size());
    return texte;
}

namespace modBD {
// PostgreSQL rounds a double to the even neighbour but a numeric away from zero, and its
// numeric made from a double keeps the digits typed (1.005, not 1.00499…); SQLite's ROUND
// rounds away from zero.
QString ExpressionCentimes(const QString& colonne) {
    if (Connexion().driverName() == QLatin1String("QPSQL"))
        return QStringLiteral("CAST(ROUND(CAST(%1 AS NUMERIC) * 100) AS BIGINT)").arg(colonne);
    return QStringLiteral("CAST(ROUND(ROUND(%1 * 1000000.0) / 10000.0) AS INTEGER)").arg(colonne);
}
}  // namespace modBD
