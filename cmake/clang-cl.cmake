# Compiling and linking in Microsoft's dialect without Visual Studio:
# clang-cl (clang's MSVC-compatible driver), lld-link and llvm-rc, against
# Wine's MSVC-compatible Windows and C runtime headers. TALVEN_MSVC_ARCH (i686
# or x86_64) chooses the target. The programs link against the system DLLs'
# import libraries alone (MinGW-w64's for i686, Wine's for x86_64), with an
# entry point of their own in place of a Visual Studio C runtime.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT TALVEN_MSVC_ARCH)
  set(TALVEN_MSVC_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${TALVEN_MSVC_ARCH})
set(CMAKE_C_COMPILER clang-cl-14)
set(CMAKE_CXX_COMPILER clang-cl-14)
set(CMAKE_RC_COMPILER llvm-rc-14)
set(CMAKE_LINKER lld-link)
set(CMAKE_AR llvm-lib-14)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(wine_headers /usr/include/wine/wine)
# Wine's winnt.h defines some interlocked helpers that clang also knows as
# builtins; renamed, they stay the header's own.
set(renamed)
foreach(name InterlockedAnd64 InterlockedCompareExchange128 InterlockedOr64 InterlockedXor64
        InterlockedExchange64 InterlockedExchangeAdd64 InterlockedIncrement64 InterlockedDecrement64
        InterlockedCompareExchangePointer InterlockedExchangePointer)
  string(APPEND renamed " -D_${name}=wine_${name}")
endforeach()
set(flags "--target=${TALVEN_MSVC_ARCH}-pc-windows-msvc -imsvc ${wine_headers}/msvcrt -imsvc ${wine_headers}/windows${renamed} /GS- /EHs-c- /GR-")
set(CMAKE_C_FLAGS_INIT "${flags}")
set(CMAKE_CXX_FLAGS_INIT "${flags}")
set(CMAKE_RC_FLAGS_INIT "-I ${wine_headers}/windows -I ${wine_headers}/msvcrt")

if(TALVEN_MSVC_ARCH STREQUAL i686)
  set(import_libraries /usr/i686-w64-mingw32/lib)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "/machine:x86 /safeseh:no")
else()
  set(import_libraries /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "/machine:x64")
endif()
# Under the names the linker looks for.
set(named_libraries ${CMAKE_BINARY_DIR}/import-libraries)
file(MAKE_DIRECTORY ${named_libraries})
foreach(dll kernel32 user32 gdi32 advapi32 msvcrt)
  file(CREATE_LINK ${import_libraries}/lib${dll}.a ${named_libraries}/${dll}.lib SYMBOLIC)
endforeach()
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " /nodefaultlib /entry:TalvenEntry /dynamicbase /nxcompat /manifest:no /libpath:${named_libraries}")
set(CMAKE_C_STANDARD_LIBRARIES "kernel32.lib user32.lib advapi32.lib msvcrt.lib" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "${CMAKE_C_STANDARD_LIBRARIES}" CACHE STRING "" FORCE)
