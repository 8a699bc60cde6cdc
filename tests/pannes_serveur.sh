#!/usr/bin/env bash
# The fault test: several stations of the load tool through terminated sessions, commits whose
# answer is lost, and a server restart, on a server of its own (restarting the fixture's server
# would disturb the other tests).
#   tests/pannes_serveur.sh SCRIPT_SERVEUR OUTIL_CHARGE DOSSIER
set -euo pipefail
script="$1"
charge="$2"
dossier="$3"
reglages="$(mktemp -d)"
trap '"$script" arreter "$dossier"; rm -rf "$reglages"' EXIT
"$script" demarrer "$dossier" 5432 > /dev/null
printf '[base]\nmoteur=postgresql\nhote=%s\nport=5432\nnom=corvandelle\nutilisateur=corv\n' "$dossier" > "$reglages/corvandelle.ini"
"$charge" --stations 4 --commandes 20 --echanges 5 --pannes "'$script' redemarrer '$dossier'" --ini "$reglages/corvandelle.ini"
# The door through the same faults: check-ins and door sales with their payments.
"$charge" --porte --stations 4 --parties 40 --arrivees 30 --ventes 10 --pannes "'$script' redemarrer '$dossier'" --ini "$reglages/corvandelle.ini"
