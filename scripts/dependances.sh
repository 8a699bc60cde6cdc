#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing (as root, or through sudo).
# Usage: scripts/dependances.sh [run|test]
set -euo pipefail
paquets=(cmake make g++ pkg-config qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n libgl-dev
         fonts-dejavu-core sqlite3 libbenchmark-dev clang libclang-rt-14-dev
         libsqlite3-dev libpq-dev libqt6sql6-psql qt6-charts-dev libqt6opengl6-dev libxlsxwriter-dev
         zlib1g-dev)  # libxlsxwriter's .pc names -lz, but the package does not pull zlib's headers
# The tests also start a throwaway PostgreSQL server, read PDFs back and open spreadsheets.
if [ "${1:-}" = test ]; then paquets+=(postgresql-15 poppler-utils unzip); fi
manquants=()
for p in "${paquets[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || manquants+=("$p")
done
if [ ${#manquants[@]} -gt 0 ]; then
  echo "Installation de : ${manquants[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${manquants[@]}"
fi
