#!/usr/bin/env bash
# Checks with xdg-mime that installed Life RLE files are ours and that the other files sharing
# their extension keep their own types, for an installed share/ folder.
#   file_types.sh SHARE_DIR user     as after `update-mime-database ~/.local/share/mime`: our
#                                    database beside the system's; resolved by gio
#   file_types.sh SHARE_DIR system   as the package installs it into /usr/share: one database of
#                                    the system's types and ours; resolved by gio and mimetype
# Exits 77 when xdg-mime, update-mime-database or a resolver is missing (scripts/setup
# installs them).
set -euo pipefail
share=$(realpath "${1:?share directory}")
mode=${2:?user or system}
for tool in xdg-mime update-mime-database gio; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/data/mime/packages" "$work/home" "$work/files"
cp "$share/mime/packages/gridbloom.xml" "$work/data/mime/packages/"
resolvers=(gio)
if [ "$mode" = system ]; then
  cp /usr/share/mime/packages/*.xml "$work/data/mime/packages/"
  dirs=$work/data
  command -v mimetype >/dev/null && resolvers+=(mimetype)
else
  dirs=$work/data:/usr/share
fi
update-mime-database "$work/data/mime" 2>/dev/null

# The installed samples (each starts with a "#N" line), one of them with its header first, a Utah
# RLE bitmap, and a Python script that starts with a comment and assigns x.
declare -A want
for f in "$share"/gridbloom/patterns/*.rle; do want[$f]=application/x-gridbloom-rle; done
sample=$(ls "$share"/gridbloom/patterns/*.rle | head -1)
sed '/^#/d' "$sample" >"$work/files/header-first.rle"
want[$work/files/header-first.rle]=application/x-gridbloom-rle
printf 'R\314\0\0\0\0\20\0\20\0\2\3\10\0\10\0\1\2\3\7' >"$work/files/bitmap.rle"
want[$work/files/bitmap.rle]=image/rle
printf '# plot\nx = range(10)\nplot(x, y)\n' >"$work/files/plot.py"
want[$work/files/plot.py]=text/x-python

status=0
for resolver in "${resolvers[@]}"; do
  # xdg-mime asks gio on GNOME and mimetype on a desktop it does not know.
  if [ "$resolver" = gio ]; then desktop=GNOME; else desktop=X-Generic; fi
  for f in "${!want[@]}"; do
    got=$(env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$dirs" \
            XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype "$f" 2>&1)
    [ "$got" = "${want[$f]}" ] || { echo "$resolver ($mode): $(basename "$f") is $got, not ${want[$f]}"; status=1; }
  done
done
exit $status
