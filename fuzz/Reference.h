// Slow, independent versions of the number and phone rules, written without Qt's parsers,
// against which the fuzz targets check Regles. Shared input decoding lives here too.
#pragma once

#include <QLocale>
#include <QString>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace Reference {

// Stops the run with a message libFuzzer shows next to the crashing input.
[[noreturn]] inline void Echec(const char* propriete, const QString& texte) {
    std::fprintf(stderr, "\n*** property broken: %s\n*** text (UTF-8, quoted): \"%s\"\n*** UTF-16 units:", propriete,
                 texte.toUtf8().constData());
    for (const QChar c : texte) std::fprintf(stderr, " %04x", unsigned(c.unicode()));
    std::fprintf(stderr, "\n");
    std::abort();
}

// First byte: bit 0 chooses the locale (both decimal separators get exercised), bits 1-2 how
// the remaining bytes become text. Latin-1 reaches every control character and NBSP in one byte;
// raw UTF-16 reaches lone surrogates, the Unicode minus and non-Latin digits.
struct Entree {
    QLocale locale;
    QString texte;
    const uint8_t* reste = nullptr;  // the bytes after the first one
    size_t tailleReste = 0;
    uint8_t premier = 0;
};

inline Entree Decoder(const uint8_t* donnees, size_t taille) {
    Entree e;
    e.premier = taille > 0 ? donnees[0] : 0;
    e.reste = taille > 0 ? donnees + 1 : donnees;
    e.tailleReste = taille > 0 ? taille - 1 : 0;
    e.locale = (e.premier & 1) ? QLocale(QLocale::English, QLocale::UnitedStates) : QLocale(QLocale::French, QLocale::Canada);
    e.locale.setNumberOptions(QLocale::OmitGroupSeparator);  // as the program sets it
    const char* octets = reinterpret_cast<const char*>(e.reste);
    const auto n = static_cast<qsizetype>(e.tailleReste);
    switch ((e.premier >> 1) % 3) {
    case 0: e.texte = QString::fromUtf8(octets, n); break;
    case 1: e.texte = QString::fromLatin1(octets, n); break;
    default: {
        std::u16string unites(e.tailleReste / 2, u'\0');
        std::memcpy(unites.data(), e.reste, unites.size() * 2);  // the bytes need not be aligned
        e.texte = QString(reinterpret_cast<const QChar*>(unites.data()), static_cast<qsizetype>(unites.size()));  // as is: no BOM handling
        break;
    }
    }
    QLocale::setDefault(e.locale);
    return e;
}

// The numeric text, one character at a time: spaces, optional sign, digits with an optional
// decimal part (at least one digit in the mantissa), optional exponent, spaces. On success the
// text comes back in C form ("-12.5e3") for strtod.
inline std::optional<std::string> Normaliser(const QString& texte, const QLocale& loc) {
    const QString sep = loc.decimalPoint();
    const QString moins = loc.negativeSign();
    const QString plus = loc.positiveSign();
    if (sep.size() != 1 || moins.size() != 1 || plus.size() != 1) Echec("locale symbols are not single characters", sep + moins + plus);

    enum Etat { Debut, ApresSigne, Entier, ApresSep, Fraction, ApresE, ApresSigneExp, Exposant, Fin };
    Etat etat = Debut;
    bool chiffreMantisse = false;
    std::string c;
    for (const QChar q : texte) {
        const char16_t u = q.unicode();
        const bool chiffre = u >= u'0' && u <= u'9';
        const bool blanc = u == u' ';
        const bool signeMoins = u == u'-' || q == moins.at(0);
        const bool signePlus = u == u'+' || q == plus.at(0);
        const bool separateur = q == sep.at(0);
        const bool e = u == u'e' || u == u'E';
        switch (etat) {
        case Debut:
            if (blanc) break;
            if (signeMoins || signePlus) { if (signeMoins) c += '-'; etat = ApresSigne; break; }
            [[fallthrough]];
        case ApresSigne:
            if (chiffre) { c += char(u); chiffreMantisse = true; etat = Entier; break; }
            if (separateur) { c += '.'; etat = ApresSep; break; }
            return std::nullopt;
        case Entier:
            if (chiffre) { c += char(u); break; }
            if (separateur) { c += '.'; etat = ApresSep; break; }
            if (e) { c += 'e'; etat = ApresE; break; }
            if (blanc) { etat = Fin; break; }
            return std::nullopt;
        case ApresSep:
        case Fraction:
            if (chiffre) { c += char(u); chiffreMantisse = true; etat = Fraction; break; }
            if (!chiffreMantisse) return std::nullopt;  // a lone separator is no number
            if (e) { c += 'e'; etat = ApresE; break; }
            if (blanc) { etat = Fin; break; }
            return std::nullopt;
        case ApresE:
            if (signeMoins || signePlus) { if (signeMoins) c += '-'; etat = ApresSigneExp; break; }
            [[fallthrough]];
        case ApresSigneExp:
            if (chiffre) { c += char(u); etat = Exposant; break; }
            return std::nullopt;
        case Exposant:
            if (chiffre) { c += char(u); break; }
            if (blanc) { etat = Fin; break; }
            return std::nullopt;
        case Fin:
            if (blanc) break;
            return std::nullopt;
        }
    }
    const bool fini = etat == Entier || etat == ApresSep || etat == Fraction || etat == Exposant || etat == Fin;
    if (!fini || !chiffreMantisse) return std::nullopt;  // "5," is a number, "," is not
    return c;
}

