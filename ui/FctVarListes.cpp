// The lists every window fills, read once here with the one message for a failed read.
// Kept apart from FctVar.cpp so the number and date rules build without the data store.
#include "FctVar.h"

#include "Toolkit.h"
#include "modBD.h"

namespace FctVar {

namespace {
template <class Lecture>
std::optional<QStringList> LireListe(QWidget* parent, const QString& quoi, Lecture lecture) {
    try {
        return lecture();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(parent, QStringLiteral("La liste des %1 n'a pas pu être lue.\n").arg(quoi) + e.message());
        return std::nullopt;
    }
}
}  // namespace

std::optional<QStringList> LirePieces(QWidget* parent) {
    return LireListe(parent, QStringLiteral("pièces"), [] { return modBD::ListePieces(); });
}

std::optional<QStringList> LireVendeurs(QWidget* parent) {
    return LireListe(parent, QStringLiteral("vendeurs"), [] { return modBD::ListeVendeursAffiches(); });
}

}  // namespace FctVar
