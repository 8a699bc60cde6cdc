#include "Tableau.h"

#include "Regles.h"
#include "modBD_Compagnie.h"
#include "modBD_Journal.h"
#include "modBD_Rapports.h"
#include "modBD_Caisse.h"
#include "modBD_Soiree.h"
#include "modBD_RapportsSoiree.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLocale>

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace Rapports {

namespace {

// The number in ASCII, '-' and '.' standing for the locale's signs; nullptr where only QLocale
// gives the exact text: amounts halfway between two cents (QLocale rounds those away from zero,
// the standard library to even), below a cent but not zero, huge or not finite.
const char* EcrireNombre(char* debut, char* fin, const QVariant& valeur, Genre genre) {
    if (genre == Genre::Entier) return std::to_chars(debut, fin, valeur.toLongLong()).ptr;
    if (genre == Genre::Pourcentage) return nullptr;
    if (EstMontant(valeur)) {
        // Whole cents: the integer part, the point, two digits. Exact, no double in between.
        const qint64 c = valeur.value<Montant>().centimes();
        const qint64 a = c < 0 ? -c : c;
        char* p = debut;
        if (c < 0) *p++ = '-';
        p = std::to_chars(p, fin, a / 100).ptr;
        *p++ = '.';
        *p++ = static_cast<char>('0' + (a % 100) / 10);
        *p++ = static_cast<char>('0' + a % 10);
        return p;
    }
    const double v = valeur.toDouble();
    const double a = std::fabs(v);
    if (!std::isfinite(v) || a >= 1e15 || (a < 0.01 && v != 0.0)) return nullptr;
    const double huitiemes = a * 8;  // exact: a halfway amount is an odd number of eighths
    if (huitiemes == std::floor(huitiemes) && std::fmod(huitiemes, 2.0) == 1.0) return nullptr;
    const auto r = std::to_chars(debut, fin, v == 0.0 ? 0.0 : v, std::chars_format::fixed, 2);  // no "-0,00"
    return r.ec == std::errc() ? r.ptr : nullptr;
}

// The numbers of the cells TexteCellule is asked for, made again only when the program's
// locale changes (the view asks for cells one by one).
const TextesNombres& Nombres() {
    thread_local QLocale locale(QLocale::C);
    thread_local TextesNombres nombres;
    const QLocale actuelle;
    if (actuelle != locale) {
        locale = actuelle;
        nombres = TextesNombres();
    }
    return nombres;
}

Ligne Donnee(QVariantList cellules) { return Ligne{Ligne::Type::Donnee, std::move(cellules), false}; }

// An amount cell: every sum is made in cents, then shown.
QVariant Cellule(Montant m) { return QVariant::fromValue(m); }

Tableau Ventes(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Pièce"), QStringLiteral("Représentation"), QStringLiteral("Commandes"),
                 QStringLiteral("Billets enfant"), QStringLiteral("Billets adulte"), QStringLiteral("Billets"),
                 QStringLiteral("Billets à la porte"), QStringLiteral("Montant")};
    t.genres = {Genre::Texte, Genre::Texte, Genre::Entier, Genre::Entier, Genre::Entier, Genre::Entier, Genre::Entier, Genre::Montant};
    const QList<modBD::LigneVentes> lignes = modBD::RapportVentes(f.piece, f.du, f.au);

    // Totals leave "Commandes" empty: one order may hold several performances, so adding the
    // performances' counts would count it more than once.
    struct Somme {
        qlonglong enfant = 0, adulte = 0, porte = 0;
        Montant montant;
        void ajouter(const modBD::LigneVentes& l) {
            enfant += l.billetsEnfant;
            adulte += l.billetsAdulte;
            porte += l.billetsPorte;
            montant += l.montant;
        }
        Ligne ligne(Ligne::Type type, const QString& libelle) const {
            return Ligne{type, {libelle, QString(), QVariant(), enfant, adulte, enfant + adulte, porte, Cellule(montant)}, false};
        }
    };
    Somme piece, general;
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        const modBD::LigneVentes& l = lignes.at(i);
        t.lignes.append(Donnee({l.piece, l.representation, l.commandes, l.billetsEnfant, l.billetsAdulte, l.billets(),
                                l.billetsPorte, Cellule(l.montant)}));
        piece.ajouter(l);
        general.ajouter(l);
        if (i + 1 == lignes.size() || lignes.at(i + 1).piece != l.piece) {
            t.lignes.append(piece.ligne(Ligne::Type::SousTotal, QStringLiteral("Sous-total %1").arg(l.piece)));
            piece = Somme();
        }
    }
    t.lignes.append(general.ligne(Ligne::Type::Total, QStringLiteral("Total général")));
    return t;
}

