// Phone test: same answer and same trimmed text as the reference; validating the trimmed text
// again gives the same answer and leaves it as it is.
#include "Regles.h"
#include "Reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    const Reference::Entree e = Reference::Decoder(donnees, taille);
    QString texte = e.texte;
    QString attenduTexte = e.texte;
    const bool valide = Regles::ValiderNoTelephone(texte);
    const bool attendu = Reference::Telephone(attenduTexte);
    if (valide != attendu) Reference::Echec("ValiderNoTelephone disagrees with the reference", e.texte);
    if (texte != attenduTexte) Reference::Echec("ValiderNoTelephone trimmed differently from the reference", e.texte);
    QString encore = texte;
    if (Regles::ValiderNoTelephone(encore) != valide) Reference::Echec("second validation gave another answer", e.texte);
    if (encore != texte) Reference::Echec("second validation changed the trimmed text", e.texte);
    return 0;
}
