#include "modBD_RechercheCommandes.h"

#include "Regles.h"
#include "modBD.h"
#include "modBD_Moteur.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace modBD {

// How the search stays fast on a long history: a scan of every name through SQL at each
// keystroke is too slow (and neither engine folds accents by itself in Qt 6.4), so the
// program keeps in memory one folded key per order ("name<US>phone<US>phone digits"), all
// keys in display order in one buffer, and searches that buffer. The copy is checked before
// every search and can never be stale: it is rebuilt when another connection has committed
// anything (the report tool), and extended by the new order numbers after the program's own
// writes, with a count that catches any row gone. Only the rows shown are then read by SQL.

namespace {

// How the program learns that the orders may have changed: the engine's change markers.
using Jeton = detail::MarqueChangements;
using detail::Changement;
Jeton LireJeton() { return detail::PiloteActif().LireMarque(); }
Changement Comparer(const Jeton& avant, const Jeton& apres) { return detail::PiloteActif().Comparer(avant, apres); }

constexpr char kSeparateur = '\x1f';  // between the parts of one key; folding removes it from any text
constexpr char kFinCle = '\n';
constexpr qint64 kJourInconnu = std::numeric_limits<qint64>::min();

struct Entree {
    qint64 no = 0;
    qint64 jour = kJourInconnu;  // Julian day of the order date; unknown dates sort last
    quint32 debut = 0;           // key in the buffer
    quint32 longueur = 0;
};

struct Index {
    bool charge = false;
    quint64 connexion = 0;
    QString regleDates;
    Jeton jeton;
    qint64 noMax = 0;
    std::vector<Entree> entrees;  // display order
    std::vector<quint32> debuts;  // entrees[i].debut, for finding the entry of a hit
    std::string tampon;           // every key followed by kFinCle, in display order
};

Index& LIndex() {
    static Index index;
    return index;
}

void AjouterUtf8(std::string& dest, const QString& s) {
    bool ascii = true;
    for (QChar c : s)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {
        for (QChar c : s) dest.push_back(static_cast<char>(c.unicode()));
    } else {
        const QByteArray u = s.toUtf8();
        dest.append(u.constData(), static_cast<size_t>(u.size()));
    }
}

QString Chiffres(const QString& s) {
    QString c;
    for (QChar x : s)
        if (x >= QLatin1Char('0') && x <= QLatin1Char('9')) c += x;
    return c;
}

void AjouterCle(std::string& dest, const QString& nom, const QString& telephone) {
    const QString tel = PlierTexte(telephone);
    AjouterUtf8(dest, PlierTexte(nom));
    dest.push_back(kSeparateur);
    AjouterUtf8(dest, tel);
    dest.push_back(kSeparateur);
    AjouterUtf8(dest, Chiffres(tel));
}

// Reads the orders above a number into entries whose keys are appended to brut.
void LireCles(qint64 apres, std::string& brut, std::vector<Entree>& entrees, qint64& noMax) {
    QSqlQuery q = Executer(QStringLiteral("SELECT NoClient, DateReservation, NomClient, TelephoneClient "
                                          "FROM InfoClientReservation WHERE NoClient > ?"),
                           {apres});
    QHash<QString, qint64> jours;  // few distinct dates: each is read once
    while (q.next()) {
        Entree e;
        e.no = q.value(0).toLongLong();
        const QString date = q.value(1).toString();
        auto j = jours.constFind(date);
        if (j == jours.constEnd()) {
            const QDate d = Regles::TexteEnDate(date);
            j = jours.insert(date, d.isValid() ? d.toJulianDay() : kJourInconnu);
        }
        e.jour = *j;
        e.debut = static_cast<quint32>(brut.size());
        AjouterCle(brut, q.value(2).toString(), q.value(3).toString());
        e.longueur = static_cast<quint32>(brut.size()) - e.debut;
        brut.push_back(kFinCle);
        entrees.push_back(e);
        noMax = std::max(noMax, e.no);
    }
}

// Puts the entries in display order and the keys in one buffer in that order. The first
// dejaRangees entries are in order already (the copy before a few new orders).
void Ranger(Index& index, const std::string& brut, std::vector<Entree> entrees, size_t dejaRangees = 0) {
    const auto avant = [](const Entree& x, const Entree& y) { return x.jour != y.jour ? x.jour > y.jour : x.no > y.no; };
    const auto milieu = entrees.begin() + static_cast<std::ptrdiff_t>(std::min(dejaRangees, entrees.size()));
    std::sort(milieu, entrees.end(), avant);
    std::inplace_merge(entrees.begin(), milieu, entrees.end(), avant);
    std::string tampon;
    tampon.reserve(brut.size());
    std::vector<quint32> debuts;
    debuts.reserve(entrees.size());
    for (Entree& e : entrees) {
        const quint32 debut = static_cast<quint32>(tampon.size());
        tampon.append(brut, e.debut, e.longueur);
        tampon.push_back(kFinCle);
        e.debut = debut;
        debuts.push_back(debut);
    }
    index.entrees = std::move(entrees);
    index.debuts = std::move(debuts);
    index.tampon = std::move(tampon);
}

void ChargerTout(Index& index) {
    index.charge = false;
    index.jeton = LireJeton();  // before the rows: a commit in between makes the next search reload
    std::string brut;
    std::vector<Entree> entrees;
    qint64 noMax = 0;
    LireCles(0, brut, entrees, noMax);
    if (brut.size() >= std::numeric_limits<quint32>::max())
        throw ErreurBD(QStringLiteral("Trop de commandes pour la recherche en mémoire."));
    Ranger(index, brut, std::move(entrees));
    index.noMax = noMax;
    index.connexion = NumeroConnexion();
    index.regleDates = QLocale().name() + QLatin1Char('|') + Regles::FormatDateCourt();
    index.charge = true;
}

void Completer(Index& index, const Jeton& jeton) {
    std::string brut = index.tampon;
    std::vector<Entree> entrees = index.entrees;
    qint64 noMax = index.noMax;
    const size_t avant = entrees.size();
    LireCles(index.noMax, brut, entrees, noMax);
    QSqlQuery n = Executer(QStringLiteral("SELECT COUNT(*) FROM InfoClientReservation"));
    const qint64 nombre = n.next() ? n.value(0).toLongLong() : -1;
    if (nombre != static_cast<qint64>(entrees.size()) || brut.size() >= std::numeric_limits<quint32>::max()) {
        ChargerTout(index);  // a row went away or changed number: start again
        return;
    }
    if (entrees.size() != avant) Ranger(index, brut, std::move(entrees), avant);
    index.noMax = noMax;
    index.jeton = jeton;
}

// Brings the in-memory copy up to date with the file.
Index& IndexAJour() {
    Index& index = LIndex();
    const QString regle = QLocale().name() + QLatin1Char('|') + Regles::FormatDateCourt();
    if (!index.charge || index.connexion != NumeroConnexion() || index.regleDates != regle) {
        ChargerTout(index);
        return index;
    }
    const Jeton jeton = LireJeton();
    switch (Comparer(index.jeton, jeton)) {
    case Changement::Aucun: break;
    case Changement::Ajouts: Completer(index, jeton); break;
    case Changement::Inconnu: ChargerTout(index); break;
    }
    return index;
}

// Where the pattern next occurs in the buffer from a position, or npos. glibc's memmem is
// several times faster than a generic search on these short patterns.
size_t Chercher(const std::string& t, const std::string& motif, size_t depuis) {
#ifdef __GLIBC__
    const void* trouve = ::memmem(t.data() + depuis, t.size() - depuis, motif.data(), motif.size());
    return trouve ? static_cast<size_t>(static_cast<const char*>(trouve) - t.data()) : std::string::npos;
#else
    return t.find(motif, depuis);
#endif
}

// Calls surEntree(i) once for every entry whose key holds the pattern, in display order.
void Parcourir(const Index& index, const std::string& motif, const std::function<void(size_t)>& surEntree) {
    const std::string& t = index.tampon;
    size_t position = 0;
    size_t i = 0;
    while (position < t.size()) {
        const size_t trouve = Chercher(t, motif, position);
        if (trouve == std::string::npos) break;
        const auto decalage = static_cast<quint32>(trouve);
        // Hits only move forward: look for the entry from the last one.
        i = static_cast<size_t>(std::upper_bound(index.debuts.begin() + static_cast<std::ptrdiff_t>(i),
                                                 index.debuts.end(), decalage) - index.debuts.begin()) - 1;
        surEntree(i);
        ++i;
        if (i >= index.debuts.size()) break;
        position = index.debuts[i];
    }
}

QString Marques(qsizetype n) {
    QString m;
    m.reserve(n * 3);
    for (qsizetype i = 0; i < n; ++i) m += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return m;
}

QHash<qint64, ResumeCommande> LireResumes(const QList<qint64>& nos) {
    QHash<qint64, ResumeCommande> resumes;
    constexpr qsizetype kParRequete = 500;
    QHash<qint64, qint64> vendeurDe;
    for (qsizetype debut = 0; debut < nos.size(); debut += kParRequete) {
        const QList<qint64> tranche = nos.mid(debut, kParRequete);
        QVariantList valeurs;
        for (qint64 no : tranche) valeurs << no;
        const QString dans = Marques(tranche.size());
        // One read per slice: the order row with the sums of its lines. All plain columns are
        // grouped on, as PostgreSQL requires.
        QSqlQuery c = Executer(QStringLiteral("SELECT c.NoClient, c.DateReservation, c.NomClient, c.TelephoneClient, "
                                              "c.MontantTotal, c.NbForfaits, COALESCE(SUM(l.NbEnfant), 0), "
                                              "COALESCE(SUM(l.NbAdulte), 0), MIN(l.NoVendeur) "
                                              "FROM InfoClientReservation c LEFT JOIN InfoReservation l ON l.NoClient = c.NoClient "
                                              "WHERE c.NoClient IN (%1) "
                                              "GROUP BY c.NoClient, c.DateReservation, c.NomClient, c.TelephoneClient, "
                                              "c.MontantTotal, c.NbForfaits").arg(dans),
                               valeurs);
        while (c.next()) {
            ResumeCommande r;
            r.noClient = c.value(0).toLongLong();
            r.dateReservation = c.value(1).toString();
            r.nomClient = c.value(2).toString();
            r.telephoneClient = c.value(3).toString();
            r.montant = Montant::DepuisStocke(c.value(4).toDouble());
            r.nbForfaits = c.value(5).toLongLong();
            r.billets = c.value(6).toLongLong() + c.value(7).toLongLong();
            if (!c.value(8).isNull()) vendeurDe.insert(r.noClient, c.value(8).toLongLong());
            resumes.insert(r.noClient, r);
        }
    }
    // Every line of an order carries the order's seller.
    const QList<qint64> vendeurs = QSet<qint64>(vendeurDe.cbegin(), vendeurDe.cend()).values();
    QHash<qint64, QString> noms;
    for (qsizetype debut = 0; debut < vendeurs.size(); debut += kParRequete) {
        const QList<qint64> tranche = vendeurs.mid(debut, kParRequete);
        QVariantList valeurs;
        for (qint64 no : tranche) valeurs << no;
        QSqlQuery v = Executer(QStringLiteral("SELECT NoVendeur, NomVendeur, Comedien FROM Vendeur WHERE NoVendeur IN (%1)")
                                   .arg(Marques(tranche.size())),
                               valeurs);
        while (v.next()) noms.insert(v.value(0).toLongLong(), NomAfficheVendeur(v.value(1).toString(), v.value(2).toLongLong() != 0));
    }
    for (auto it = vendeurDe.cbegin(); it != vendeurDe.cend(); ++it) resumes[it.key()].vendeur = noms.value(it.value());
    const QHash<qint64, Annulation> annulations = LireAnnulations(resumes.keys());
    for (auto it = annulations.cbegin(); it != annulations.cend(); ++it)
        if (resumes.contains(it.key())) resumes[it.key()].annulation = it.value();
    return resumes;
}

bool EstTelephone(const QString& plie) {
    bool chiffre = false;
    for (QChar c : plie) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            chiffre = true;
        else if (!QStringLiteral(" -.()+/").contains(c))
            return false;
    }
    return chiffre;
}

}  // namespace