Tableau Porte(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Client"), QStringLiteral("Téléphone"), QStringLiteral("Billets enfant"),
                 QStringLiteral("Billets adulte"), QStringLiteral("Coût"), QStringLiteral("À la porte"),
                 QStringLiteral("Vendeur"), QStringLiteral("Commande"), QStringLiteral("Date de commande")};
    t.genres = {Genre::Texte, Genre::Texte, Genre::Entier, Genre::Entier, Genre::Montant, Genre::Texte,
                Genre::Texte, Genre::Entier, Genre::Texte};
    t.caseArrivee = true;
    qlonglong enfant = 0, adulte = 0;
    Montant montant;
    for (const modBD::LignePorte& l : modBD::RapportPorte(f.piece, f.representation)) {
        t.lignes.append(Donnee({l.client, l.telephone, l.billetsEnfant, l.billetsAdulte, Cellule(l.cout),
                                l.aLaPorte ? QStringLiteral("Oui") : QStringLiteral("Non"), l.vendeur, l.commande,
                                l.dateCommande}));
        // Parties already checked in: their count, the box ticked when all came.
        t.arrivees.append(l.arrives);
        t.billetsParties.append(l.billetsEnfant + l.billetsAdulte);
        enfant += l.billetsEnfant;
        adulte += l.billetsAdulte;
        montant += l.cout;
    }
    t.lignes.append(Ligne{Ligne::Type::Total,
                          {QStringLiteral("Total : %1 billets").arg(enfant + adulte), QString(), enfant, adulte, Cellule(montant),
                           QString(), QString(), QVariant(), QString()},
                          false});
    return t;
}

// The sellers' rows, each seller's subtotal after the seller's last row, the grand total last.
void LignesVendeurs(const modBD::VendeursLus& lus, const std::function<void(const Ligne&)>& sortie) {
    struct Somme {
        qlonglong recus = 0, rendus = 0, vendus = 0;
        Montant montant;
        void ajouter(const modBD::LigneVendeurs& l) {
            recus += l.recus;
            rendus += l.rendus;
            vendus += l.vendus;
            montant += l.montantVendu;
        }
        Ligne ligne(Ligne::Type type, const QString& libelle) const {
            const qlonglong reste = recus - rendus - vendus;
            return Ligne{type, {libelle, QString(), QString(), recus, rendus, recus - rendus, vendus, reste, Cellule(montant)}, reste < 0};
        }
    };
    Somme vendeur, general;
    std::optional<QString> courant;
    Ligne ligne;
    lus.parcourir([&](const modBD::LigneVendeurs& l) {
        if (courant && l.vendeur != *courant) {
            sortie(vendeur.ligne(Ligne::Type::SousTotal, QStringLiteral("Sous-total %1").arg(*courant)));
            vendeur = Somme();
        }
        courant = l.vendeur;
        // Built in place: a list from braces would copy each of its cells once more, and this
        // report can have hundreds of thousands of rows.
        ligne.cellules.clear();
        ligne.cellules.reserve(9);
        ligne.cellules.emplaceBack(l.vendeur);
        ligne.cellules.emplaceBack(l.piece);
        ligne.cellules.emplaceBack(l.representation);
        ligne.cellules.emplaceBack(l.recus);
        ligne.cellules.emplaceBack(l.rendus);
        ligne.cellules.emplaceBack(l.enStock());
        ligne.cellules.emplaceBack(l.vendus);
        ligne.cellules.emplaceBack(l.reste());
        ligne.cellules.emplaceBack(Cellule(l.montantVendu));
        ligne.alerte = l.reste() < 0;
        sortie(ligne);
        vendeur.ajouter(l);
        general.ajouter(l);
    });
    if (courant) sortie(vendeur.ligne(Ligne::Type::SousTotal, QStringLiteral("Sous-total %1").arg(*courant)));
    sortie(general.ligne(Ligne::Type::Total, QStringLiteral("Total général")));
}

Tableau Vendeurs(const Filtres& f, const modBD::Avancement& avancement) {
    Tableau t;
    t.entetes = {QStringLiteral("Vendeur"), QStringLiteral("Pièce"), QStringLiteral("Représentation"),
                 QStringLiteral("Reçus"), QStringLiteral("Rendus"), QStringLiteral("En stock"), QStringLiteral("Vendus"),
                 QStringLiteral("Reste"), QStringLiteral("Montant vendu")};
    t.genres = {Genre::Texte, Genre::Texte, Genre::Texte, Genre::Entier, Genre::Entier, Genre::Entier,
                Genre::Entier, Genre::Entier, Genre::Montant};
    t.colonneAlerte = 7;
    const modBD::VendeursLus lus(f.piece, f.vendeur, avancement);
    if (f.fiches) {
        t.lignes.reserve(lus.taille() + lus.taille() / 4 + 1);
        LignesVendeurs(lus, [&t](const Ligne& l) { t.lignes.append(l); });
        return t;
    }
    // A file: the rows are made as they are written, from the numbers read once. Their count:
    // one per pair, one per seller's name, the total.
    std::optional<QString> courant;
    t.nbLignesAuFil = lus.taille() + 1;
    lus.parcourir([&](const modBD::LigneVendeurs& l) {
        if (!courant || l.vendeur != *courant) ++t.nbLignesAuFil;
        courant = l.vendeur;
    });
    t.lignesAuFil = [lus](const std::function<void(const Ligne&)>& sortie) { LignesVendeurs(lus, sortie); };
    return t;
}

