#!/usr/bin/env bash
# check_install.sh BUILD WORK VERSION
# Installs the native build into WORK/prefix as `cmake --install` does for a
# user, then checks what arrived: kavroconv runs and tells the version, and
# its manual page renders with man without warnings, has the sections a
# manual page needs, the version, every option `kavroconv --help` lists and
# the same exit statuses.
set -u
build=$1
work=$2
version=$3
fail=0
problem() { echo "FAIL: $*"; fail=1; }

rm -rf "$work"
cmake --install "$build" --prefix "$work/prefix" || exit 1
tool=$work/prefix/bin/kavroconv
page=$work/prefix/share/man/man1/kavroconv.1
[ -x "$tool" ] || { echo "FAIL: no $tool"; exit 1; }
[ -f "$page" ] || { echo "FAIL: no $page"; exit 1; }

answer=$("$tool" --version)
[ "$answer" = "kavroconv $version" ] || problem "--version says \"$answer\""

# Rendered as a user reads it, without formatting; groff's warnings count.
text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err")
[ $? = 0 ] || problem "man -l failed"
[ -s "$work/man.err" ] && problem "man -l warns: $(cat "$work/man.err")"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES; do
    grep -qx "$section" <<<"$text" || problem "no section $section"
done
grep -q "pukavro $version" <<<"$text" || problem "the page does not carry the version $version"

# The sections' text: from a heading to the next one.
section() { awk -v h="$1" '/^[A-Z][A-Z ]*$/ { on = ($0 == h); next } on' <<<"$text"; }
help=$("$tool" --help)
options=$(section OPTIONS)
for option in $(sed -n 's/^  \(-[^ ,]*\(, -[^ ,]*\)*\).*/\1/p' <<<"$help" | tr ',' ' '); do
    grep -qE -- "(^|[ ,])$option([ ,]|$)" <<<"$options" || problem "OPTIONS does not describe $option"
done
help_statuses=$(sed -n '/^Exit status/,$p' <<<"$help" | grep -oE '\b[0-9]+ (when|for)' | cut -d' ' -f1 | sort | tr '\n' ' ')
page_statuses=$(section "EXIT STATUS" | grep -oE '^ +[0-9]+( |$)' | tr -d ' ' | sort | tr '\n' ' ')
[ -n "$help_statuses" ] && [ "$help_statuses" = "$page_statuses" ] ||
    problem "exit statuses: --help says ($help_statuses), the page ($page_statuses)"

echo "installed: $(cd "$work/prefix" && find . -type f | sort | tr '\n' ' ')"
exit $fail
