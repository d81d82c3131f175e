#!/bin/bash
# check-reproducible.sh SOURCE TOOLCHAIN: builds the program and its package
# twice, in two clones of the source at two different paths, one after the
# other, and compares the results byte for byte; where they differ it
# says which bytes, and in which section of the program. With
# --second-of-another-date the second build is dated otherwise, and differs.
set -uo pipefail
source=$1
toolchain=$2
work=$(mktemp -d /tmp/talven-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The build takes its dates from the clone's last commit, as anyone's would.
unset SOURCE_DATE_EPOCH

build() {
    local copy=$1
    mkdir -p "$(dirname "$copy")"
    git clone -q --no-hardlinks "$source" "$copy" || return 1
    # With the work tree's changes, so that they are checked before a commit.
    (cd "$source" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy")
    cmake -S "$copy" -B "$copy/build" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$copy.log" 2>&1 &&
        cmake --build "$copy/build" --target talven talvenctl >>"$copy.log" 2>&1 &&
        (cd "$copy/build" && cpack >>"$copy.log" 2>&1) ||
        { cat "$copy.log"; return 1; }
}

build "$work/first" || exit 1
# A build of another date must differ: how the check shows it sees one.
[ "${3:-}" = --second-of-another-date ] && export SOURCE_DATE_EPOCH=86400
build "$work/second/at/another/path" || exit 1
status=0
for file in bin/talven.exe bin/talvenctl.exe packages/*.zip; do
    first=$(cd "$work/first/build" && ls $file)
    if cmp -s "$work/first/build/$first" "$work/second/at/another/path/build/$first"; then
        echo "same: $first ($(stat -c %s "$work/first/build/$first") bytes, sha256 $(sha256sum <"$work/first/build/$first" | cut -c1-16)...)"
        continue
    fi
    status=1
    echo "DIFFERENT: $first; bytes (offset, first, second, in octal):"
    cmp -l "$work/first/build/$first" "$work/second/at/another/path/build/$first" | head -n 20
    if [ "$file" != "${file%.exe}" ]; then
        echo "sections (name, size, file offset):"
        objdump -h "$work/first/build/$first" | awk '/^ +[0-9]+ /{print $2, $3, $6}'
    fi
done
exit $status
