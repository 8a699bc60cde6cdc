// What changed in the base, said once to whoever shows it. The data store emits, the windows
// subscribe: a signal tells a window that what it shows may be out of date; when it reads
// again stays its own rule (at once, when closed, or when the clerk next uses a list).
#pragma once

#include <QObject>

namespace modBD {

enum class Domaine {
    Commandes,  // orders, their lines, cancellations, erasures, check-ins, door sales
    Catalogue,  // plays, performances, sellers, capacities, prices
    Stock,      // sellers' tickets and exchanges
    Reglages,   // the company's settings
};

class Changements : public QObject {
    Q_OBJECT
public:
    // The program's one instance (made on first use, on the thread that first asks: the main one).
    static Changements& Instance();

signals:
    // The connection is now on another file (a restore, here or by another program): every
    // row shown came from the old one.
    void BaseRemplacee();
    void CommandesChangees();
    void CatalogueChange();
    void StockChange();
    void ReglagesChanges();
    // Another station or program committed something (which, the base does not say).
    void ChangeAilleurs();

private:
    Changements() = default;
};

// Said by a write of domaine: inside a unit of work, emitted once the unit is committed (never
// for a unit rolled back); outside one, at once.
void SignalerChangement(Domaine domaine);

namespace detail {
// Called by the unit of work: its end (committed or not) and what it had said.
void ChangementsValides();
void ChangementsAbandonnes();
// The connection was moved to a new file. immediat: emitted now (the caller is between two
// statements); else on the next turn of the event loop, since a window may be in the middle
// of reading.
void SignalerBaseRemplacee(bool immediat);
// Another program's commit was noticed.
void SignalerChangeAilleurs();
}  // namespace detail

}  // namespace modBD