QString PlierTexte(const QString& texte) {
    bool ascii = true;
    for (QChar c : texte)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    const QString source = ascii ? texte : texte.normalized(QString::NormalizationForm_KD);
    QString r;
    r.reserve(source.size());
    bool blanc = false;
    auto ecrire = [&](QStringView s) {
        if (blanc && !r.isEmpty()) r += QLatin1Char(' ');
        blanc = false;
        r += s;
    };
    for (QChar c : source) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (u <= 0x20 || u == 0x7f) {
                blanc = true;
            } else {
                const QChar minuscule = (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 32)) : c;
                ecrire(QStringView(&minuscule, 1));
            }
            continue;
        }
        switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format:
            continue;  // accents, zero-width marks
        case QChar::Separator_Space:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
        case QChar::Other_Control:
            blanc = true;
            continue;
        default:
            break;
        }
        switch (u) {
        case u'œ': case u'Œ': ecrire(u"oe"); break;
        case u'æ': case u'Æ': ecrire(u"ae"); break;
        case u'ß': ecrire(u"ss"); break;
        case u'\u2018': case u'\u2019': case u'\u02BC': ecrire(u"'"); break;
        default: {
            const QChar plie = c.toCaseFolded();
            ecrire(QStringView(&plie, 1));
        }
        }
    }
    return r;
}