// The settlement's sums of one seller (or of all): tickets still held and tickets sold beyond
// stock are counted per performance, so one cannot hide the other.
struct SommeReglement {
    qlonglong recus = 0, rendus = 0, vendus = 0, aRendre = 0, sansBillet = 0;
    Montant vendu, caisse;
    void ajouter(const SommeReglement& o) {
        recus += o.recus;
        rendus += o.rendus;
        vendus += o.vendus;
        aRendre += o.aRendre;
        sansBillet += o.sansBillet;
        vendu += o.vendu;
        caisse += o.caisse;
    }
    void ajouter(const modBD::LigneVendeurs& l) {
        ajouter(SommeReglement{l.recus, l.rendus, l.vendus, l.aRendre(), l.vendusSansBillet(), l.montantVendu, l.payeCaisse});
    }
    // Money the till took is not asked of the seller a second time.
    Montant aRemettre() const { return vendu - caisse; }
    QVariantList cellules(const QString& libelle) const {
        return {libelle, recus, rendus, vendus, aRendre, sansBillet, Cellule(vendu), Cellule(caisse), Cellule(aRemettre())};
    }
};

void EntetesReglement(Tableau& t) {
    t.entetes = {QStringLiteral("Vendeur"),          QStringLiteral("Billets reçus"),   QStringLiteral("Billets rendus"),
                 QStringLiteral("Billets vendus"),   QStringLiteral("Billets à rendre"), QStringLiteral("Vendus sans billet"),
                 QStringLiteral("Montant vendu"),    QStringLiteral("Payé à la caisse"), QStringLiteral("Montant à remettre")};
    t.genres = {Genre::Texte,   Genre::Entier,  Genre::Entier,  Genre::Entier, Genre::Entier,
                Genre::Entier,  Genre::Montant, Genre::Montant, Genre::Montant};
    t.colonneAlerte = 5;
    t.entetesFiche = {QStringLiteral("Pièce"),    QStringLiteral("Représentation"), QStringLiteral("Reçus"),
                      QStringLiteral("Rendus"),   QStringLiteral("Vendus"),         QStringLiteral("À rendre"),
                      QStringLiteral("Vendus sans billet"), QStringLiteral("Montant vendu")};
    t.genresFiche = {Genre::Texte,  Genre::Texte,  Genre::Entier, Genre::Entier,
                     Genre::Entier, Genre::Entier, Genre::Entier, Genre::Montant};
    t.colonneAlerteFiche = 6;
}

Fiche FicheReglement(const QString& vendeur, QList<Ligne> lignes, const SommeReglement& s) {
    Fiche fiche;
    fiche.titre = vendeur;
    fiche.lignes = std::move(lignes);
    fiche.lignes.append(Ligne{Ligne::Type::Total,
                              {QStringLiteral("Total"), QString(), s.recus, s.rendus, s.vendus, s.aRendre, s.sansBillet,
                               Cellule(s.vendu)},
                              s.sansBillet > 0});
    fiche.resume = {{QStringLiteral("Billets à rendre"), TexteCellule(s.aRendre, Genre::Entier)},
                    {QStringLiteral("Vendus sans billet"), TexteCellule(s.sansBillet, Genre::Entier)},
                    {QStringLiteral("Montant vendu"), s.vendu.Texte()},
                    {QStringLiteral("Payé à la caisse"), s.caisse.Texte()},
                    {QStringLiteral("Montant à remettre"), s.aRemettre().Texte()}};
    return fiche;
}

// A file has no pages: the sums per seller come from the merge itself, without the rows.
void LignesReglement(const Filtres& f, const modBD::Avancement& avancement, Tableau& t) {
    SommeReglement general;
    for (const modBD::ReglementVendeur& r : modBD::RapportReglement(f.piece, f.vendeur, f.representation, avancement)) {
        const SommeReglement vendeur{r.recus, r.rendus, r.vendus, r.aRendre, r.sansBillet, r.montantVendu, r.payeCaisse};
        t.lignes.append(Ligne{Ligne::Type::Donnee, vendeur.cellules(r.vendeur), vendeur.sansBillet > 0});
        general.ajouter(vendeur);
    }
    t.lignes.append(Ligne{Ligne::Type::Total, general.cellules(QStringLiteral("Total général")), false});
}

// After the last seller: the whole settlement on one page, seller by seller.
Fiche SyntheseReglement(const SommeReglement& general) {
    Fiche synthese;
    synthese.titre = QStringLiteral("Total des vendeurs");
    synthese.synthese = true;
    synthese.resume = {{QStringLiteral("Montant vendu"), general.vendu.Texte()},
                       {QStringLiteral("Payé à la caisse"), general.caisse.Texte()},
                       {QStringLiteral("Montant à remettre"), general.aRemettre().Texte()}};
    return synthese;
}

Tableau Reglement(const Filtres& f, const modBD::Avancement& avancement) {
    Tableau t;
    EntetesReglement(t);
    if (!f.fiches) {
        LignesReglement(f, avancement, t);
        return t;
    }
    // The pages: each seller's rows, closed into the seller's page when the next seller's first
    // row comes (or the rows end).
    SommeReglement general, vendeur;
    QList<Ligne> detail;
    QString courant;
    const auto clore = [&] {
        t.lignes.append(Ligne{Ligne::Type::Donnee, vendeur.cellules(courant), vendeur.sansBillet > 0});
        t.fiches.append(FicheReglement(courant, std::move(detail), vendeur));
        detail = {};
        general.ajouter(vendeur);
        vendeur = SommeReglement();
    };
    modBD::VendeursLus(f.piece, f.vendeur, avancement).parcourir([&](const modBD::LigneVendeurs& l) {
        if (!f.representation.isEmpty() && l.representation != f.representation) return;
        if (!detail.isEmpty() && l.vendeur != courant) clore();
        courant = l.vendeur;
        vendeur.ajouter(l);
        detail.append(Ligne{Ligne::Type::Donnee,
                            {l.piece, l.representation, l.recus, l.rendus, l.vendus, l.aRendre(), l.vendusSansBillet(),
                             Cellule(l.montantVendu)},
                            l.vendusSansBillet() > 0});
    });
    if (!detail.isEmpty()) clore();
    t.lignes.append(Ligne{Ligne::Type::Total, general.cellules(QStringLiteral("Total général")), false});
    if (!t.fiches.isEmpty()) t.fiches.append(SyntheseReglement(general));
    return t;
}

