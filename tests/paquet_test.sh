#!/usr/bin/env bash
# Makes the Debian package from the programs already built in BUILD (cpack), unpacks it and
# checks what a user gets: the files, the dependencies that no library scan finds, the menu
# entries, the metainfo, and lintian's verdict (validators and lintian when installed).
# Usage: tests/paquet_test.sh BUILD VERSION
set -euo pipefail
build="$1"
version="$2"
sortie="$(mktemp -d)"
trap 'rm -rf "$sortie"' EXIT
echec() { echo "ÉCHEC : $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$sortie" > "$sortie/cpack.log" 2>&1) || { cat "$sortie/cpack.log"; echec "cpack"; }
deb="$sortie/corvandelle_${version}_amd64.deb"
[ -f "$deb" ] || echec "$deb absent ($(ls "$sortie"))"

dpkg-deb -I "$deb" > "$sortie/control"
grep -q "^ Package: corvandelle$" "$sortie/control" || echec "nom du paquet"
grep -q "^ Version: ${version}$" "$sortie/control" || echec "version"
grep -q "^ Architecture: amd64$" "$sortie/control" || echec "architecture"
depends="$(sed -n 's/^ Depends: //p' "$sortie/control")"
# Loaded at run time by Qt (never seen by dpkg-shlibdeps), then a few the scan must have found.
for p in libqt6sql6-sqlite libqt6sql6-psql qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core \
         libqt6widgets6 libqt6charts6 libqt6printsupport6 libxlsxwriter libpq5 libsqlite3-0 libc6; do
  [[ ", $depends" == *", $p"* ]] || echec "Depends sans $p : $depends"
done
echo "Taille : $(stat -c %s "$deb") octets"
echo "Depends: $depends"

racine="$sortie/racine"
dpkg-deb -x "$deb" "$racine"
for f in usr/bin/corvandelle usr/bin/corvandelle-rapports; do
  [ -x "$racine/$f" ] || echec "$f absent ou non exécutable"
done
for f in usr/share/applications/org.corvandelle.Corvandelle.desktop \
         usr/share/applications/org.corvandelle.CorvandelleRapports.desktop \
         usr/share/metainfo/org.corvandelle.Corvandelle.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/corvandelle.svg \
         usr/share/icons/hicolor/48x48/apps/corvandelle.png \
         usr/share/icons/hicolor/256x256/apps/corvandelle.png \
         usr/share/man/fr/man1/corvandelle.1.gz usr/share/man/fr/man1/corvandelle-rapports.1.gz \
         usr/share/man/man1/corvandelle.1.gz usr/share/man/man1/corvandelle-rapports.1.gz \
         usr/share/doc/corvandelle/copyright usr/share/doc/corvandelle/changelog.gz \
         usr/share/doc/corvandelle/guide/index.html usr/share/doc/corvandelle/guide/guide.css; do
  [ -s "$racine/$f" ] || echec "$f absent du paquet"
done
# Nothing but /usr: no file in /etc that dpkg would have to treat as configuration, nothing in /opt.
[ "$(ls "$racine")" = usr ] || echec "le paquet installe hors de /usr : $(ls "$racine")"
# Every picture the guide shows is in the package.
guide="$racine/usr/share/doc/corvandelle/guide"
images="$(grep -o 'src="images/[^"]*"' "$guide/index.html" | sed 's/^src="//; s/"$//' | sort -u)"
[ -n "$images" ] || echec "le guide ne montre aucune image"
for i in $images; do [ -s "$guide/$i" ] || echec "image du guide absente : $i"; done
# The stripped programs still start, and say which version they are.
"$racine/usr/bin/corvandelle" --version | head -1 | grep -qx "corvandelle $version" || echec "corvandelle --version"
"$racine/usr/bin/corvandelle-rapports" --version | head -1 | grep -qx "corvandelle-rapports $version" || echec "corvandelle-rapports --version"
# The menu entry in French, in the office menu.
bureau="$racine/usr/share/applications/org.corvandelle.Corvandelle.desktop"
grep -qx "GenericName=Billetterie de théâtre" "$bureau" || echec "GenericName"
grep -qx "Categories=Office;Finance;" "$bureau" || echec "Categories"
grep -qx "Exec=corvandelle" "$bureau" || echec "Exec"
zcat "$racine/usr/share/man/fr/man1/corvandelle.1.gz" | grep -q "XDG_DATA_HOME/corvandelle/BD.mdb" || echec "page de manuel"
# The default section holds the same pages: `man corvandelle` works in the C locale too.
for page in corvandelle corvandelle-rapports; do
  cmp -s "$racine/usr/share/man/man1/$page.1.gz" "$racine/usr/share/man/fr/man1/$page.1.gz" \
    || echec "page $page.1 différente (ou absente) dans la section par défaut"
done
if command -v man > /dev/null; then
  LC_ALL=C MANPATH="$racine/usr/share/man" man -P cat corvandelle 2> /dev/null | grep -q "billetterie" \
    || echec "man corvandelle introuvable dans la locale C"
fi
# Every report the tool lists in its own --help is in its manual page.
rapports="$("$racine/usr/bin/corvandelle-rapports" --help | tr '\n' ' ' | tr -s ' ' | sed -n 's/.*au lieu d.ouvrir la fenêtre : *\([^.]*\)\..*/\1/p' \
            | sed 's/ ou /, /' | tr -d ' ' | tr ',' ' ')"
[ -n "$rapports" ] || echec "liste des rapports introuvable dans corvandelle-rapports --help"
for r in $rapports; do
  zcat "$racine/usr/share/man/man1/corvandelle-rapports.1.gz" | grep -qw -- "$r" || echec "rapport $r absent de man corvandelle-rapports"
done

if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$racine"/usr/share/applications/*.desktop || echec "desktop-file-validate"
else
  echo "desktop-file-validate absent (desktop-file-utils) : entrées de menu non validées"
fi
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$racine/usr/share/metainfo/org.corvandelle.Corvandelle.metainfo.xml" || echec "appstreamcli"
else
  echo "appstreamcli absent (appstream) : metainfo non validé"
fi
if command -v lintian > /dev/null; then
  # lintian refuses to run as root without this, and exits 2 on errors of the package.
  lintian --allow-root --tag-display-limit 0 "$deb" > "$sortie/lintian.log" 2>&1 || true
  cat "$sortie/lintian.log"
  if grep -q "^E: " "$sortie/lintian.log"; then echec "lintian signale des erreurs"; fi
else
  echo "lintian absent : paquet non vérifié par lintian"
fi
echo "Paquet vérifié : $(basename "$deb")"
