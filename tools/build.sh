#!/bin/bash
# Configures and builds one configuration into build/NAME:
#   host       native, against the stand-in key store, with tests and benchmarks
#   host-asan  the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz       the fuzz target (clang, libFuzzer, ASan, UBSan)
#   win-i686   talven.exe, the product, and its tests for Wine
#   win-x86_64 the 64-bit build and its tests for Wine
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=$1
case $name in
host) options=() ;;
host-asan) options=(-DTALVEN_SANITIZE=ON) ;;
fuzz) options=(-DTALVEN_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
win-i686) options=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake") ;;
win-x86_64) options=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake") ;;
*) echo "build.sh: unknown configuration $name" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/build/$name" "${options[@]}" >/dev/null
cmake --build "$root/build/$name" -j "$(nproc)"
