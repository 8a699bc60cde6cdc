// The load tool's door mode: N stations check the parties of one performance in (whole, one
// more, one less, back to none) and sell at the door with a payment mode, then the base is
// checked against what they reported.
#pragma once

#include <QString>

namespace ChargePorte {

// Writes each line the station reports (one per line on standard output).
using Dire = void (*)(const QString&);

// The parent, before the stations start: a performance of its own with its parties (advance
// orders named after etiquette). Throws modBD::ErreurBD.
void Preparer(const QString& etiquette, int parties);

// One station: actions check-ins on the parties it holds (every postes-th one, so that what it
// reports last for a party is the party's final count) and ventes door sales, interleaved.
// Under faults (sousPannes) an action refused is taken again as a clerk would: a sale with the
// same token, a check-in as "whole" (a count that can be set again).
int Poste(int numero, int postes, int actions, int ventes, const QString& etiquette, bool sousPannes, Dire dire);

// The parent, after the stations: reads their reports and checks the base. 0 when it holds;
// the violations are written through erreur.
int Verifier(const QString& sortiesPostes, const QString& etiquette, Dire dire, Dire erreur);

}  // namespace ChargePorte
