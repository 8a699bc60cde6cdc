// Amount rule: never fails, always finite, equal to the number when the text is numeric, and
// equal to the rule run step by step on the reference reader.
#include "Regles.h"
#include "Reference.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    const Reference::Entree e = Reference::Decoder(donnees, taille);
    const double montant = Regles::LireMontant(e.texte);
    if (!std::isfinite(montant)) Reference::Echec("LireMontant gave a non-finite amount", e.texte);
    if (Regles::EstNumerique(e.texte) && montant != Regles::LireNombre(e.texte).value())
        Reference::Echec("LireMontant differs from LireNombre on a numeric text", e.texte);
    if (montant != Reference::Montant(e.texte, e.locale)) Reference::Echec("LireMontant disagrees with the reference amount rule", e.texte);
    return 0;
}
