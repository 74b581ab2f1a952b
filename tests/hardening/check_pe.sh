#!/usr/bin/env bash
# check_pe.sh OBJDUMP FILE gui|console|dll|dll64 [DLL...]
# A shipped program must be a 32-bit i386 PE file of the given subsystem, a
# shipped DLL a DLL (dll64: for x86-64, with high-entropy ASLR), each
# relocatable with ASLR (dynamic base) and DEP (NX compatible) on, and
# importing only DLLs that every Windows has: no MinGW runtime DLL beside
# it. The DLLs named after the kind are allowed for that file too (COMCTL32
# for a program with a status bar, OLE32 for a COM server).
set -u
objdump=$1
exe=$2
kind=$3
shift 3
extra=$(IFS='|'; echo "$*")
headers=$("$objdump" -p "$exe") || exit 1
fail=0
problem() { echo "$exe: $*"; fail=1; }

format=pei-i386
[ "$kind" = dll64 ] && format=pei-x86-64
grep -q "file format $format\$" <<<"$headers" || problem "not a $format PE file"
case $kind in
gui) want='00000002' ;;
console) want='00000003' ;;
esac
case $kind in
dll | dll64)
    # The file header's characteristics, whose 0x2000 says DLL.
    characteristics=$(sed -n 's/^Characteristics[[:space:]]*0x//p' <<<"$headers")
    (( 16#${characteristics:-0} & 0x2000 )) || problem "not a DLL: Characteristics 0x$characteristics"
    ;;
*) grep -Eq "^Subsystem[[:space:]]+$want" <<<"$headers" || problem "subsystem is not $kind" ;;
esac

flags=$(sed -n 's/^DllCharacteristics[[:space:]]*//p' <<<"$headers")
(( 16#$flags & 0x40 )) || problem "no dynamic base (ASLR): DllCharacteristics $flags"
(( 16#$flags & 0x100 )) || problem "not NX compatible (DEP): DllCharacteristics $flags"
[ "$kind" != dll64 ] || (( 16#$flags & 0x20 )) ||
    problem "no high-entropy ASLR: DllCharacteristics $flags"
# Without relocations the loader cannot move the image, whatever the flag says.
grep -Eq '^Entry 5 [0-9a-f]+ [0-9a-f]*[1-9a-f][0-9a-f]* Base Relocation Directory' <<<"$headers" ||
    problem "no base relocations"

allowed="^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt${extra:+|$extra})\\.dll\$"
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$dlls" ] || problem "imports nothing?"
while read -r dll; do
    [ -z "$dll" ] || grep -Eiq "$allowed" <<<"$dll" || problem "imports $dll"
done <<<"$dlls"

echo "$exe: $(echo $dlls), DllCharacteristics $flags"
exit $fail
