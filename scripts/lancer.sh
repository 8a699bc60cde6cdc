#!/usr/bin/env bash
# Installs what is missing, builds Corvandelle and its report tool (corvandelle-rapports, beside it),
# and starts Corvandelle on build/bin/BD.mdb (created empty from data/base/schema.sql on the first run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/dependances.sh run
# Nothing of the tests is configured, so no test tool is needed.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DCORVANDELLE_BENCH=OFF > /dev/null
cmake --build build -j"$(nproc)" --target corvandelle corvandelle-rapports
# A corvandelle.ini beside the program names a server base: no BD.mdb is made then.
if [ ! -f build/bin/BD.mdb ] && [ ! -f build/bin/corvandelle.ini ]; then
  # The six tables only: the program makes its own tables (after "ON DEMAND") when it first needs them.
  sed '/^-- ON DEMAND:/,$d' data/base/schema.sql | sqlite3 build/bin/BD.mdb
  echo "Base de données vide créée : build/bin/BD.mdb"
fi
exec build/bin/corvandelle
