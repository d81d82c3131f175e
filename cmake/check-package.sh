#!/bin/bash
# check-package.sh ZIP OBJDUMP BITS: the package holds exactly the two
# programs, README.txt and LICENSE.txt in one folder named after it, the
# texts with Windows line ends, each program passes check-pe.sh, and each
# asks for UTF-8 as its code page, spelt exactly as Windows reads it.
set -uo pipefail
zip=$1
objdump=$2
bits=$3
work=$(mktemp -d /tmp/talven-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip") || exit 1
folder=$(basename "$zip" .zip)
status=0
contents=$(cd "$work" && find . -type f | sort | tr '\n' ' ')
wanted="./$folder/LICENSE.txt ./$folder/README.txt ./$folder/talven.exe ./$folder/talvenctl.exe "
if [ "$contents" = "$wanted" ]; then echo "ok: contents: $contents"; else echo "FAILED: contents: $contents, not $wanted"; status=1; fi
for text in README.txt LICENSE.txt; do
    lines=$(grep -c '' "$work/$folder/$text")
    crlf=$(grep -c $'\r$' "$work/$folder/$text")
    if [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ]; then
        echo "ok: $text: $lines lines, all ending in CR LF"
    else
        echo "FAILED: $text: $crlf of $lines lines end in CR LF"; status=1
    fi
done
grep -q 'MIT License' "$work/$folder/LICENSE.txt" || { echo "FAILED: LICENSE.txt is not the MIT licence"; status=1; }
page='<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>'
for program in talven.exe talvenctl.exe; do
    if grep -qF "$page" "$work/$folder/$program"; then
        echo "ok: $program: $page"
    else
        echo "FAILED: $program: no $page"; status=1
    fi
done
"$(dirname "$0")/check-pe.sh" "$objdump" "$work/$folder/talven.exe" "$bits" gui || status=1
"$(dirname "$0")/check-pe.sh" "$objdump" "$work/$folder/talvenctl.exe" "$bits" console || status=1
exit $status
