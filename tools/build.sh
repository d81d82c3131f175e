#!/bin/bash
# Configures and builds one configuration into build/NAME, by its preset in
# CMakePresets.json:
#   host       native, against the stand-in key store, with tests and benchmarks
#   host-asan  the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz       the fuzz target (clang, libFuzzer, ASan, UBSan)
#   win-i686   talven.exe, the product, and its tests for Wine
#   win-x86_64 the 64-bit build and its tests for Wine
#   msvc-dialect, msvc-dialect-x86_64
#              talven.exe in Microsoft's dialect (clang-cl, lld-link, llvm-rc),
#              tested under Wine by the MinGW build's tests (build that first)
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1
case $name in
host | host-asan | fuzz | win-i686 | win-x86_64 | msvc-dialect | msvc-dialect-x86_64) ;;
*) echo "build.sh: unknown configuration $name" >&2; exit 2 ;;
esac
cmake --preset "$name" >/dev/null
cmake --build --preset "$name" -j "$(nproc)"
