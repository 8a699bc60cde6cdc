#include "Regles.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace Regles {

namespace {
std::function<QDate()> g_horloge;

// Minus signs a French keyboard or a paste may bring: the ASCII one and the locale's own.
QString NormaliserSignes(QString t, const QLocale& loc) {
    const QString moins = loc.negativeSign();
    if (moins != QLatin1String("-")) t.replace(moins, QStringLiteral("-"));
    const QString plus = loc.positiveSign();
    if (plus != QLatin1String("+")) t.replace(plus, QStringLiteral("+"));
    return t;
}

const QRegularExpression& MotifNombre(const QString& separateur) {
    static QString dernierSeparateur;
    static QRegularExpression motif;
    if (separateur != dernierSeparateur || !motif.isValid() || motif.pattern().isEmpty()) {
        const QString d = QRegularExpression::escape(separateur);
        // \z, not $: $ also matches before a final line feed, and "5\n" is no number.
        motif = QRegularExpression(QStringLiteral("^ *[+-]?(?:[0-9]+(?:%1[0-9]*)?|%1[0-9]+)(?:[eE][+-]?[0-9]+)? *\\z").arg(d));
        dernierSeparateur = separateur;
    }
    return motif;
}
}  // namespace

QString FormatDateCourt() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString DateEnTexte(const QDate& date) { return QLocale().toString(date, FormatDateCourt()); }

QDate TexteEnDate(const QString& texte) { return QLocale().toDate(texte.trimmed(), FormatDateCourt()); }

void DefinirHorloge(std::function<QDate()> horloge) { g_horloge = std::move(horloge); }

QString ObtenirDateDuJour() {
    const QDate aujourdhui = g_horloge ? g_horloge() : QDate::currentDate();
    return DateEnTexte(aujourdhui);
}

std::optional<double> LireNombre(const QString& texte) {
    const QLocale loc;
    const QString t = NormaliserSignes(texte, loc);
    if (!MotifNombre(loc.decimalPoint()).match(t).hasMatch()) return std::nullopt;
    QString c = t.trimmed();
    c.replace(loc.decimalPoint(), QStringLiteral("."));
    bool ok = false;
    double v = c.toDouble(&ok);  // C locale: the text is now in that form
    // Qt refuses a value too small for a double ("1e-400") with 0: it is a number all the same,
    // a zero of its sign, as strtod reads it. Only a value too large is no number.
    if (!ok && v == 0.0) {
        v = c.startsWith(QLatin1Char('-')) ? -0.0 : 0.0;
        ok = true;
    }
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

bool EstNumerique(const QString& texte) { return LireNombre(texte).has_value(); }

std::optional<qint16> VersCompte16(double valeur) {
    if (!std::isfinite(valeur)) return std::nullopt;
    const double arrondi = std::nearbyint(valeur);  // default rounding: halves to the even neighbour
    if (arrondi < std::numeric_limits<qint16>::min() || arrondi > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(arrondi);
}

std::optional<qint16> TexteEnCompte16(const QString& texte) {
    const std::optional<double> v = LireNombre(texte);
    return v ? VersCompte16(*v) : std::nullopt;
}

double LireMontant(const QString& texte) {
    if (const auto v = LireNombre(texte)) return *v;
    QString autre = texte;
    if (texte.contains(QLatin1Char(',')))
        autre.replace(QLatin1Char(','), QLatin1Char('.'));
    else if (texte.contains(QLatin1Char('.')))
        autre.replace(QLatin1Char('.'), QLatin1Char(','));
    else
        return 0.0;
    return LireNombre(autre).value_or(0.0);  // still no number after the swap: count it as nothing
}

QString FormaterNombre(double valeur) {
    QLocale loc;
    loc.setNumberOptions(loc.numberOptions() | QLocale::OmitGroupSeparator);
    if (valeur == 0.0) valeur = 0.0;  // no "-0"
    return loc.toString(valeur, 'g', 15);
}

QString TexteMontant(double montant, QLocale locale) {
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    if (montant == 0.0) montant = 0.0;  // no "-0,00"
    return locale.toString(montant, 'f', 2);
}

bool ValiderNoTelephone(QString& telephone) {
    qsizetype debut = 0;
    qsizetype fin = telephone.size();
    while (debut < fin && telephone.at(debut) == QLatin1Char(' ')) ++debut;
    while (fin > debut && telephone.at(fin - 1) == QLatin1Char(' ')) --fin;
    telephone = telephone.mid(debut, fin - debut);
    if (telephone.size() < 7) return false;
    bool valide = true;
    for (qsizetype i = 0; i < telephone.size(); ++i) {
        const QChar c = telephone.at(i);
        const bool chiffre = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool tiret = c == QLatin1Char('-') && i == 3;
        if (!chiffre && !tiret) valide = false;
    }
    return valide;
}

}  // namespace Regles
