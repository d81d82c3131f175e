#!/bin/bash
# check-pe.sh OBJDUMP PROGRAM BITS gui|console: checks what a Windows user
# relies on in a program as packaged: it imports only from system DLLs, asks
# for address-space randomisation and no-execute data (and, 64-bit,
# high-entropy addresses) with the relocations that needs, carries no debug
# sections, is a GUI program (talven.exe, holding exactly three resources,
# the dialog, the version and the manifest) or a console one (talvenctl.exe,
# holding its manifest alone) of the subsystem version it always was. Prints
# each finding.
set -uo pipefail
objdump=$1
program=$2
bits=$3
kind=${4:-gui}
status=0
check() {
    if [ "$2" = "$3" ]; then echo "ok: $1: $2"; else echo "FAILED: $1: $2, not $3"; status=1; fi
}

headers=$("$objdump" -p "$program") || exit 1
sections=$("$objdump" -h "$program" | awk '/^ +[0-9]+ /{print $2}' | sort | tr '\n' ' ')

imports=$(sed -nE 's/^\s*DLL Name: (.*)/\1/p' <<<"$headers" | tr a-z A-Z | sort -u | tr '\n' ' ')
# GDI32 measures the details box's text in its own font.
foreign=$(tr ' ' '\n' <<<"$imports" | grep -vxE 'KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|MSVCRT.DLL|' | tr '\n' ' ')
check "imports from other than KERNEL32, USER32, GDI32, ADVAPI32 and msvcrt" "${foreign:-none}" none

flags=$(sed -nE '/^DllCharacteristics/,/^[A-Z]/{s/^\s+([A-Z_]+)$/\1/p}' <<<"$headers" | sort | tr '\n' ' ')
wanted="DYNAMIC_BASE NX_COMPAT "
[ "$bits" = 64 ] && wanted="DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT "
check "DLL characteristics" "$flags" "$wanted"
check "relocation section" "$(grep -o '\.reloc ' <<<"$sections")" ".reloc "
debug=$(tr ' ' '\n' <<<"$sections" | grep -E '^\.(debug|zdebug)' | tr '\n' ' ')
check "debug sections" "${debug:-none}" none

subsystem=$(awk '/^Subsystem/{print $2} /^MajorSubsystemVersion/{major=$2} /^MinorSubsystemVersion/{minor=$2} END{print major "." minor}' <<<"$headers" | tr '\n' ' ')
number=00000002
[ "$kind" = console ] && number=00000003
if [ "$bits" = 64 ]; then wanted="$number 5.2 "; else wanted="$number 4.0 "; fi
check "subsystem (2 is a GUI, 3 a console) and its version" "$subsystem" "$wanted"

# Type, name and language of each resource, from the resource directory.
resources=$(tr -d , <<<"$headers" | awk '
    /^[0-9a-f]+   Entry: ID:/ { type = $4 }
    /^[0-9a-f]+     Entry: ID:/ { name = $4 }
    /^[0-9a-f]+       Entry: ID:/ { printf "%s/%s/%s ", type, name, $4 }
    ')
if [ "$kind" = console ]; then
    check "resources (type/name/language: manifest 1, US English)" "${resources:-none}" "0x000018/0x000001/0x000409 "
else
    check "resources (type/name/language: dialog 101, version 1 and manifest 1, US English)" "$resources" \
        "0x000005/0x000065/0x000409 0x000010/0x000001/0x000409 0x000018/0x000001/0x000409 "
fi
exit $status
