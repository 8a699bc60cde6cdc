// A season to try the program on: plays, performances, sellers, stock, exchanges and orders,
// in a base of its own, never the real one.
#pragma once

#include <QDate>
#include <QString>

namespace modBD {

// The folder of the demonstration base: "demonstration" in the program folder. Ask before
// the program folder is pointed at it.
QString DossierDemonstration();

// Creates the base at chemin (which must not exist) holding a season around `aujourdhui`:
// all of it, or no file at all. Dates are written in the locale's date text: call after the
// locale is set. Throws ErreurBD.
void CreerBaseDemonstration(const QString& chemin, const QDate& aujourdhui);

}  // namespace modBD
