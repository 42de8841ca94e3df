#!/usr/bin/env bash
# Drives the bash completion of gridbloom-cli as bash does (COMP_WORDS, COMP_CWORD) in a folder
# of pattern and other files, and checks what it offers.
#   completion_test.sh COMPLETION_FILE
set -uo pipefail
completion=$(realpath "${1:?completion file}")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
mkdir sub
touch glider.rle BIG.LIF picture.txt old.text Gun.cells shot.png run.gif rows.csv notes.md
# shellcheck source=/dev/null
source "$completion"
complete -p gridbloom-cli >/dev/null || { echo "no completion registered for gridbloom-cli"; exit 1; }

status=0
# offers WORD... :: EXPECTED: the sorted offers for the command line WORD... (the last is the
# word being completed).
offers() {
    local -a words=()
    while [ "$1" != "::" ]; do words+=("$1"); shift; done
    shift
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMPREPLY=()
    _gridbloom_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ')
    if [ "$got" != "$*" ]; then
        echo "for '${words[*]}': got '$got', expected '$*'"
        status=1
    fi
}

offers gridbloom-cli '' :: info run
offers gridbloom-cli r :: run
# Options and their values before the command do not count as the command.
offers gridbloom-cli -g 8 --rule B36/S23 '' :: info run
offers gridbloom-cli --size=300x300 i :: info
offers gridbloom-cli -- '' :: info run
# Pattern files by extension, in any case, and directories.
offers gridbloom-cli run '' :: BIG.LIF Gun.cells glider.rle old.text picture.txt sub
offers gridbloom-cli -g 4 info g :: glider.rle
offers gridbloom-cli run glider.rle '' :: BIG.LIF Gun.cells glider.rle old.text picture.txt sub
# Options, long and short.
offers gridbloom-cli run glider.rle --ou :: --output
offers gridbloom-cli run glider.rle --l :: --life106 --live
offers gridbloom-cli --v :: --verbose --version
# Values: output files, pictures, statistics, formats, the settling mode.
offers gridbloom-cli run glider.rle -o '' :: - BIG.LIF glider.rle picture.txt sub
offers gridbloom-cli run glider.rle --png '' :: shot.png sub
offers gridbloom-cli run glider.rle --gif r :: run.gif
offers gridbloom-cli run glider.rle --stats '' :: - rows.csv sub
offers gridbloom-cli run glider.rle --as '' :: lif rle txt
offers gridbloom-cli run glider.rle --until s :: settled
offers gridbloom-cli run glider.rle -g '' ::
# "--opt=value" as one word and as the three words bash makes when "=" breaks words.
offers gridbloom-cli run glider.rle --as=t :: --as=txt
offers gridbloom-cli run glider.rle --png=s :: --png=shot.png --png=sub
offers gridbloom-cli run glider.rle --as = '' :: lif rle txt
offers gridbloom-cli run glider.rle --as = l :: lif
offers gridbloom-cli --output = x.rle '' :: info run
exit $status
