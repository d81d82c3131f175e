#!/bin/bash
# Builds every configuration and runs every test: on the host (plain,
# sanitized, and the fuzz target over its corpus and then from it), under
# Wine for x86_64 and i686, and the program built in Microsoft's dialect
# under Wine, each Wine test in a prefix of its own copied from one booted
# prefix that the whole run shares.
# The configurations build and test side by side, so that both cores stay
# busy: each tests as soon as it is built while the others still build; the
# Microsoft-dialect ones wait only for the MinGW build whose tests they run.
# Each configuration's output is shown whole once all are done, then one
# line: "N passed, N failed".
# Where a Wine prefix cannot be booted, the tests that need it say so.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" || exit 1

logs=$root/build/logs
mkdir -p "$logs"
rm -f "$logs"/*.built "$logs"/*.result
export TALVEN_WINE_TEMPLATES=$root/build/wine-templates
rm -rf "$TALVEN_WINE_TEMPLATES"
trap 'rm -rf "$TALVEN_WINE_TEMPLATES"' EXIT

# build and test NAME, its output in logs/NAME.out, "total bad" or
# "build failed" in logs/NAME.result; logs/NAME.built once it is built.
run_configuration() {
    local name=$1 after=${2:-}
    local out=$logs/$name.out
    if [ -n "$after" ]; then
        while [ ! -e "$logs/$after.built" ] && [ ! -e "$logs/$after.result" ]; do
            sleep 2
        done
    fi
    local start=$SECONDS
    {
        echo "=== $name"
        if [ -n "$after" ] && [ ! -e "$logs/$after.built" ]; then
            echo "build of $after failed, which $name needs"
            echo "build failed" >"$logs/$name.result"
            return
        fi
        if ! "$root/tools/build.sh" "$name" >"$logs/$name.log" 2>&1; then
            cat "$logs/$name.log"
            echo "build of $name failed"
            echo "build failed" >"$logs/$name.result"
            return
        fi
        echo "built in $((SECONDS - start)) s"
        touch "$logs/$name.built"
        local output summary
        output=$(cd "$root" && ctest --preset "$name" -j "$(nproc)" 2>&1)
        echo "$output"
        # The fuzzing's seed and count of runs, which ctest keeps to itself.
        [ "$name" = fuzz ] && grep -hE '^(fuzz seed|Done [0-9]+ runs)' \
            "$root/build/$name/Testing/Temporary/LastTest.log"
        echo "built and tested in $((SECONDS - start)) s"
        summary=$(echo "$output" | grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' | tail -1)
        if [ -z "$summary" ]; then
            echo "build failed" >"$logs/$name.result"
        else
            echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2 \1/' >"$logs/$name.result"
        fi
    } >"$out" 2>&1
}

# The Windows builds and their tests are the longest way through the run:
# they start at once, with the boots of the Wine prefixes their tests copy,
# which need no build, and the fuzzing, whose one long test would otherwise
# be the last to end. The rest fill the time those leave, at a lower
# priority, so that they never hold the longest way up.
names=(win-i686 win-x86_64 host-asan fuzz host msvc-dialect msvc-dialect-x86_64)
"$root/cmake/wine-prefix.sh" template "$root/build/logs/two-views" >"$logs/two-views.log" 2>&1 &
"$root/cmake/wine-prefix.sh" template "$root/build/logs/one-view" --one-view >"$logs/one-view.log" 2>&1 &
run_configuration win-i686 &
run_configuration win-x86_64 &
lower() { renice -n 10 -p "$BASHPID" >/dev/null; "$@"; }
run_configuration fuzz &
lower run_configuration host-asan &
lower run_configuration host &
lower run_configuration msvc-dialect win-i686 &
lower run_configuration msvc-dialect-x86_64 win-x86_64 &
wait
rm -f "$root/build/logs/two-views" "$root/build/logs/one-view"

passed=0
failed=0
for name in "${names[@]}"; do
    cat "$logs/$name.out"
    read -r total bad <"$logs/$name.result" 2>/dev/null || { total=build bad=failed; }
    if [ "$total" = build ] || [ -z "${bad:-}" ]; then
        failed=$((failed + 1))
    else
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
done
echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
