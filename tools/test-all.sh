#!/bin/bash
# Builds every configuration and runs every test: on the host (plain,
# sanitized, and the fuzz target over its corpus and for a minute), under
# Wine for x86_64 and i686, and the program built in Microsoft's dialect
# under Wine, each Wine run in a prefix it makes for itself.
# Ends with one line: "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" || exit 1

passed=0
failed=0
for name in host host-asan fuzz win-x86_64 win-i686 msvc-dialect msvc-dialect-x86_64; do
    echo "=== $name"
    mkdir -p "$root/build/logs"
    if ! "$root/tools/build.sh" "$name" >"$root/build/logs/$name.log" 2>&1; then
        cat "$root/build/logs/$name.log"
        echo "build of $name failed"
        failed=$((failed + 1))
        continue
    fi
    output=$(cd "$root" && ctest --preset "$name" -j "$(nproc)" 2>&1)
    echo "$output"
    # The fuzzing minute's seed and count of runs, which ctest keeps to itself.
    [ "$name" = fuzz ] && grep -hE '^(fuzz seed|Done [0-9]+ runs)' \
        "$root/build/$name/Testing/Temporary/LastTest.log"
    summary=$(echo "$output" | grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' | tail -1)
    total=$(echo "$summary" | sed -E 's/.*out of ([0-9]+).*/\1/')
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    if [ -z "$summary" ]; then
        failed=$((failed + 1))
    else
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
done
echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
