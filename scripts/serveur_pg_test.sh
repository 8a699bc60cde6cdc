#!/usr/bin/env bash
# The throwaway PostgreSQL server of the tests: a cluster in a temporary folder, listening on
# a Unix socket in that folder only (no TCP port), run by an unprivileged user (PostgreSQL
# refuses root; CI runs as root, so the cluster then belongs to the system user postgres).
#
#   scripts/serveur_pg_test.sh demarrer DOSSIER [PORT]   new cluster, started; fails loudly if it cannot
#   scripts/serveur_pg_test.sh arreter DOSSIER           stopped and removed (nothing to do if absent)
#   scripts/serveur_pg_test.sh suspendre DOSSIER         stopped, cluster kept (a server that goes away)
#   scripts/serveur_pg_test.sh redemarrer DOSSIER        restarted at once (-m fast: every session cut)
#   scripts/serveur_pg_test.sh reprendre DOSSIER [PORT]  started again on the kept cluster
#   scripts/serveur_pg_test.sh nettoyer                  stops the private servers (/tmp/corv-pp-PID)
#                                                        of test programs that died without stopping them
#
# The superuser of the cluster is "corv" (trust authentication, socket only); an empty
# database "corvandelle" is there for the load tool. Set
# CORV_PG_DURABLE=1 to keep fsync on (for load figures); the tests run faster without it.
set -euo pipefail
action="${1:-}"
dossier="${2:-}"
port="${3:-5432}"
bin="${CORV_PG_BIN:-/usr/lib/postgresql/15/bin}"
if [ "$action" = nettoyer ]; then
  for d in /tmp/corv-pp-*; do
    [ -d "$d" ] || continue
    pid="${d##*-}"
    if ! kill -0 "$pid" 2> /dev/null; then "$0" arreter "$d"; fi
  done
  exit 0
fi
if [ -z "$action" ] || [ -z "$dossier" ]; then
  echo "Usage : $0 demarrer|arreter|suspendre|reprendre|redemarrer DOSSIER [PORT]" >&2
  exit 2
fi
donnees="$dossier/donnees"

comme_serveur() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

en_marche() { [ -f "$donnees/postmaster.pid" ] && comme_serveur "$bin/pg_ctl" -D "$donnees" status > /dev/null 2>&1; }

lancer() {
  local options="-k $dossier -p $port -c listen_addresses= -c max_connections=120"
  if [ "${CORV_PG_DURABLE:-0}" != 1 ]; then options="$options -c fsync=off -c synchronous_commit=off -c full_page_writes=off"; fi
  if ! comme_serveur "$bin/pg_ctl" -D "$donnees" -l "$dossier/journal.log" -w -t 60 -o "$options" start > /dev/null; then
    echo "Le serveur PostgreSQL de test n'a pas pu démarrer dans $dossier. Fin de son journal :" >&2
    tail -n 20 "$dossier/journal.log" >&2 || true
    exit 1
  fi
}

case "$action" in
  demarrer)
    if [ ! -x "$bin/initdb" ]; then
      echo "PostgreSQL 15 est absent ($bin/initdb introuvable) : installez le paquet postgresql-15 (scripts/dependances.sh test)." >&2
      exit 1
    fi
    if [ "$(id -u)" -eq 0 ] && ! id postgres > /dev/null 2>&1; then
      echo "L'utilisateur système « postgres » manque : PostgreSQL refuse de tourner sous root (installez postgresql-15)." >&2
      exit 1
    fi
    # What a killed earlier run left behind goes first.
    if en_marche; then comme_serveur "$bin/pg_ctl" -D "$donnees" -m immediate -w stop > /dev/null || true; fi
    rm -rf "$dossier"
    mkdir -p "$dossier"
    chmod 700 "$dossier"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dossier"; fi
    if ! comme_serveur "$bin/initdb" -D "$donnees" -A trust -U corv -E UTF8 --locale=C.UTF-8 > "$dossier/initdb.log" 2>&1; then
      echo "initdb a échoué dans $dossier :" >&2
      cat "$dossier/initdb.log" >&2
      exit 1
    fi
    lancer
    # An empty base for the load tool's run (the tests make their own).
    "$bin/createdb" -h "$dossier" -p "$port" -U corv corvandelle
    echo "Serveur PostgreSQL de test en marche : socket dans $dossier, port $port."
    ;;
  reprendre)
    lancer
    ;;
  redemarrer)
    # A fast restart, as an administrator does it: every session is cut.
    comme_serveur "$bin/pg_ctl" -D "$donnees" -l "$dossier/journal.log" -m fast -w -t 60 restart > /dev/null
    ;;
  suspendre)
    if en_marche; then comme_serveur "$bin/pg_ctl" -D "$donnees" -m fast -w stop > /dev/null; fi
    ;;
  arreter)
    if en_marche; then comme_serveur "$bin/pg_ctl" -D "$donnees" -m immediate -w stop > /dev/null || true; fi
    rm -rf "$dossier"
    ;;
  *)
    echo "Action inconnue : $action (demarrer, arreter, suspendre ou reprendre)." >&2
    exit 2
    ;;
esac