// The C locale's strtod reads the normalized text; a non-finite value is no number.
inline std::optional<double> Nombre(const QString& texte, const QLocale& loc) {
    const std::optional<std::string> c = Normaliser(texte, loc);
    if (!c) return std::nullopt;
    const double v = std::strtod(c->c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

// Amount rule, step by step on the reference reader.
inline double Montant(const QString& texte, const QLocale& loc) {
    if (const auto v = Nombre(texte, loc)) return *v;
    QString autre = texte;
    if (texte.contains(QLatin1Char(',')))
        autre.replace(QLatin1Char(','), QLatin1Char('.'));
    else if (texte.contains(QLatin1Char('.')))
        autre.replace(QLatin1Char('.'), QLatin1Char(','));
    else
        return 0.0;
    return Nombre(autre, loc).value_or(0.0);
}

// 16-bit count with integer arithmetic only: the double is split into an exact 53-bit integer
// mantissa and a power of two, shifted, and the dropped bits decide the rounding (halves to even).
inline std::optional<int> Compte16(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    if (v == 0.0) return 0;
    int e = 0;
    const double fr = std::frexp(v, &e);  // v = fr * 2^e, 0.5 <= |fr| < 1
    if (e >= 17) return std::nullopt;     // |v| >= 65536
    if (e < -2) return 0;                 // |v| < 0.125
    const int64_t m = static_cast<int64_t>(std::ldexp(fr, 53));  // exact
    const int decalage = 53 - e;          // v = m / 2^decalage, 38 <= decalage <= 55
    const uint64_t a = static_cast<uint64_t>(m < 0 ? -m : m);
    uint64_t q = a >> decalage;
    const uint64_t reste = a & ((uint64_t(1) << decalage) - 1);
    const uint64_t moitie = uint64_t(1) << (decalage - 1);
    if (reste > moitie || (reste == moitie && (q & 1))) ++q;
    const int64_t r = m < 0 ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
    if (r < -32768 || r > 32767) return std::nullopt;
    return static_cast<int>(r);
}

// Phone: spaces trimmed at both ends, then 7 characters or more, each a digit 0-9 or a '-'
// at index 3.
inline bool Telephone(QString& t) {
    qsizetype d = 0, f = t.size();
    while (d < f && t.at(d).unicode() == u' ') ++d;
    while (f > d && t.at(f - 1).unicode() == u' ') --f;
    t = t.mid(d, f - d);
    if (t.size() < 7) return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t u = t.at(i).unicode();
        if (!((u >= u'0' && u <= u'9') || (u == u'-' && i == 3))) return false;
    }
    return true;
}

}  // namespace Reference