Tableau Journal(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Date"), QStringLiteral("Commandes"), QStringLiteral("Billets"), QStringLiteral("Montant"),
                 QStringLiteral("Billets à la porte"), QStringLiteral("Montant à la porte"), QStringLiteral("Commandes annulées"),
                 QStringLiteral("Montant annulé")};
    t.genres = {Genre::Texte, Genre::Entier, Genre::Entier, Genre::Montant, Genre::Entier, Genre::Montant, Genre::Entier, Genre::Montant};
    modBD::LigneJournal total;
    for (const modBD::LigneJournal& l : modBD::RapportJournal(f.du, f.au)) {
        t.lignes.append(Donnee({l.date, l.commandes, l.billets, Cellule(l.montant), l.billetsPorte, Cellule(l.montantPorte),
                                l.commandesAnnulees, Cellule(l.montantAnnule)}));
        total.commandes += l.commandes;
        total.billets += l.billets;
        total.montant += l.montant;
        total.billetsPorte += l.billetsPorte;
        total.montantPorte += l.montantPorte;
        total.commandesAnnulees += l.commandesAnnulees;
        total.montantAnnule += l.montantAnnule;
    }
    t.lignes.append(Ligne{Ligne::Type::Total,
                          {QStringLiteral("Total"), total.commandes, total.billets, Cellule(total.montant), total.billetsPorte,
                           Cellule(total.montantPorte), total.commandesAnnulees, Cellule(total.montantAnnule)},
                          false});
    return t;
}

Tableau Annulations(const Filtres&) {
    Tableau t;
    t.entetes = {QStringLiteral("Commande"), QStringLiteral("Date de commande"), QStringLiteral("Client"),
                 QStringLiteral("Téléphone"), QStringLiteral("Vendeur"), QStringLiteral("Billets"), QStringLiteral("Montant"),
                 QStringLiteral("Annulée le"), QStringLiteral("Motif")};
    t.genres = {Genre::Entier, Genre::Texte, Genre::Texte, Genre::Texte, Genre::Texte, Genre::Entier, Genre::Montant,
                Genre::Texte, Genre::Texte};
    qlonglong billets = 0;
    Montant montant;
    const QList<modBD::LigneAnnulation> lignes = modBD::RapportAnnulations();
    for (const modBD::LigneAnnulation& l : lignes) {
        t.lignes.append(Donnee({l.commande, l.dateCommande, l.client, l.telephone, l.vendeurs, l.billets, Cellule(l.montant),
                                l.dateAnnulation, l.motif}));
        billets += l.billets;
        montant += l.montant;
    }
    t.lignes.append(Ligne{Ligne::Type::Total,
                          {QVariant(), QStringLiteral("Total : %1 commandes").arg(lignes.size()), QString(), QString(), QString(),
                           billets, Cellule(montant), QString(), QString()},
                          false});
    return t;
}

Tableau Mouvements(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Date"), QStringLiteral("Vendeur"), QStringLiteral("Nombre"), QStringLiteral("Commentaire"),
                 QStringLiteral("Total courant")};
    t.genres = {Genre::Texte, Genre::Texte, Genre::Entier, Genre::Texte, Genre::Entier};
    for (const modBD::LigneMouvement& l : modBD::RapportMouvements(f.piece, f.representation))
        t.lignes.append(Donnee({l.date, l.vendeur, l.nombre, l.commentaire, l.totalCourant}));
    return t;
}

Tableau Bilan(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Pièce"), QStringLiteral("Représentation"), QStringLiteral("Capacité"),
                 QStringLiteral("Billets vendus"), QStringLiteral("Billets à la porte"), QStringLiteral("Arrivés"),
                 QStringLiteral("Places libres"), QStringLiteral("Remplissage"), QStringLiteral("Montant")};
    t.genres = {Genre::Texte, Genre::Texte, Genre::Entier, Genre::Entier, Genre::Entier, Genre::Entier,
                Genre::Entier, Genre::Pourcentage, Genre::Montant};
    t.colonneAlerte = 6;  // an oversold performance
    qlonglong vendus = 0, porte = 0, arrives = 0;
    Montant montant;
    for (const modBD::LigneBilan& l : modBD::RapportBilan(f.piece)) {
        QVariant capacite, libres, remplissage;
        if (l.capacite) {
            capacite = qlonglong{*l.capacite};
            libres = qlonglong{*l.capacite - l.vendus};
            // Tenths of a percent, rounded once: every output writes the same figure.
            remplissage = qlonglong{std::llround(1000.0 * static_cast<double>(l.vendus) / *l.capacite)};
        }
        Ligne ligne = Donnee({l.piece, l.representation, capacite, l.vendus, l.porte, l.arrives, libres, remplissage, Cellule(l.montant)});
        ligne.alerte = l.capacite && l.vendus > *l.capacite;
        t.lignes.append(ligne);
        vendus += l.vendus;
        porte += l.porte;
        arrives += l.arrives;
        montant += l.montant;
    }
    t.lignes.append(Ligne{Ligne::Type::Total,
                          {QStringLiteral("Total"), QString(), QVariant(), vendus, porte, arrives, QVariant(), QVariant(), Cellule(montant)},
                          false});
    return t;
}

