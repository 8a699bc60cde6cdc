#!/bin/sh
# Fails naming every function of the program's folders longer than 80 lines, as clang-tidy's
# readability-function-size counts them, except those in the list below.
#   tests/taille_fonctions.sh <source folder> <build folder holding compile_commands.json>
set -u
source="$1"
build="$2"
dossiers="app data ui sales catalogue stock reports bench"

# Functions allowed over the limit: none. A name here would need its reason beside it.
exemptions=""

if [ ! -f "$build/compile_commands.json" ]; then
  echo "taille_fonctions : $build/compile_commands.json est absent (CMAKE_EXPORT_COMPILE_COMMANDS)." >&2
  exit 2
fi
command -v clang-tidy >/dev/null || { echo "taille_fonctions : clang-tidy est absent (scripts/dependances.sh test)." >&2; exit 2; }

sortie=$(mktemp)
trap 'rm -f "$sortie"' EXIT
cd "$source" || exit 2
filtre="^$(pwd)/($(echo $dossiers | tr ' ' '|'))/"
# Our own sources only (no moc files), two at a time: the machine is shared.
for d in $dossiers; do find "$d" -name '*.cpp'; done | sort |
  xargs -P2 -n4 clang-tidy -p "$build" --quiet --checks='-*,readability-function-size' \
    --config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 80}]}' \
    --header-filter="$filtre" >"$sortie" 2>/dev/null

# "file:line:col: warning: function 'Nom' exceeds ...", then the definition's line: the name is
# taken qualified from it when it is (frmMain::ConstruireFenetre), a main with its file's name.
longues=$(awk '
  /warning: function .* exceeds recommended size/ {
    split($0, a, "'"'"'"); nom = a[2]; split($1, p, ":"); fichier = p[1]; attendre = 1; next
  }
  attendre {
    attendre = 0
    if (match($0, "[A-Za-z_0-9:~]*" nom "[ \t]*\\(")) { q = substr($0, RSTART, RLENGTH); sub(/[ \t]*\($/, "", q) } else q = nom
    if (q == "main") { n = split(fichier, c, "/"); q = c[n] ":main" }
    print q "\t" fichier ":" p[2]
  }' "$sortie" | sort -u)

echo "$longues" | grep -v '^$' >/dev/null || { echo "Aucune fonction de plus de 80 lignes."; exit 0; }
echo "$longues" | while IFS="$(printf '\t')" read -r nom lieu; do
  [ -n "$nom" ] || continue
  if echo "$exemptions" | grep -qx "$nom"; then
    echo "en attente (exemptée) : $nom ($lieu)"
  else
    echo "TROP LONGUE (plus de 80 lignes) : $nom ($lieu)"
  fi
done
echo "$longues" | cut -f1 | while read -r nom; do
  [ -n "$nom" ] && ! echo "$exemptions" | grep -qx "$nom" && echo x
done | grep -q x && exit 1
exit 0
