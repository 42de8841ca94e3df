#!/usr/bin/env bash
# The real program on a virtual X display, driven as a user drives it: it opens a pattern named
# on the command line and shows it; Enter runs it and the picture shows the state it settles
# into; the File menu's last item and the close question, answered Yes, end it with status 0,
# and the display settings are then in Gridbloom.ini beside the program.
#
#   program_run.sh GRIDBLOOM SHOT_CHECK PATTERN.txt [KEEP_DIR]
#
# The program runs from a temporary copy of its directory, so the build's own Gridbloom.ini is
# never touched. When a step fails, the screenshots and the program's output are copied to
# KEEP_DIR. Exit status 77 (a skip) when a tool is missing.
set -uo pipefail

zoom=6            # pixels per cell of a small pattern fitted to the window
menu_bar=19       # about the menu bar's height: the view's centre is this much / 2 lower
tolerance=12      # pixels the pattern's centre may lie from the view's centre
limit=${GRIDBLOOM_E2E_TIMEOUT:-150}  # seconds for the whole run; the test can never hang

here=$(cd "$(dirname "$0")" && pwd)
say() { echo "program_run: $*"; }

# ---- Inside the virtual display ------------------------------------------------------------
inside() {
    local work=$1 checker=$2 pattern=$3
    : >"$work/display-started"
    export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
    # In a sanitizer build the program's leaks are checked when it exits; the system's D-Bus
    # library keeps a buffer of its own to the end.
    export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR \
        QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"

    (cd "$work/app" && exec ./gridbloom "$pattern") >"$work/program.log" 2>&1 &
    pid=$!
    trap 'if kill -0 "$pid" 2>/dev/null; then kill "$pid"; sleep 1; kill -9 "$pid" 2>/dev/null; fi' EXIT

    # Runs a condition until it holds (0), the deadline passes (1) or the program is gone (2).
    wait_until() {
        local seconds=$1
        shift
        local end=$((SECONDS + seconds))
        until "$@"; do
            kill -0 "$pid" 2>/dev/null || return 2
            ((SECONDS < end)) || return 1
            sleep 0.25
        done
    }
    fail() {
        say "FAILED: $*"
        shoot final
        exit 1
    }
    shoot() { xwd -root -silent 2>/dev/null | convert xwd:- "$work/$1.png" 2>/dev/null; }
    windows() { timeout 10 xdotool search --onlyvisible --pid "$pid" 2>/dev/null; }
    focus() { timeout 10 xdotool windowfocus --sync "$1" >/dev/null 2>&1; }
    key() { timeout 10 xdotool key --delay 100 "$@"; }

    # The main window: the first visible window of the program, its title naming it.
    find_main() {
        main=$(windows | head -n 1)
        [ -n "$main" ] && timeout 10 xdotool getwindowname "$main" | grep -q 'Gridbloom'
    }
    wait_until 60 find_main || fail "no main window appeared (program output: $(cat "$work/program.log"))"
    say "main window $main: $(xdotool getwindowname "$main")"

    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$main")"
    local cx=$((X + WIDTH / 2)) cy=$((Y + (HEIGHT + menu_bar) / 2))

    picture_is() {  # picture_is initial|settled
        shoot "$1" &&
            "$checker" "$work/$1.png" "$pattern" "$1" "$zoom" "$cx" "$cy" "$tolerance" \
                >"$work/$1.txt" 2>&1
    }

    wait_until 30 picture_is initial || fail "the loaded pattern is not shown: $(cat "$work/initial.txt")"
    say "$(cat "$work/initial.txt")"

    focus "$main" || fail "the main window does not take the focus"
    key Return
    wait_until 30 picture_is settled || fail "the run does not show the settled pattern: $(cat "$work/settled.txt")"
    say "$(cat "$work/settled.txt")"

    # File menu, its last item ("Gridbloomの終了(&X)"), then Yes to the close question.
    focus "$main" || fail "the main window does not take the focus"
    key alt+f
    other_window() { popup=$(windows | grep -vx -e "$main" ${1:+-e "$1"} | head -n 1); [ -n "$popup" ]; }
    wait_until 20 other_window || fail "the File menu did not open"
    local menu=$popup
    key Up Return
    wait_until 20 other_window "$menu" || fail "no close question after the exit command"
    say "close question $popup: $(xdotool getwindowname "$popup")"
    focus "$popup" || fail "the close question does not take the focus"
    key Return

    local status
    gone() { ! kill -0 "$pid" 2>/dev/null; }
    wait_until 30 gone || fail "the program is still running after Yes to the close question"
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$work/program.log")"

    local ini="$work/app/Gridbloom.ini"
    [ -f "$ini" ] || fail "no Gridbloom.ini beside the program after quitting"
    grep -qx '\[Settings\]' "$ini" && grep -qx 'color=255' "$ini" &&
        grep -qx 'backcolor=16777215' "$ini" && grep -qx 'gridcolor=14474460' "$ini" &&
        grep -qx 'grid=0' "$ini" || fail "Gridbloom.ini lacks the display settings: $(cat "$ini")"
    grep -qxF "File1=$pattern" "$ini" || fail "the opened pattern is not in the recent-file list: $(cat "$ini")"
    say "ended with status 0 and wrote the display settings"
    exit 0
}

if [ "${1:-}" = "--inside" ]; then
    shift
    inside "$@"
fi

# ---- Outside: a private copy of the program and the virtual display ------------------------
if [ $# -lt 3 ]; then
    echo "usage: $0 GRIDBLOOM SHOT_CHECK PATTERN.txt [KEEP_DIR]" >&2
    exit 2
fi
program=$1 checker=$2 pattern=$(realpath "$3") keep=${4:-}
[ -n "$keep" ] && rm -f "$keep"/{initial,settled,final}.{png,txt} "$keep"/program.log
for tool in xvfb-run xdotool xwd convert timeout; do
    command -v "$tool" >/dev/null || { say "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/gridbloom-e2e.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir "$work/app"
program_dir=$(dirname "$program")
cp "$program" "$work/app/gridbloom" || exit 1
# What stands beside the program: without the quick-launch list it starts with a message.
[ -f "$program_dir/quicklaunch.dat" ] && cp "$program_dir/quicklaunch.dat" "$work/app/"
[ -d "$program_dir/patterns" ] && cp -r "$program_dir/patterns" "$work/app/"

# xvfb-run -a can lose the race for a display number to another X server starting at the same
# moment; then it fails before running anything, and another attempt is made.
status=1
for attempt in 1 2 3; do
    rm -f "$work/display-started"
    timeout -k 10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        bash "$0" --inside "$work" "$(realpath "$checker")" "$pattern"
    status=$?
    [ -e "$work/display-started" ] && break
    say "the virtual display did not start (attempt $attempt, status $status)"
    sleep $((attempt * 2))
done
[ "$status" -eq 124 ] && say "FAILED: no result within $limit seconds"

if [ "$status" -ne 0 ] && [ -n "$keep" ]; then
    mkdir -p "$keep"
    cp "$work"/*.png "$work"/*.txt "$work"/program.log "$keep"/ 2>/dev/null
    say "screenshots and output kept in $keep"
fi
exit "$status"
