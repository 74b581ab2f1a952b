#!/usr/bin/env bash
# check_manual_page.sh BUILD WORK VERSION MAKE_README HELP_SOURCE [-I DIR]...
# Installs the native build into WORK/prefix as a user would, then checks
# kavrocap's manual page there: it renders with man without warnings, has
# the sections a manual page needs and the version, and describes every
# option and exit status that `kavrocap --help` (its text in HELP_SOURCE,
# read by MAKE_README as the release's README is made) tells.
set -u
build=$1
work=$2
version=$3
make_readme=$4
help_source=$5
fail=0
problem() { echo "FAIL: $*"; fail=1; }

rm -rf "$work"
cmake --install "$build" --prefix "$work/prefix" >/dev/null || exit 1
page=$work/prefix/share/man/man1/kavrocap.1
[ -f "$page" ] || { echo "FAIL: no $page"; exit 1; }

text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err")
[ $? = 0 ] || problem "man -l failed"
[ -s "$work/man.err" ] && problem "man -l warns: $(cat "$work/man.err")"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS EVENTS "EXIT STATUS" EXAMPLES; do
    grep -qx "$section" <<<"$text" || problem "no section $section"
done
grep -q "pukavro $version" <<<"$text" || problem "the page does not carry the version $version"

section() { awk -v h="$1" '/^[A-Z][A-Z ]*$/ { on = ($0 == h); next } on' <<<"$text"; }
help=$(python3 "$make_readme" --print-help "$help_source" "${@:6}") || exit 1
options=$(section OPTIONS)
# Every option the help's option lines start with ("  -n, --count N", "      --fps R").
for option in $(sed -n 's/^ \{2,6\}\(-[^ ,]*\(, [-/][^ ,]*\)*\).*/\1/p' <<<"$help" | tr ',' ' '); do
    grep -qE -- "(^|[ ,])$option([ ,]|$)" <<<"$options" || problem "OPTIONS does not describe $option"
done
help_statuses=$(sed -n '/^Exit status/,$p' <<<"$help" | grep -oE '^ +[0-9]+ ' | tr -d ' ' | sort | tr '\n' ' ')
page_statuses=$(section "EXIT STATUS" | grep -oE '^ +[0-9]+( |$)' | tr -d ' ' | sort | tr '\n' ' ')
[ -n "$help_statuses" ] && [ "$help_statuses" = "$page_statuses" ] ||
    problem "exit statuses: --help says ($help_statuses), the page ($page_statuses)"
# Every event the events' code writes.
for event in $(grep -oE 'Event\("[a-z_]+"\)' "$(dirname "$help_source")/events.cpp" | cut -d'"' -f2); do
    section EVENTS | grep -qE "^       $event( |$)" || problem "EVENTS does not describe the event $event"
done
[ $fail = 0 ] && echo "kavrocap.1: every option, status and event described"
exit $fail
