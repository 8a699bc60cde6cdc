#include "modBD_Changements.h"

#include "modBD_Session.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>
#include <vector>

namespace modBD {

Changements& Changements::Instance() {
    static Changements* instance = new Changements;  // lives as long as the program
    return *instance;
}

namespace {
// Said by the unit of work in progress, in the order first said.
std::vector<Domaine>& EnAttente() {
    static std::vector<Domaine> domaines;
    return domaines;
}

void Emettre(Domaine domaine) {
    Changements& c = Changements::Instance();
    switch (domaine) {
    case Domaine::Commandes: emit c.CommandesChangees(); break;
    case Domaine::Catalogue: emit c.CatalogueChange(); break;
    case Domaine::Stock: emit c.StockChange(); break;
    case Domaine::Reglages: emit c.ReglagesChanges(); break;
    }
}
}  // namespace

void SignalerChangement(Domaine domaine) {
    if (!detail::SessionActive().enTransaction) {
        Emettre(domaine);
        return;
    }
    std::vector<Domaine>& attente = EnAttente();
    if (std::find(attente.begin(), attente.end(), domaine) == attente.end()) attente.push_back(domaine);
}

namespace detail {
void ChangementsValides() {
    // A window hearing one may write in turn: what it says then is its own.
    const std::vector<Domaine> dits = std::exchange(EnAttente(), {});
    for (Domaine d : dits) Emettre(d);
}

void ChangementsAbandonnes() { EnAttente().clear(); }

void SignalerBaseRemplacee(bool immediat) {
    Changements& c = Changements::Instance();
    if (immediat)
        emit c.BaseRemplacee();
    else
        QMetaObject::invokeMethod(&c, &Changements::BaseRemplacee, Qt::QueuedConnection);
}

void SignalerChangeAilleurs() { emit Changements::Instance().ChangeAilleurs(); }
}  // namespace detail

}  // namespace modBD
