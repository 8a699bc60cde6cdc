// The copy of the evening's sales made as the program ends, when the base changed since the
// newest copy. Only for a file base: a server base is copied on the server.
#pragma once

class QWidget;

namespace CopieSortie {

// Milliseconds before the progress box shows: a short copy shows nothing.
inline constexpr int kDelaiProgressionMs = 1000;

// Makes the copy when one is due. `masquerFenetres`: the windows close at once, the clerk sees
// only the progress box (when the copy takes longer than a second) or what went wrong. Nothing
// is lost either way: a copy refused (disk too full, folder not writable) is said, BD.mdb and
// the older copies stay as they were. True when a copy was made.
bool Faire(bool masquerFenetres);

}  // namespace CopieSortie
