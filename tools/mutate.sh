#!/bin/bash
# Puts each plausible fault of tools/mutants.txt into a scratch copy of the
# tree, one at a time, runs the suites that can see it (a fault in registry/
# the host's, then the sanitized host's, then the x86_64 registry tests under
# Wine; one in ui/ or the server check the x86_64 dialog and program tests
# under Wine) until one fails, and
# prints which faults were killed, which survived, and the score.
# tools/mutate.sh [TEXT] tries only the faults whose line holds TEXT.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/mutate
src=$work/src
"$root/tools/install-deps.sh" >/dev/null || exit 1
rm -rf "$src"
mkdir -p "$src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$src")

build() { (cd "$src" && cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$(nproc)" --target "${@:2}") >"$work/build.log" 2>&1; }
# A suite passes only when GoogleTest says it ran cases and none failed.
passes() { timeout -k 10 300 "$@" >"$work/run.log" 2>&1; grep -q '^\[  PASSED  \] [1-9]' "$work/run.log" && ! grep -q '^\[  FAILED  \]' "$work/run.log"; }
# Each run in a fresh copy of one booted prefix, as the suite runs its tests:
# the real registry's case needs a registry as Wine made it.
wine=("$root/cmake/wine-test.sh" "$work/prefix")

"$root/cmake/wine-prefix.sh" template "$work/prefix" >/dev/null || exit 1
trap '"$root/cmake/wine-prefix.sh" end "$work/prefix"' EXIT

# Which suite kills the fault in registry/ or ui/ (the file), or nothing when
# none does.
killer() {
    local file=$1
    if [[ ($file == registry/* && $file != registry/server_file.cpp && $file != registry/process_start.cpp) ||
          $file == talvenctl/reg_format.cpp ]]; then
        build host registry_tests && passes "$src/build/host/tests/registry_tests" || { echo host; return; }
        build host-asan registry_tests && passes "$src/build/host-asan/tests/registry_tests" || { echo host-asan; return; }
        # The double-byte cases under the code page of a Japanese system,
        # the UTF-8 ones under a locale of that page, as the suite runs
        # them; the rest under Wine's own.
        build win-x86_64 registry_tests &&
            passes "${wine[@]}" "$src/build/win-x86_64/bin/registry_tests.exe" --gtest_filter=RealRegistry.* &&
            passes "${wine[@]}" "$src/build/win-x86_64/bin/registry_tests.exe" \
                --gtest_filter=-CodePage932/*:CodePage65001/*:RealRegistry.* &&
            LC_ALL=ja_JP.UTF-8 passes "${wine[@]}" "$src/build/win-x86_64/bin/registry_tests.exe" \
                --gtest_filter=CodePage932/* &&
            LC_ALL=hi_IN.UTF-8 passes "${wine[@]}" "$src/build/win-x86_64/bin/registry_tests.exe" \
                --gtest_filter=CodePage65001/* || { echo wine; return; }
    else
        build win-x86_64 talven ui_tests &&
            passes "${wine[@]}" "$src/build/win-x86_64/bin/ui_tests.exe" \
                --gtest_filter='Dialog.*:RemoveCommand.*:Program.*:DpiDetails.*:StartUp.*' &&
            LC_ALL=ja_JP.UTF-8 passes "${wine[@]}" "$src/build/win-x86_64/bin/ui_tests.exe" --gtest_filter='Dialog932.*' &&
            LC_ALL=hi_IN.UTF-8 passes "${wine[@]}" "$src/build/win-x86_64/bin/ui_tests.exe" --gtest_filter='Utf8Dialog.*' ||
            { echo wine-ui; return; }
    fi
}

# Every suite must pass on the unchanged tree, or no kill would mean anything.
echo "building and testing the unchanged tree ..."
for part in registry/ ui/; do
    by=$(killer "$part")
    [ -z "$by" ] || { echo "the $by suite fails on the unchanged tree:"; cat "$work/build.log" "$work/run.log"; exit 1; }
done

killed=0
survived=0
while IFS= read -r line; do
    [[ -z $line || $line == \#* || $line != *"${1:-}"* ]] && continue
    file=${line%% => *}
    rest=${line#* => }
    old=${rest%% => *}
    new=${rest#* => }
    if ! python3 - "$src/$file" "$old" "$new" <<'PY'
import sys
path, old, new = sys.argv[1:]
text = open(path).read()
if text.count(old) != 1:
    sys.exit(f"{path}: {old!r} occurs {text.count(old)} times")
open(path, "w").write(text.replace(old, new))
PY
    then
        exit 1
    fi
    by=$(killer "$file")
    cp "$root/$file" "$src/$file"
    if [ -n "$by" ]; then
        killed=$((killed + 1))
        echo "killed by $by: $file: $old"
    else
        survived=$((survived + 1))
        echo "SURVIVED: $file: $old => $new"
    fi
done <"$root/tools/mutants.txt"
total=$((killed + survived))
echo "$killed of $total faults killed ($((total ? 100 * killed / total : 0))%), $survived survived"
