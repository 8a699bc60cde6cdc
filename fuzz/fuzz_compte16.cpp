// 16-bit count: VersCompte16 on any double (8 raw bytes) and TexteEnCompte16 on any text agree
// with the integer-arithmetic rounding of Reference.h; a refusal happens exactly outside the
// range; a count is never more than 0.5 away from the value.
#include "Regles.h"
#include "Reference.h"

namespace {

void Verifier(double v, const std::optional<qint16>& obtenu, const QString& texte) {
    const std::optional<int> attendu = Reference::Compte16(v);
    if (obtenu.has_value() != attendu.has_value()) Reference::Echec("count accepted/refused unlike the reference", texte);
    // In range exactly from -32768.5 (rounds to the even -32768) up to, not including, 32767.5.
    const bool dansPlage = std::isfinite(v) && v >= -32768.5 && v < 32767.5;
    if (obtenu.has_value() != dansPlage) Reference::Echec("count refused inside the range, or given outside it", texte);
    if (!obtenu) return;
    if (int(*obtenu) != *attendu) Reference::Echec("count differs from the reference rounding", texte);
    if (std::fabs(double(*obtenu) - v) > 0.5) Reference::Echec("count more than 0.5 away from the value", texte);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    const Reference::Entree e = Reference::Decoder(donnees, taille);
    if ((e.premier & 0x08) && e.tailleReste >= 8) {
        double v = 0;
        std::memcpy(&v, e.reste, sizeof v);
        char tampon[64];
        std::snprintf(tampon, sizeof tampon, "%a", v);  // shown exactly if the check fails
        Verifier(v, Regles::VersCompte16(v), QString::fromLatin1(tampon));
        return 0;
    }
    const std::optional<qint16> obtenu = Regles::TexteEnCompte16(e.texte);
    const std::optional<double> v = Reference::Nombre(e.texte, e.locale);
    if (!v) {
        if (obtenu) Reference::Echec("TexteEnCompte16 gave a count for a text that is no number", e.texte);
        return 0;
    }
    Verifier(*v, obtenu, e.texte);
    return 0;
}