ResultatRecherche RechercherCommandes(const QString& texte, int limite) {
    const Index& index = IndexAJour();
    const size_t n = index.entrees.size();
    const size_t max = static_cast<size_t>(std::max(0, limite));
    const QString plie = PlierTexte(texte);

    std::vector<std::string> motifs;
    if (!plie.isEmpty()) {
        std::string m;
        AjouterUtf8(m, plie);
        motifs.push_back(m);
        // A phone typed with its dashes or blanks also finds it written without them.
        const QString chiffres = Chiffres(plie);
        if (EstTelephone(plie) && chiffres != plie) motifs.push_back(chiffres.toStdString());
    }
    // The order with that exact number comes first.
    size_t parNumero = n;
    if (!plie.isEmpty() && Chiffres(plie) == plie && plie.size() <= 18) {
        const qint64 numero = plie.toLongLong();
        for (size_t i = 0; i < n; ++i)
            if (index.entrees[i].no == numero) {
                parNumero = i;
                break;
            }
    }

    qint64 total = 0;
    std::vector<size_t> page;
    page.reserve(std::min(n, max) + 1);
    if (parNumero < n) {
        ++total;
        if (max > 0) page.push_back(parNumero);
    }
    auto retenir = [&](size_t i) {
        if (i == parNumero) return;
        ++total;
        if (page.size() < max) page.push_back(i);
    };
    if (motifs.empty()) {
        for (size_t i = 0; i < n && page.size() < max; ++i) page.push_back(i);
        total = static_cast<qint64>(n);
    } else if (motifs.size() == 1) {
        Parcourir(index, motifs.front(), retenir);
    } else {
        // Each pattern's hits come in display order: their union, merged, keeps it.
        std::vector<size_t> union_;
        for (const std::string& m : motifs) {
            std::vector<size_t> coups;
            Parcourir(index, m, [&](size_t i) { coups.push_back(i); });
            std::vector<size_t> fusion;
            fusion.reserve(union_.size() + coups.size());
            std::set_union(union_.begin(), union_.end(), coups.begin(), coups.end(), std::back_inserter(fusion));
            union_ = std::move(fusion);
        }
        for (size_t i : union_) retenir(i);
    }

    QList<qint64> nos;
    nos.reserve(static_cast<qsizetype>(page.size()));
    for (size_t i : page) nos << index.entrees[i].no;
    const QHash<qint64, ResumeCommande> resumes = LireResumes(nos);
    ResultatRecherche resultat;
    resultat.total = total;
    for (qint64 no : nos) {
        if (resumes.contains(no))
            resultat.commandes << resumes.value(no);
        else
            --resultat.total;  // deleted between the check and the read
    }
    return resultat;
}

