#include "Tableau.h"

#include "Regles.h"
#include "modBD_Rapports.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLocale>

#include <charconv>
#include <cmath>

namespace Rapports {

namespace {

// The number in ASCII, '-' and '.' standing for the locale's signs; nullptr where only QLocale
// gives the exact text: amounts halfway between two cents (QLocale rounds those away from zero,
// the standard library to even), below a cent but not zero, huge or not finite.
const char* EcrireNombre(char* debut, char* fin, const QVariant& valeur, Genre genre) {
    if (genre == Genre::Entier) return std::to_chars(debut, fin, valeur.toLongLong()).ptr;
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
        double montant = 0;
        void ajouter(const modBD::LigneVentes& l) {
            enfant += l.billetsEnfant;
            adulte += l.billetsAdulte;
            porte += l.billetsPorte;
            montant += l.montant;
        }
        Ligne ligne(Ligne::Type type, const QString& libelle) const {
            return Ligne{type, {libelle, QString(), QVariant(), enfant, adulte, enfant + adulte, porte, montant}, false};
        }
    };
    Somme piece, general;
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        const modBD::LigneVentes& l = lignes.at(i);
        t.lignes.append(Donnee({l.piece, l.representation, l.commandes, l.billetsEnfant, l.billetsAdulte, l.billets(),
                                l.billetsPorte, l.montant}));
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
    qlonglong enfant = 0, adulte = 0;
    double cout = 0;
    for (const modBD::LignePorte& l : modBD::RapportPorte(f.piece, f.representation)) {
        t.lignes.append(Donnee({l.client, l.telephone, l.billetsEnfant, l.billetsAdulte, l.cout,
                                l.aLaPorte ? QStringLiteral("Oui") : QStringLiteral("Non"), l.vendeur, l.commande,
                                l.dateCommande}));
        enfant += l.billetsEnfant;
        adulte += l.billetsAdulte;
        cout += l.cout;
    }
    t.lignes.append(Ligne{Ligne::Type::Total,
                          {QStringLiteral("Total : %1 billets").arg(enfant + adulte), QString(), enfant, adulte, cout,
                           QString(), QString(), QVariant(), QString()},
                          false});
    return t;
}

Tableau Vendeurs(const Filtres& f) {
    Tableau t;
    t.entetes = {QStringLiteral("Vendeur"), QStringLiteral("Pièce"), QStringLiteral("Représentation"),
                 QStringLiteral("Reçus"), QStringLiteral("Rendus"), QStringLiteral("En stock"), QStringLiteral("Vendus"),
                 QStringLiteral("Reste"), QStringLiteral("Montant vendu")};
    t.genres = {Genre::Texte, Genre::Texte, Genre::Texte, Genre::Entier, Genre::Entier, Genre::Entier,
                Genre::Entier, Genre::Entier, Genre::Montant};
    t.colonneAlerte = 7;
    const QList<modBD::LigneVendeurs> lignes = modBD::RapportVendeurs(f.piece);
    t.lignes.reserve(lignes.size());
    for (const modBD::LigneVendeurs& l : lignes) {
        // Built in place: a list from braces would copy each of its cells once more, and this
        // report can have hundreds of thousands of rows.
        Ligne ligne;
        ligne.cellules.reserve(9);
        ligne.cellules.emplaceBack(l.vendeur);
        ligne.cellules.emplaceBack(l.piece);
        ligne.cellules.emplaceBack(l.representation);
        ligne.cellules.emplaceBack(l.recus);
        ligne.cellules.emplaceBack(l.rendus);
        ligne.cellules.emplaceBack(l.enStock());
        ligne.cellules.emplaceBack(l.vendus);
        ligne.cellules.emplaceBack(l.reste());
        ligne.cellules.emplaceBack(l.montantVendu);
        ligne.alerte = l.reste() < 0;
        t.lignes.append(std::move(ligne));
    }
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

}  // namespace

QString CodeRapport(Rapport r) {
    switch (r) {
    case Rapport::Ventes: return QStringLiteral("ventes");
    case Rapport::Porte: return QStringLiteral("porte");
    case Rapport::Vendeurs: return QStringLiteral("vendeurs");
    case Rapport::Mouvements: return QStringLiteral("mouvements");
    }
    return {};
}

bool LireCodeRapport(const QString& code, Rapport& r) {
    for (Rapport x : {Rapport::Ventes, Rapport::Porte, Rapport::Vendeurs, Rapport::Mouvements})
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
    }
    return {};
}

bool ExigeRepresentation(Rapport r) { return r == Rapport::Porte || r == Rapport::Mouvements; }

Tableau Produire(Rapport rapport, const Filtres& filtres, const QString& source) {
    Tableau t;
    switch (rapport) {
    case Rapport::Ventes: t = Ventes(filtres); break;
    case Rapport::Porte: t = Porte(filtres); break;
    case Rapport::Vendeurs: t = Vendeurs(filtres); break;
    case Rapport::Mouvements: t = Mouvements(filtres); break;
    }
    t.rapport = rapport;
    t.filtres = filtres;
    t.titre = TitreRapport(rapport);
    t.source = source;
    t.produitLe = QDateTime::currentDateTime();
    if (!filtres.piece.isEmpty()) t.descriptionFiltres << QStringLiteral("Pièce : %1").arg(filtres.piece);
    if (ExigeRepresentation(rapport)) t.descriptionFiltres << QStringLiteral("Représentation : %1").arg(filtres.representation);
    if (rapport == Rapport::Ventes) {
        if (filtres.du.isValid()) t.descriptionFiltres << QStringLiteral("Commandes du %1").arg(Regles::DateEnTexte(filtres.du));
        if (filtres.au.isValid()) t.descriptionFiltres << QStringLiteral("Commandes jusqu'au %1").arg(Regles::DateEnTexte(filtres.au));
    }
    if (t.descriptionFiltres.isEmpty()) t.descriptionFiltres << QStringLiteral("Toutes les pièces");
    return t;
}

TextesNombres::TextesNombres() : m_locale(QLocale()) {
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
}

QString TextesNombres::Lent(const QVariant& valeur, Genre genre) const {
    if (genre == Genre::Entier) return m_locale.toString(valeur.toLongLong());
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
    if (!valeur.isValid() || valeur.isNull()) return QString();
    if (genre == Genre::Texte) return valeur.toString();
    return Nombres().Texte(valeur, genre);
}

ModeleRapport::ModeleRapport(QObject* parent) : QAbstractTableModel(parent) {}

void ModeleRapport::Definir(const Tableau& tableau) {
    beginResetModel();
    m_tableau = tableau;
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
        return TexteCellule(ligne.cellules.value(index.column()), genre);
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
