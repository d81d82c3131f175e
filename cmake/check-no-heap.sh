#!/bin/sh
# check-no-heap.sh NM OBJECT...: fails when any object file refers to a heap
# allocation (the C allocators, operator new, the Windows heap calls).
nm=$1
shift
# operator new and new[] in every form (_Znwj, _Znwm, _Znwy: size_t of 32 or
# 64 bits), then the C and Windows allocators, imported or not, decorated or not.
pattern='^_*Zn[wa][jmy]|^_*(_imp_+)?(malloc|calloc|realloc|strdup|_strdup|HeapAlloc|HeapReAlloc|LocalAlloc|LocalReAlloc|GlobalAlloc|GlobalReAlloc|VirtualAlloc|CoTaskMemAlloc|SysAllocString)(@[0-9]+)?$'
found=0
for object in "$@"; do
    uses=$("$nm" -u "$object" 2>/dev/null | awk '{print $NF}' | grep -E "$pattern")
    if [ -n "$uses" ]; then
        echo "$object allocates on the heap: $uses"
        found=1
    fi
done
[ "$found" -eq 0 ] && echo "no heap allocation in $# object files"
exit "$found"
