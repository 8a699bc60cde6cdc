#!/usr/bin/env bash
# Builds the Debian package corvandelle_VERSION_amd64.deb (CPack) in build-paquet/ and prints
# its path as the last line. Installs what is missing first (as root, or through sudo).
# Install it with: sudo apt install ./build-paquet/corvandelle_VERSION_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/dependances.sh paquet
# Only the guide's picture-taking test is built among the tests.
cmake -S . -B build-paquet -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DCORVANDELLE_BENCH=OFF > /dev/null
cmake --build build-paquet -j"$(nproc)" --target corvandelle corvandelle-rapports paquet_fichiers tst_Guide
# The guide's pictures, taken of the real windows on the demonstration base (no display needed).
QT_QPA_PLATFORM=offscreen build-paquet/tests/tst_Guide > build-paquet/guide-images.log 2>&1 ||
  { cat build-paquet/guide-images.log; echo "Les images du guide n'ont pas pu être faites." >&2; exit 1; }
(cd build-paquet && cpack -G DEB > cpack.log 2>&1) || { cat build-paquet/cpack.log; exit 1; }
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-paquet/CMakeCache.txt)"
paquet="$(pwd)/build-paquet/corvandelle_${version}_amd64.deb"
[ -f "$paquet" ] || { echo "Le paquet $paquet n'a pas été produit." >&2; exit 1; }
echo "$paquet"
