// corvandelle_generer <petite|moyenne|grande|historique> <fichier>: writes a BD.mdb with a theatre's history.
#include "GenerateurBD.h"
#include "Toolkit.h"
#include "modBD.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Toolkit::InitialiserApplication(app);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <petite|moyenne|grande|historique> <fichier>\n", argv[0]);
        return 2;
    }
    const Bench::Taille* taille = nullptr;
    for (const Bench::Taille* t : {&Bench::kPetite, &Bench::kMoyenne, &Bench::kGrande, &Bench::kHistorique})
        if (std::strcmp(argv[1], t->nom) == 0) taille = t;
    if (!taille) {
        std::fprintf(stderr, "taille inconnue : %s\n", argv[1]);
        return 2;
    }
    QElapsedTimer chrono;
    chrono.start();
    try {
        Bench::Generer(QString::fromLocal8Bit(argv[2]), *taille);
    } catch (const modBD::ErreurBD& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("%s : généré en %.1f s\n", taille->nom, chrono.elapsed() / 1000.0);
    return 0;
}
