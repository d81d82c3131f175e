#!/bin/bash
# Makes the release in build/packages: talven-<version>-win32.zip (the 32-bit
# program) and talven-<version>-win64.zip (the 64-bit one), each by its CMake
# workflow preset, and SHA256SUMS over them. The same commit gives the same
# bytes, wherever and whenever it is built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/install-deps.sh
start=$(date +%s)
mkdir -p build/packages
rm -f build/packages/*
for preset in release-win32 release-win64; do
    cmake --workflow --preset "$preset" >"build/$preset.log" 2>&1 || { cat "build/$preset.log"; exit 1; }
    cp "build/$preset/packages/"*.zip build/packages/
done
(cd build/packages && sha256sum -- *.zip >SHA256SUMS)
ls -l build/packages
cat build/packages/SHA256SUMS
echo "packaged in $(($(date +%s) - start)) s"
