#!/bin/bash
# The release built twice, in two clones of the source at two different
# paths, and compared byte for byte; where they differ it says which bytes,
# and in which section of the program.
#   check-reproducible.sh build SOURCE TOOLCHAIN WORK: the two builds, side
#       by side, of the program and its package, into WORK
#   check-reproducible.sh compare WORK: the second against the first
#   check-reproducible.sh compare WORK --second-of-another-date: the second
#       packaged again as of another date, against the first: it differs,
#       which is how the check shows it sees a difference (the programs
#       hold no date; the package's entries do)
#   check-reproducible.sh end WORK: removes WORK
set -uo pipefail
action=$1

build() {
    local source=$1 toolchain=$2 copy=$3
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

case $action in
build)
    source=$2
    toolchain=$3
    work=$4
    rm -rf "$work"
    mkdir -p "$work"
    # The build takes its dates from the clone's last commit, as anyone's would.
    unset SOURCE_DATE_EPOCH
    build "$source" "$toolchain" "$work/first" &
    first=$!
    build "$source" "$toolchain" "$work/second/at/another/path"
    second=$?
    wait $first && [ $second -eq 0 ]
    ;;
compare)
    work=$2
    second=$work/second/at/another/path/build
    if [ "${3:-}" = --second-of-another-date ]; then
        # The same build, its package made as of 2 January 1970.
        (cd "$second" && SOURCE_DATE_EPOCH=86400 cmake . >"$work/another-date.log" 2>&1 &&
            cpack -B "$work/another-date/packages" >>"$work/another-date.log" 2>&1 &&
            cmake -E copy_directory bin "$work/another-date/bin") ||
            { cat "$work/another-date.log"; exit 1; }
        second=$work/another-date
    fi
    status=0
    for file in bin/talven.exe bin/talvenctl.exe packages/*.zip; do
        name=$(cd "$work/first/build" && ls $file)
        if cmp -s "$work/first/build/$name" "$second/$name"; then
            echo "same: $name ($(stat -c %s "$work/first/build/$name") bytes, sha256 $(sha256sum <"$work/first/build/$name" | cut -c1-16)...)"
            continue
        fi
        status=1
        echo "DIFFERENT: $name; bytes (offset, first, second, in octal):"
        cmp -l "$work/first/build/$name" "$second/$name" | head -n 20
        if [ "$file" != "${file%.exe}" ]; then
            echo "sections (name, size, file offset):"
            objdump -h "$work/first/build/$name" | awk '/^ +[0-9]+ /{print $2, $3, $6}'
        fi
    done
    exit $status
    ;;
end)
    rm -rf "$2"
    ;;
esac
