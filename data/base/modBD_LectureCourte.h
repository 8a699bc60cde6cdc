// The reads a window runs by itself (a refresh on a timer) wait only briefly for a base that
// another program holds: the window then keeps what it shows and tries again later, instead
// of freezing for the clerk's own limit. The clerk's writes keep the usual limits.
#pragma once

#include <QString>

namespace modBD {

inline constexpr int kAttenteLectureCourteMs = 100;

// While it lives, a lock held by another program is awaited at most ms on the program's
// connection (the file's busy wait; the server's lock_timeout), then the statement fails as
// usual (ErreurBD). The previous limit comes back at destruction. Only outside a transaction.
class LectureCourte {
public:
    explicit LectureCourte(int ms = kAttenteLectureCourteMs);
    ~LectureCourte();
    LectureCourte(const LectureCourte&) = delete;
    LectureCourte& operator=(const LectureCourte&) = delete;

private:
    QString m_avant;  // the limit in force before: the file's busy wait in ms, the server's lock_timeout
    bool m_serveur = false;
    bool m_actif = false;
};

}  // namespace modBD
