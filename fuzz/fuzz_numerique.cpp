// Numeric text: EstNumerique / LireNombre agree with the hand-written reader of Reference.h,
// the value is strtod's, and FormaterNombre's text reads back as the same value.
#include "Regles.h"
#include "Reference.h"

namespace {

// The general form keeps 15 significant digits; a value whose 15-digit rounding overflows the
// double range has no readable form of that length, and is checked apart.
bool QuinzeChiffresFini(double v) {
    char tampon[64];
    std::snprintf(tampon, sizeof tampon, "%.14e", v);
    return std::isfinite(std::strtod(tampon, nullptr));
}

void VerifierAllerRetour(double v) {
    if (!std::isfinite(v)) return;
    const QString texte = Regles::FormaterNombre(v);
    const std::optional<double> relu = Regles::LireNombre(texte);
    if (relu != Reference::Nombre(texte, QLocale())) Reference::Echec("FormaterNombre text: LireNombre disagrees with the reference", texte);
    if (!QuinzeChiffresFini(v)) return;
    if (!relu) Reference::Echec("FormaterNombre text does not read back", texte);
    if (std::fabs(*relu - v) > 1e-14 * std::fabs(v)) Reference::Echec("FormaterNombre text reads back as another value", texte);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C");  // the reference's strtod reads C numbers
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    const Reference::Entree e = Reference::Decoder(donnees, taille);

    if ((e.premier & 0x08) && e.tailleReste >= 8) {
        // Any bit pattern as a value: the general form of every finite double reads back.
        double v = 0;
        std::memcpy(&v, e.reste, sizeof v);
        VerifierAllerRetour(v);
        return 0;
    }

    const std::optional<double> attendu = Reference::Nombre(e.texte, e.locale);
    const std::optional<double> lu = Regles::LireNombre(e.texte);
    if (Regles::EstNumerique(e.texte) != attendu.has_value()) Reference::Echec("EstNumerique disagrees with the reference", e.texte);
    if (lu.has_value() != attendu.has_value()) Reference::Echec("LireNombre disagrees with EstNumerique", e.texte);
    if (!lu) return 0;
    if (!std::isfinite(*lu)) Reference::Echec("LireNombre gave a non-finite value", e.texte);
    if (*lu != *attendu) Reference::Echec("LireNombre value differs from strtod of the normalized text", e.texte);
    VerifierAllerRetour(*lu);
    return 0;
}
