#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one, one after the other,
# for a bounded time. Usage: fuzz/run_fuzzers.sh [seconds per target, default 60]
# The corpus grows in build-fuzz/corpus/<target>; an input that breaks a property is saved as
# build-fuzz/artefacts/<target>-crash-*, and the target's log is build-fuzz/journaux/<target>.log.
set -euo pipefail

secondes=${1:-60}
if ! [[ $secondes =~ ^[0-9]+$ ]] || (( secondes < 1 )); then
  echo "usage: $0 [seconds per target, default 60]" >&2
  exit 2
fi
racine=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$racine/build-fuzz
cibles=(fuzz_numerique fuzz_montant fuzz_telephone fuzz_compte16)

command -v clang++ >/dev/null || { echo "clang++ is needed for libFuzzer" >&2; exit 2; }
cmake -S "$racine" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANDELLE_FUZZ=ON -DBUILD_TESTING=OFF -DCORVANDELLE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${cibles[@]}"

mkdir -p "$build/artefacts" "$build/journaux"
declare -A dictionnaire=([fuzz_numerique]=nombres [fuzz_montant]=nombres [fuzz_compte16]=nombres [fuzz_telephone]=telephone)
echec=0
resume=()
for cible in "${cibles[@]}"; do
  corpus=$build/corpus/$cible
  mkdir -p "$corpus"
  journal=$build/journaux/$cible.log
  echo "== $cible: ${secondes} s"
  statut=0
  UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/$cible" -max_total_time="$secondes" -print_final_stats=1 \
    -dict="$racine/fuzz/${dictionnaire[$cible]}.dict" -artifact_prefix="$build/artefacts/$cible-" \
    "$corpus" "$racine/fuzz/seeds/$cible" >"$journal" 2>&1 || statut=$?
  fait=$(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$journal" | tail -n 1 || true)
  if [[ $statut -eq 0 && -n $fait ]]; then
    executions=$(awk '{print $2}' <<<"$fait")
    duree=$(awk '{print $5}' <<<"$fait")
    ligne=$(printf '%-16s %6s s %12s executions  corpus %s inputs' "$cible" "$duree" "$executions" "$(ls "$corpus" | wc -l)")
  else
    echec=1
    executions=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$journal" | grep -Eo '[0-9]+$' || echo '?')
    ligne=$(printf '%-16s FAULT after %s executions: see %s and %s' "$cible" "$executions" "$journal" "$build/artefacts/")
    grep -E '^\*\*\* ' "$journal" | head -n 5 || true
  fi
  echo "$ligne"
  resume+=("$ligne")
done

echo
echo "== Summary (${secondes} s per target)"
printf '%s\n' "${resume[@]}"
exit $echec
