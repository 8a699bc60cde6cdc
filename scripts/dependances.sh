#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing (as root, or through sudo).
# Usage: scripts/dependances.sh [run|paquet|test]
#   run     what building and running the two programs need, nothing more;
#   paquet  run, and what building the Debian package needs;
#   test    paquet, and the test tools.
set -euo pipefail
niveau="${1:-run}"
case "$niveau" in run|paquet|test) ;; *) echo "dependances.sh : niveau inconnu « $niveau » (run, paquet ou test)." >&2; exit 2 ;; esac
paquets=(cmake make g++ pkg-config qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n libgl-dev
         fonts-dejavu-core sqlite3 libsqlite3-dev libpq-dev libqt6sql6-psql qt6-charts-dev libqt6opengl6-dev
         libxlsxwriter-dev libsodium-dev libzint-dev libhpdf-dev
         zlib1g-dev)  # libxlsxwriter's .pc names -lz, but the package does not pull zlib's headers
# The package: dpkg-shlibdeps finds the libraries the programs link (g++ does not pull dpkg-dev);
# rsvg-convert draws the icon's PNG pictures from its SVG.
if [ "$niveau" != run ]; then paquets+=(dpkg-dev librsvg2-bin); fi
# The tests also build the benchmark and the fuzz targets, start a throwaway PostgreSQL server,
# read PDFs back, open spreadsheets, check the package and its menu entry and metainfo, and
# measure the functions (clang-tidy).
if [ "$niveau" = test ]; then
  paquets+=(libbenchmark-dev clang libclang-rt-14-dev postgresql-15 poppler-utils unzip
            desktop-file-utils appstream lintian clang-tidy zbar-tools)
fi
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