// The door takings by payment mode and the performance's till closings, under the closing page.
void AjouterCaisses(Tableau& t, qint64 noRepresentation) {
    const QString porte = QStringLiteral("Recettes de la porte");
    for (const modBD::RecetteMode& r : modBD::RecettesPorteParMode(noRepresentation))
        if (r.ventes > 0 || r.mode != QStringLiteral("Non payé à la caisse"))
            t.lignes.append(Donnee({porte, r.mode, r.ventes, QVariant(), Cellule(Montant::Centimes(r.montant))}));
    for (const modBD::FermetureCaisse& c : modBD::ListeFermetures(noRepresentation)) {
        const QString rubrique = QStringLiteral("Fermeture de caisse n° %1").arg(c.noFermeture);
        const QString qui = QStringLiteral("%1, %2").arg(c.poste, c.dateFermeture);
        t.lignes.append(Donnee({rubrique, QStringLiteral("Espèces attendues (%1)").arg(qui), QVariant(), QVariant(), Cellule(Montant::Centimes(c.especesAttendues))}));
        t.lignes.append(Donnee({rubrique, QStringLiteral("Espèces comptées"), QVariant(), QVariant(), Cellule(Montant::Centimes(c.especesComptees))}));
        Ligne ecart = Donnee({rubrique, QStringLiteral("Écart"), QVariant(), QVariant(), Cellule(Montant::Centimes(c.ecart))});
        ecart.alerte = c.ecart != 0;
        t.lignes.append(ecart);
        t.lignes.append(Donnee({rubrique, QStringLiteral("Carte, chèque, autre"), QVariant(), QVariant(), Cellule(Montant::Centimes(c.carte + c.cheque + c.autre))}));
    }
}

// The night's settlement as rows under a heading each: door sales (in all, then by seller),
// advance sales, arrivals, and the parties that did not come.
Tableau Soiree(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Rubrique"), QStringLiteral("Détail"), QStringLiteral("Commandes"), QStringLiteral("Billets"),
                 QStringLiteral("Montant")};
    t.genres = {Genre::Texte, Genre::Texte, Genre::Entier, Genre::Entier, Genre::Montant};
    const modBD::ClotureSoiree c = modBD::RapportCloture(f.piece, f.representation);
    const modBD::Soiree& s = c.soiree;
    const QString porte = QStringLiteral("Ventes à la porte");
    t.lignes.append(Ligne{Ligne::Type::SousTotal, {porte, QStringLiteral("Total"), c.ventesPorte, s.vendusPorte, Cellule(c.montantPorte)}, false});
    for (const modBD::VentesVendeur& v : c.porteParVendeur)
        t.lignes.append(Donnee({porte, v.vendeur, v.commandes, v.billets, Cellule(v.montant)}));
    t.lignes.append(Ligne{Ligne::Type::SousTotal,
                          {QStringLiteral("Ventes d'avance"), QStringLiteral("Total"), c.commandesAvance, s.vendusAvance, Cellule(c.montantAvance)},
                          false});
    if (s.capacite) {
        t.lignes.append(Donnee({QStringLiteral("Salle"), QStringLiteral("Capacité"), QVariant(), qlonglong{*s.capacite}, QVariant()}));
        t.lignes.append(Donnee({QStringLiteral("Salle"), QStringLiteral("Places libres"), QVariant(), *s.placesLibres, QVariant()}));
    }
    t.lignes.append(Donnee({QStringLiteral("Arrivées"), QStringLiteral("Arrivés"), QVariant(), s.arrives, QVariant()}));
    t.lignes.append(Donnee({QStringLiteral("Arrivées"), QStringLiteral("Attendus"), QVariant(), s.attendus, QVariant()}));
    qlonglong billetsAbsents = 0;
    Montant montantAbsents;
    for (const modBD::PartieSoiree& p : c.absents) {
        const QString qui = p.telephone.isEmpty() ? p.client : QStringLiteral("%1 (%2)").arg(p.client, p.telephone);
        t.lignes.append(Donnee({QStringLiteral("Absents"), QStringLiteral("n° %1 — %2").arg(p.noClient).arg(qui), qlonglong{1},
                                p.billets(), Cellule(p.montant)}));
        billetsAbsents += p.billets();
        montantAbsents += p.montant;
    }
    t.lignes.append(Ligne{Ligne::Type::Total,
                          {QStringLiteral("Absents"), QStringLiteral("Total"), qlonglong{c.absents.size()}, billetsAbsents, Cellule(montantAbsents)},
                          false});
    AjouterCaisses(t, modBD::TrouverRepresentation(f.piece, f.representation));
    return t;
}

