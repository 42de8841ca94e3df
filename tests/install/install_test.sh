#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file a desktop and a
# distribution need is there and valid, and that the installed tool reads an installed sample.
#   install_test.sh BUILD_DIR
# The man check and the file-type check set the locale and the places they need, so this passes
# in any locale and as any user. The install goes through the build's one component and its own
# record, so the user's install_manifest.txt and records of other prefixes stay as they were.
set -euo pipefail
unset DESTDIR
build=$(realpath "${1:?build directory}")
source=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$(mktemp -d)
other=$(mktemp -d)
# The second install is staged as packagers do, under DESTDIR; its prefix exists nowhere else.
staged=/nonexistent-gridbloom-prefix
uninstall() { "$source/scripts/uninstall" --build "$build" "$1" >/dev/null; }
trap 'uninstall "$prefix" 2>/dev/null || true; DESTDIR=$other uninstall $staged 2>/dev/null || true
      rm -rf "$prefix" "$other"' EXIT
manifest_before=$(cat "$build/install_manifest.txt" 2>/dev/null || echo none)
records_before=$(ls "$build/install-records" 2>/dev/null || true)
cmake --install "$build" --prefix "$prefix" --component gridbloom >/dev/null
id=io.github.gridbloom.Gridbloom
expect=(
  bin/gridbloom
  share/gridbloom/quicklaunch.dat
  share/gridbloom/patterns/glider.rle
  share/gridbloom/help/index.html
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/mime/packages/gridbloom.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/bash-completion/completions/gridbloom-cli
  share/doc/gridbloom/copyright
  share/man/man1/gridbloom.1.gz
  share/man/man1/gridbloom-cli.1.gz
)
for size in 32 48 64 128 256; do expect+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
[ -f "$build/gridbloom-cli" ] && expect+=(bin/gridbloom-cli)
status=0
for f in "${expect[@]}"; do
  if [ ! -f "$prefix/$f" ]; then echo "missing: $f"; status=1; fi
done
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
grep -q "^Icon=$id\$" "$desktop" || { echo "desktop entry without the icon $id"; status=1; }
grep -q '^Name\[ja\]=' "$desktop" || { echo "desktop entry without a Japanese name"; status=1; }
grep -q '^Exec=gridbloom %f$' "$desktop" || { echo "desktop entry does not start the program"; status=1; }
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$desktop" 2>&1) || { echo "desktop-file-validate: $out"; status=1; }
  [ -z "$out" ] || { echo "desktop-file-validate has remarks: $out"; status=1; }
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >/dev/null 2>&1 ||
    { appstreamcli validate --no-net "$metainfo"; status=1; }
fi
# The metainfo and the package name the same licence the repository holds, and the same version.
grep -q '<project_license>MIT</project_license>' "$metainfo" || { echo "metainfo licence"; status=1; }
grep -q '^MIT License' "$prefix/share/doc/gridbloom/copyright" || { echo "copyright file"; status=1; }
version=$("$prefix/bin/gridbloom" --version | sed -n 's/^Gridbloom //p')
grep -q "<release version=\"$version\"" "$metainfo" || { echo "metainfo without the release $version"; status=1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  { echo "metainfo does not name the desktop entry"; status=1; }
# Every file type the desktop entry opens is one the program installs and the metainfo provides.
types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' ')
[ -n "$types" ] || { echo "desktop entry without file types"; status=1; }
for t in $types; do
  grep -q "type=\"$t\"" "$prefix/share/mime/packages/gridbloom.xml" || { echo "file type $t not installed"; status=1; }
  grep -q "<mediatype>$t</mediatype>" "$metainfo" || { echo "file type $t not provided"; status=1; }
done
# The icon and the help document are well-formed.
python3 - "$prefix/share/icons/hicolor/scalable/apps/$id.svg" <<'PY' || { echo "SVG icon"; status=1; }
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "{http://www.w3.org/2000/svg}svg" and root.get("viewBox"), "not a scalable SVG"
PY
grep -q '<html lang="ja">' "$prefix/share/gridbloom/help/index.html" || { echo "help document"; status=1; }
# The manual pages are whole and render without warnings; each names every option of --help.
for page in gridbloom gridbloom-cli; do
  file=$prefix/share/man/man1/$page.1.gz
  gzip -t "$file" || { echo "manual page $page"; status=1; continue; }
  gzip -dc "$file" | grep -q "^\.TH .*\"Gridbloom $version\"" || { echo "man $page is not of $version"; status=1; }
  if command -v man >/dev/null; then
    # The pages hold Japanese names, which troff renders only in a UTF-8 locale.
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "man $page: $warnings"; status=1; }
  fi
done
# Any option the program's own usage text names is in its manual page.
for page in gridbloom gridbloom-cli; do
  [ -x "$prefix/bin/$page" ] || continue
  source_text=$(gzip -dc "$prefix/share/man/man1/$page.1.gz" | sed 's/\\-/-/g')
  for option in $("$prefix/bin/$page" --help 2>/dev/null | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    grep -q -- "$option" <<<"$source_text" || { echo "man $page does not describe $option"; status=1; }
  done
done
# Every pattern the installed list names is installed beside it.
while IFS= read -r line; do
  case "$line" in
    patterns/*) p=${line%$'\r'}; [ -f "$prefix/share/gridbloom/$p" ] || { echo "listed but missing: $p"; status=1; } ;;
  esac
done < "$prefix/share/gridbloom/quicklaunch.dat"
if [ -x "$prefix/bin/gridbloom-cli" ]; then
  out=$("$prefix/bin/gridbloom-cli" run "$prefix/share/gridbloom/patterns/glider.rle" -g 4 2>/dev/null)
  grep -q '^population 5$' <<<"$out" || { echo "installed tool did not read the installed glider"; status=1; }
fi
"$prefix/bin/gridbloom" --version | grep -q '^Gridbloom 0\.3\.1$' || { echo "--version"; status=1; }
# Installed .rle files open with Gridbloom once the user's file-type database is updated.
types_status=0
bash "$source/tests/install/file_types.sh" "$prefix/share" user || types_status=$?
[ $types_status -eq 0 ] || [ $types_status -eq 77 ] || status=1
# Uninstalling as the README says leaves nothing of Gridbloom behind, and only in that prefix.
DESTDIR=$other cmake --install "$build" --prefix $staged --component gridbloom >/dev/null
uninstall "$prefix" || { echo "scripts/uninstall $prefix failed"; status=1; }
left=$(find "$prefix" -type f -o -type l -o -name '*gridbloom*')
[ -z "$left" ] || { echo "left after uninstalling: $left"; status=1; }
[ -x "$other$staged/bin/gridbloom" ] || { echo "uninstalling $prefix removed the staged install"; status=1; }
DESTDIR=$other uninstall $staged || { echo "scripts/uninstall of the staged install failed"; status=1; }
[ -z "$(find "$other" -type f)" ] || { echo "left after uninstalling: $(find "$other" -type f)"; status=1; }
[ "$(ls "$build/install-records" 2>/dev/null || true)" = "$records_before" ] ||
  { echo "install records left behind or lost"; status=1; }
[ "$(cat "$build/install_manifest.txt" 2>/dev/null || echo none)" = "$manifest_before" ] ||
  { echo "the build's install_manifest.txt was rewritten"; status=1; }
exit $status
