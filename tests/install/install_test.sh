#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file a desktop needs is there
# and that the installed tool reads an installed sample.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=${1:?build directory}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
expect=(
  bin/gridbloom
  share/gridbloom/quicklaunch.dat
  share/gridbloom/patterns/glider.rle
  share/applications/gridbloom.desktop
  share/mime/packages/gridbloom.xml
  share/icons/hicolor/64x64/apps/gridbloom.png
  share/icons/hicolor/256x256/apps/gridbloom.png
)
[ -f "$build/gridbloom-cli" ] && expect+=(bin/gridbloom-cli)
status=0
for f in "${expect[@]}"; do
  if [ ! -f "$prefix/$f" ]; then echo "missing: $f"; status=1; fi
done
grep -q '^Categories=Education;Science;$' "$prefix/share/applications/gridbloom.desktop" ||
  { echo "desktop entry without its categories"; status=1; }
grep -q '^Name\[ja\]=' "$prefix/share/applications/gridbloom.desktop" ||
  { echo "desktop entry without a Japanese name"; status=1; }
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
exit $status