// Every closing of the till, filtered by play, performance and closing date.
Tableau Caisse(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Fermeture"),       QStringLiteral("Date"),           QStringLiteral("Pièce"),
                 QStringLiteral("Représentation"),  QStringLiteral("Poste"),          QStringLiteral("Fonds de caisse"),
                 QStringLiteral("Espèces attendues"), QStringLiteral("Espèces comptées"), QStringLiteral("Écart"),
                 QStringLiteral("Carte"),           QStringLiteral("Chèque"),         QStringLiteral("Autre")};
    t.genres = {Genre::Entier, Genre::Texte, Genre::Texte, Genre::Texte, Genre::Texte, Genre::Montant,
                Genre::Montant, Genre::Montant, Genre::Montant, Genre::Montant, Genre::Montant, Genre::Montant};
    t.colonneAlerte = 8;  // a drawer short of cash
    std::array<qint64, 7> totaux{};
    for (const modBD::FermetureCaisse& c : modBD::ListeFermetures()) {
        const QDate jour = QDate::fromString(c.dateFermeture.left(10), Qt::ISODate);
        if ((!f.piece.isEmpty() && c.piece != f.piece) || (!f.representation.isEmpty() && c.dateRepresentation != f.representation) ||
            (f.du.isValid() && jour < f.du) || (f.au.isValid() && jour > f.au))
            continue;
        const std::array<qint64, 7> montants{c.fondCaisse, c.especesAttendues, c.especesComptees, c.ecart, c.carte, c.cheque, c.autre};
        QVariantList cellules{qlonglong{c.noFermeture}, c.dateFermeture, c.piece, c.dateRepresentation, c.poste};
        for (size_t i = 0; i < montants.size(); ++i) {
            cellules << Cellule(Montant::Centimes(montants.at(i)));
            totaux.at(i) += montants.at(i);
        }
        Ligne ligne = Donnee(cellules);
        ligne.alerte = c.ecart < 0;
        t.lignes.append(ligne);
    }
    QVariantList total{QVariant(), QStringLiteral("Total"), QVariant(), QVariant(), QVariant()};
    for (qint64 m : totaux) total << Cellule(Montant::Centimes(m));
    t.lignes.append(Ligne{Ligne::Type::Total, total, false});
    return t;
}

}  // namespace

QString CodeRapport(Rapport r) {
    switch (r) {
    case Rapport::Ventes: return QStringLiteral("ventes");
    case Rapport::Porte: return QStringLiteral("porte");
    case Rapport::Vendeurs: return QStringLiteral("vendeurs");
    case Rapport::Mouvements: return QStringLiteral("mouvements");
    case Rapport::Reglement: return QStringLiteral("reglement");
    case Rapport::Journal: return QStringLiteral("journal");
    case Rapport::Annulations: return QStringLiteral("annulations");
    case Rapport::Bilan: return QStringLiteral("bilan");
    case Rapport::Soiree: return QStringLiteral("soiree");
    case Rapport::Caisse: return QStringLiteral("caisse");
    }
    return {};
}

QList<Rapport> TousLesRapports() {
    return {Rapport::Ventes,    Rapport::Porte,   Rapport::Vendeurs,    Rapport::Mouvements, Rapport::Reglement,
            Rapport::Journal,   Rapport::Annulations, Rapport::Bilan, Rapport::Soiree, Rapport::Caisse};
}

bool LireCodeRapport(const QString& code, Rapport& r) {
    for (Rapport x : TousLesRapports())
        if (CodeRapport(x) == code) {
            r = x;
            return true;
        }
    return false;
}

QString TitreRapport(Rapport r) {
    switch (r) {
    case Rapport::Ventes: return QStringLiteral("Ventes par représentation");
    case Rapport::Porte: return QStringLiteral("Liste de la porte");
    case Rapport::Vendeurs: return QStringLiteral("Billets des vendeurs");
    case Rapport::Mouvements: return QStringLiteral("Mouvements d'une représentation");
    case Rapport::Reglement: return QStringLiteral("Règlement des vendeurs");
    case Rapport::Journal: return QStringLiteral("Journal des ventes");
    case Rapport::Annulations: return QStringLiteral("Commandes annulées");
    case Rapport::Bilan: return QStringLiteral("Bilan des représentations");
    case Rapport::Soiree: return QStringLiteral("Clôture de la soirée");
    case Rapport::Caisse: return QStringLiteral("Fermetures de caisse");
    }
    return {};
}

bool ExigeRepresentation(Rapport r) { return r == Rapport::Porte || r == Rapport::Mouvements || r == Rapport::Soiree; }
bool FiltreParDate(Rapport r) { return r == Rapport::Ventes || r == Rapport::Journal || r == Rapport::Caisse; }
bool FiltreParVendeur(Rapport r) { return r == Rapport::Vendeurs || r == Rapport::Reglement; }
bool FiltreParPiece(Rapport r) { return r != Rapport::Journal && r != Rapport::Annulations; }
bool AccepteRepresentation(Rapport r) { return r == Rapport::Reglement || r == Rapport::Caisse; }

bool AccepteFormat(Rapport r, bool page) { return page || r != Rapport::Soiree; }

