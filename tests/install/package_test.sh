#!/usr/bin/env bash
# Builds the Debian package of a build with cpack into a temporary folder and checks its name,
# its control fields and its file list. Skips (77) where the Debian tools are missing.
#   package_test.sh BUILD_DIR
set -uo pipefail
build=$(realpath "${1:?build directory}")
for tool in cpack dpkg-deb dpkg-shlibdeps dpkg; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
source=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
manifest_before=$(cat "$build/install_manifest.txt" 2>/dev/null || echo none)
records_before=$(ls "$build/install-records" 2>/dev/null || true)

# Twice, a second apart: the two packages must be the same bytes.
pack() {
  if ! log=$(cpack -G DEB --config "$build/CPackConfig.cmake" -B "$1" 2>&1); then
    echo "$log"
    exit 1
  fi
}
pack "$out"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
name=gridbloom_${version}_$(dpkg --print-architecture).deb
deb=$out/$name
[ -n "$version" ] && [ -f "$deb" ] || { echo "no package named like $deb:"; ls "$out"; exit 1; }

status=0
sleep 1
pack "$out/again"
cmp -s "$deb" "$out/again/$name" || { echo "two packages of the same build differ"; status=1; }
[ "$(cat "$build/install_manifest.txt" 2>/dev/null || echo none)" = "$manifest_before" ] ||
  { echo "cpack rewrote the build's install_manifest.txt"; status=1; }
[ "$(ls "$build/install-records" 2>/dev/null || true)" = "$records_before" ] ||
  { echo "cpack left an install record"; status=1; }
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = gridbloom ] || { echo "Package: $(field Package)"; status=1; }
[ "$(field Version)" = "$version" ] || { echo "Version: $(field Version)"; status=1; }
[ "$(field Section)" = science ] || { echo "Section: $(field Section)"; status=1; }
# Depends comes from dpkg-shlibdeps: the C++ runtime and the Qt libraries the program links.
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
  grep -q "\b$lib\b" <<<"$depends" || { echo "Depends lacks $lib: $depends"; status=1; }
done
# The menus are Japanese: the package brings a font with Japanese glyphs.
fonts=$(tr ',' '\n' <<<"$depends" | grep -E '\bfonts-(ipafont-gothic|ipafont-mincho|noto-cjk|vlgothic|takao-gothic)\b')
[ -n "$fonts" ] || { echo "Depends names no Japanese font: $depends"; status=1; }
# A synopsis line and a long description of at least one paragraph.
description=$(field Description)
grep -q '^draw, run and study Life-family cellular automata$' <<<"$(head -1 <<<"$description")" ||
  { echo "Description synopsis: $(head -1 <<<"$description")"; status=1; }
[ "$(wc -l <<<"$description")" -ge 5 ] || { echo "Description too short"; status=1; }

# The file list: everything under /usr, and every file a user and a desktop need.
files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
outside=$(grep -v '^\./usr/' <<<"$files" | grep -v '^\./$')
[ -z "$outside" ] || { echo "files outside /usr: $outside"; status=1; }
id=io.github.gridbloom.Gridbloom
for f in \
  usr/bin/gridbloom usr/bin/gridbloom-cli \
  usr/share/gridbloom/quicklaunch.dat usr/share/gridbloom/patterns/glider.rle \
  usr/share/gridbloom/help/index.html \
  usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
  usr/share/mime/packages/gridbloom.xml \
  usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/icons/hicolor/256x256/apps/$id.png \
  usr/share/man/man1/gridbloom.1.gz usr/share/man/man1/gridbloom-cli.1.gz \
  usr/share/bash-completion/completions/gridbloom-cli \
  usr/share/doc/gridbloom/copyright usr/share/doc/gridbloom/changelog.gz; do
  grep -qx "\./$f" <<<"$files" || { echo "not in the package: /$f"; status=1; }
done
# Nothing of the build or the tests leaks in.
leaked=$(grep -E 'tests_|gtest|bench|\.a$|CMake' <<<"$files")
[ -z "$leaked" ] || { echo "build files in the package: $leaked"; status=1; }
# The programs are stripped.
mkdir "$out/root" && dpkg-deb -x "$deb" "$out/root"
if command -v file >/dev/null; then
  file "$out/root/usr/bin/gridbloom" | grep -q ', stripped' || { echo "gridbloom is not stripped"; status=1; }
fi
gzip -dc "$out/root/usr/share/doc/gridbloom/changelog.gz" | head -1 | grep -q "^gridbloom ($version) " ||
  { echo "the changelog does not start with $version"; status=1; }
# The programs of an optimised build are hardened: position-independent, relocations read-only
# and bound at start, the stack protector and checked libc calls in use. (The sanitizer and
# fuzzing builds and Debug builds go without.)
cache=$build/CMakeCache.txt
if grep -q '^GRIDBLOOM_HARDEN:BOOL=ON$' "$cache" && ! grep -qE '^GRIDBLOOM_(SANITIZE|FUZZ):BOOL=ON$' "$cache" &&
   ! grep -qE '^CMAKE_BUILD_TYPE:STRING=(Debug)?$' "$cache" && command -v readelf >/dev/null; then
  for program in gridbloom gridbloom-cli; do
    elf=$(readelf -hldW --dyn-syms "$out/root/usr/bin/$program")
    grep -q 'Type: *DYN' <<<"$elf" || { echo "$program is not position-independent"; status=1; }
    grep -q GNU_RELRO <<<"$elf" || { echo "$program without RELRO"; status=1; }
    grep -qE 'BIND_NOW|FLAGS.*\bNOW\b' <<<"$elf" || { echo "$program without BIND_NOW"; status=1; }
    grep -q '__stack_chk_fail' <<<"$elf" || { echo "$program without the stack protector"; status=1; }
    grep -qE '__[a-z0-9_]+_chk@' <<<"$elf" || { echo "$program without fortified calls"; status=1; }
  done
fi
# Installed, .rle files are Gridbloom's patterns and RLE bitmaps stay images.
types_status=0
bash "$source/tests/install/file_types.sh" "$out/root/usr/share" system || types_status=$?
[ $types_status -eq 0 ] || [ $types_status -eq 77 ] || status=1
"$out/root/usr/bin/gridbloom" --version | grep -q "^Gridbloom $version$" || { echo "packaged --version"; status=1; }
exit $status