std::optional<DetailCommande> LireCommande(qint64 noClient) {
    const QHash<qint64, ResumeCommande> resumes = LireResumes({noClient});
    if (!resumes.contains(noClient)) return std::nullopt;
    DetailCommande d;
    d.resume = resumes.value(noClient);
    QSqlQuery q = Executer(QStringLiteral("SELECT p.NomPiece, r.DateRepresentation, l.NbEnfant, l.NbAdulte, l.Cout, l.VentePorte "
                                          "FROM InfoReservation l "
                                          "LEFT JOIN Representation r ON r.NoRepresentation = l.NoRepresentation "
                                          "LEFT JOIN Piece p ON p.NoPiece = r.NoPiece "
                                          "WHERE l.NoClient = ? ORDER BY l.NoLigne"),
                           {noClient});
    while (q.next()) {
        LigneDetail l;
        l.nomPiece = q.value(0).toString();
        l.dateRepresentation = q.value(1).toString();
        l.nbEnfants = q.value(2).toLongLong();
        l.nbAdultes = q.value(3).toLongLong();
        l.cout = Montant::DepuisStocke(q.value(4).toDouble());
        l.ventePorte = q.value(5).toLongLong() != 0;
        d.lignes << l;
    }
    return d;
}

void OublierIndexRecherche() { LIndex().charge = false; }

}  // namespace modBD