Tableau Produire(Rapport rapport, const Filtres& filtres, const QString& source,
                 const std::function<void(int fait, int total)>& avancement) {
    Tableau t;
    switch (rapport) {
    case Rapport::Ventes: t = Ventes(filtres); break;
    case Rapport::Porte: t = Porte(filtres); break;
    case Rapport::Vendeurs: t = Vendeurs(filtres, avancement); break;
    case Rapport::Mouvements: t = Mouvements(filtres); break;
    case Rapport::Reglement: t = Reglement(filtres, avancement); break;
    case Rapport::Journal: t = Journal(filtres); break;
    case Rapport::Annulations: t = Annulations(filtres); break;
    case Rapport::Bilan: t = Bilan(filtres); break;
    case Rapport::Soiree: t = Soiree(filtres); break;
    case Rapport::Caisse: t = Caisse(filtres); break;
    }
    t.rapport = rapport;
    t.filtres = filtres;
    t.titre = TitreRapport(rapport);
    t.source = source;
    t.produitLe = QDateTime::currentDateTime();
    t.compagnie = modBD::LireNomCompagnie();
    if (rapport == Rapport::Reglement) t.journal = modBD::LigneAncreJournal();
    if (!filtres.piece.isEmpty()) t.descriptionFiltres << QStringLiteral("Pièce : %1").arg(filtres.piece);
    if (ExigeRepresentation(rapport) || (AccepteRepresentation(rapport) && !filtres.representation.isEmpty()))
        t.descriptionFiltres << QStringLiteral("Représentation : %1").arg(filtres.representation);
    if (FiltreParVendeur(rapport) && !filtres.vendeur.isEmpty())
        t.descriptionFiltres << QStringLiteral("Vendeur : %1").arg(filtres.vendeur);
    if (FiltreParDate(rapport)) {
        const QString quoi = rapport == Rapport::Caisse ? QStringLiteral("Fermetures") : QStringLiteral("Commandes");
        if (filtres.du.isValid()) t.descriptionFiltres << QStringLiteral("%1 du %2").arg(quoi, Regles::DateEnTexte(filtres.du));
        if (filtres.au.isValid()) t.descriptionFiltres << QStringLiteral("%1 jusqu'au %2").arg(quoi, Regles::DateEnTexte(filtres.au));
    }
    if (t.descriptionFiltres.isEmpty())
        t.descriptionFiltres << (FiltreParPiece(rapport) ? QStringLiteral("Toutes les pièces") : QStringLiteral("Toutes les commandes"));
    return t;
}

TextesNombres::TextesNombres() : m_locale(QLocale()), m_localeGroupe(QLocale()) {
    m_localeGroupe.setNumberOptions(m_localeGroupe.numberOptions() & ~QLocale::OmitGroupSeparator);
    // Numbers for a spreadsheet to read back: no thousands separator, whatever the locale says.
    m_locale.setNumberOptions(m_locale.numberOptions() | QLocale::OmitGroupSeparator);
    m_moins = m_locale.negativeSign();
    m_virgule = m_locale.decimalPoint();
    m_moinsUtf8 = m_moins.toUtf8();
    m_virguleUtf8 = m_virgule.toUtf8();
    // Where the locale writes ASCII digits and its signs where C puts them, a number's text is
    // made here directly; other locales go through QLocale.
    m_direct = m_locale.zeroDigit() == QStringLiteral("0") && !m_moins.isEmpty() && !m_virgule.isEmpty() &&
               m_locale.toString(-1234567) == m_moins + QStringLiteral("1234567") &&
               m_locale.toString(-12.5, 'f', 2) == m_moins + QStringLiteral("12") + m_virgule + QStringLiteral("50");
    // Grouped amounts likewise, where the locale groups by threes from the first thousand.
    m_groupe = m_localeGroupe.groupSeparator();
    m_groupeDirect = m_direct && !m_groupe.isEmpty();
    for (const qint64 c : {qint64{-123456789012}, qint64{123456}, qint64{-99}, qint64{100000}, qint64{0}})
        m_groupeDirect = m_groupeDirect && MontantGroupe(Montant::Centimes(c)) == Montant::Centimes(c).TexteGroupe(m_localeGroupe);
}

Montant MontantCellule(const QVariant& valeur) {
    if (EstMontant(valeur)) return valeur.value<Montant>();
    return Montant::DepuisStocke(valeur.toDouble());
}

bool EstMontant(const QVariant& valeur) { return valeur.metaType() == QMetaType::fromType<Montant>(); }

QString TextesNombres::MontantGroupe(const Montant& montant) const {
    if (!m_groupeDirect) return montant.TexteGroupe(m_localeGroupe);
    const qint64 c = montant.centimes();
    const qint64 a = c < 0 ? -c : c;
    char chiffres[32];
    const char* fin = std::to_chars(chiffres, chiffres + sizeof chiffres, a / 100).ptr;
    const qsizetype n = fin - chiffres;
    QString texte;
    texte.reserve(n + n / 3 + 5);
    if (c < 0) texte += m_moins;
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) texte += m_groupe;
        texte += QLatin1Char(chiffres[i]);
    }
    texte += m_virgule;
    texte += QLatin1Char(static_cast<char>('0' + (a % 100) / 10));
    texte += QLatin1Char(static_cast<char>('0' + a % 10));
    return texte;
}

