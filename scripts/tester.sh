#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GUI tests on Qt's offscreen platform),
# the data-store and window tests once on BD.mdb and once on a throwaway PostgreSQL server:
# first the ordinary build, then the same tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer. Set CORV_SANS_SANITISEURS=1 to skip the second pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/dependances.sh test
jobs="$(nproc)"

# The data-store and window tests run a second time on a throwaway PostgreSQL server that
# ctest starts (test serveur_pg_demarrer: its failure fails every test that needs it, with the
# reason) and stops; this trap stops it too when a run is interrupted or fails.
arreter_serveurs_pg() {
  for b in build build-asan; do
    if [ -f "$b/serveur_pg_dossier.txt" ]; then
      scripts/serveur_pg_test.sh arreter "$(cat "$b/serveur_pg_dossier.txt")" || true
    fi
  done
  scripts/serveur_pg_test.sh nettoyer || true
}
trap arreter_serveurs_pg EXIT

# Explicitly on: scripts/lancer.sh configures the same folder without them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DCORVANDELLE_BENCH=ON > /dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ "${CORV_SANS_SANITISEURS:-0}" != 1 ]; then
  echo "=== Tests sous AddressSanitizer et UndefinedBehaviorSanitizer ==="
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVANDELLE_SANITIZE=ON -DCORVANDELLE_BENCH=OFF > /dev/null
  cmake --build build-asan -j"$jobs"
  # intercept_tls_get_addr=0: the leak checker of Debian 12's libasan can crash at a program's
  # exit when plugins loaded at run time (Qt's) hold thread-local data ("Tracer caught signal 11",
  # a sanitizer bug fixed upstream); the leak check itself stays on.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
fi
