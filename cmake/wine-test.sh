#!/bin/sh
# wine-test.sh TEMPLATE PROGRAM ARGS...: runs a Windows program under Wine
# in a prefix of its own, copied from the booted template for this run
# alone and removed after it, so that tests run side by side, each on a
# registry nobody else changes.
# wine-test.sh TEMPLATE --around COMMAND ARGS...: runs a host command that
# drives Wine itself, with every argument @PREFIX@ replaced by the copy.
set -u
template=$1
shift
here=$(dirname "$0")
mkdir -p "$template.runs"
prefix=$(mktemp -d "$template.runs/XXXXXX") || exit 1
trap '"$here/wine-prefix.sh" end "$prefix"' EXIT
trap 'exit 1' HUP INT TERM
"$here/wine-prefix.sh" copy "$template" "$prefix" || exit 1
if [ "$1" = --around ]; then
    shift
    for argument; do
        shift
        [ "$argument" = @PREFIX@ ] && argument=$prefix
        set -- "$@" "$argument"
    done
    "$@"
else
    "$here/wine-run.sh" "$prefix" "$@"
fi
status=$?
exit $status