QString TextesNombres::Cellule(const QVariant& valeur, Genre genre) const {
    if (!valeur.isValid() || valeur.isNull()) return QString();
    switch (genre) {
    case Genre::Texte: return valeur.toString();
    case Genre::Pourcentage: return Texte(valeur, genre) + QStringLiteral(" %");
    case Genre::Entier: return Texte(valeur, genre);
    case Genre::Montant: break;
    }
    if (EstMontant(valeur)) return MontantGroupe(valeur.value<Montant>());
    // Read as a person reads: grouped thousands. A number's text is never shortened.
    const double v = valeur.toDouble();
    return m_localeGroupe.toString(v == 0.0 ? 0.0 : v, 'f', 2);  // no "-0,00"
}

QString TextesNombres::Lent(const QVariant& valeur, Genre genre) const {
    if (genre == Genre::Entier) return m_locale.toString(valeur.toLongLong());
    if (genre == Genre::Pourcentage) return m_locale.toString(static_cast<double>(valeur.toLongLong()) / 10.0, 'f', 1);
    if (EstMontant(valeur)) return valeur.value<Montant>().TexteSimple(m_locale);
    const double v = valeur.toDouble();
    return Regles::TexteMontant(v, m_locale);
}

QString TextesNombres::Texte(const QVariant& valeur, Genre genre) const {
    if (!valeur.isValid() || valeur.isNull()) return QString();
    char tampon[64];
    const char* fin = m_direct ? EcrireNombre(tampon, tampon + sizeof tampon, valeur, genre) : nullptr;
    if (!fin) return Lent(valeur, genre);
    QString texte;
    texte.reserve(fin - tampon + 2);
    for (const char* p = tampon; p != fin; ++p) {
        if (*p == '-') texte += m_moins;
        else if (*p == '.') texte += m_virgule;
        else texte += QLatin1Char(*p);
    }
    return texte;
}

void TextesNombres::AjouterUtf8(QByteArray& sortie, const QVariant& valeur, Genre genre) const {
    if (!valeur.isValid() || valeur.isNull()) return;
    char tampon[64];
    const char* fin = m_direct ? EcrireNombre(tampon, tampon + sizeof tampon, valeur, genre) : nullptr;
    if (!fin) {
        sortie += Lent(valeur, genre).toUtf8();
        return;
    }
    for (const char* p = tampon; p != fin; ++p) {
        if (*p == '-') sortie += m_moinsUtf8;
        else if (*p == '.') sortie += m_virguleUtf8;
        else sortie += *p;
    }
}

QString TexteCellule(const QVariant& valeur, Genre genre) {
    if (genre == Genre::Texte) return valeur.isValid() && !valeur.isNull() ? valeur.toString() : QString();
    return Nombres().Cellule(valeur, genre);
}

void ParcourirLignes(const Tableau& t, const std::function<void(const Ligne&)>& ligne) {
    for (const Ligne& l : t.lignes) ligne(l);
    if (t.lignesAuFil) t.lignesAuFil(ligne);
}

qsizetype NombreLignes(const Tableau& t) { return t.lignes.size() + (t.lignesAuFil ? t.nbLignesAuFil : 0); }

void Materialiser(Tableau& t) {
    if (!t.lignesAuFil) return;
    t.lignes.reserve(t.lignes.size() + t.nbLignesAuFil);
    t.lignesAuFil([&t](const Ligne& l) { t.lignes.append(l); });
    t.lignesAuFil = nullptr;
    t.nbLignesAuFil = 0;
}

ModeleRapport::ModeleRapport(QObject* parent) : QAbstractTableModel(parent) {}

void ModeleRapport::Definir(const Tableau& tableau) {
    beginResetModel();
    m_tableau = tableau;
    Materialiser(m_tableau);
    endResetModel();
}

int ModeleRapport::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_tableau.lignes.size());
}

int ModeleRapport::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_tableau.entetes.size());
}

QVariant ModeleRapport::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_tableau.lignes.size() || index.column() >= m_tableau.entetes.size()) return {};
    const Ligne& ligne = m_tableau.lignes.at(index.row());
    const Genre genre = m_tableau.genres.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        // An alert is said in text too, not by its colour alone (a screen reader, a grey screen).
        if (ligne.alerte && index.column() == 0) return kMarqueAlerte + TexteCellule(ligne.cellules.value(0), genre);
        return TexteCellule(ligne.cellules.value(index.column()), genre);
    case Qt::ToolTipRole:
        if (ligne.alerte) return QStringLiteral("Alerte");
        // A name narrower than its text is read whole here.
        if (genre == Genre::Texte) return TexteCellule(ligne.cellules.value(index.column()), genre);
        return {};
    case Qt::TextAlignmentRole:
        return genre == Genre::Texte ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        if (ligne.type != Ligne::Type::Donnee) {
            QFont gras;
            gras.setBold(true);
            return gras;
        }
        return {};
    case Qt::ForegroundRole:
        if (ligne.alerte) return QBrush(QColor(0xb0, 0x00, 0x20));
        return {};
    case Qt::BackgroundRole:
        if (ligne.alerte) return QBrush(QColor(0xfd, 0xe2, 0xe4));
        if (ligne.type != Ligne::Type::Donnee) return QBrush(QColor(0xea, 0xee, 0xf3));
        return {};
    default:
        return {};
    }
}

QVariant ModeleRapport::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_tableau.entetes.size())
        return m_tableau.entetes.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace Rapports
