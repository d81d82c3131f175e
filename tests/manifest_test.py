#!/usr/bin/env python3
"""The application manifest of each built program, read from its resources
(type 24, name 1) and judged as XML, element by element.

usage: manifest_test.py talven.exe|talvenctl.exe PROGRAM...
Each PROGRAM is judged as the one its file name says.
"""
import os
import struct
import sys
import xml.etree.ElementTree as ET

ASM1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WS2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WS2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
WS2019 = "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}"
# Windows Vista, 7, 8, 8.1, and 10 and 11.
SUPPORTED = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
FAILURES = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        FAILURES.append(what)


def manifest(path):
    """The bytes of resource 24/1, its first language, from the PE file."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    optional = struct.unpack_from("<H", data, pe + 20)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = pe + 24 + optional

    def offset(rva):
        for i in range(sections):
            vsize, vaddr, _, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            if vaddr <= rva < vaddr + max(vsize, 1):
                return raw + rva - vaddr
        raise ValueError("no section holds the address")

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<HH", data, base + at + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
            yield name, target

    for kind, sub in entries(0):
        if kind != 24:
            continue
        for name, langs in entries(sub & 0x7FFFFFFF):
            if name != 1:
                continue
            for _, leaf in entries(langs & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                return data[offset(rva):offset(rva) + size]
    return None


for program in sys.argv[1:]:
    name = os.path.basename(program).lower()
    gui = name == "talven.exe"
    raw = manifest(program)
    check(raw is not None, f"{name}: a manifest, resource 24/1")
    if raw is None:
        continue
    root = ET.fromstring(raw)
    check(root.tag == ASM1 + "assembly" and root.get("manifestVersion") == "1.0", f"{name}: an assembly manifest")
    levels = root.findall(f"{ASM3}trustInfo/{ASM3}security/{ASM3}requestedPrivileges/{ASM3}requestedExecutionLevel")
    wanted = "requireAdministrator" if gui else "asInvoker"
    check([(e.get("level"), e.get("uiAccess")) for e in levels] == [(wanted, "false")],
          f"{name}: requestedExecutionLevel {wanted}, no UI access")
    oses = {e.get("Id").lower() for e in root.findall(f"{COMPAT}compatibility/{COMPAT}application/{COMPAT}supportedOS")}
    check(oses == SUPPORTED, f"{name}: supportedOS Vista, 7, 8, 8.1, 10 and 11")
    settings = root.findall(f"{ASM3}application/{ASM3}windowsSettings")
    aware = [e.text.strip() for s in settings for e in s.findall(WS2005 + "dpiAware")]
    awareness = [e.text.strip() for s in settings for e in s.findall(WS2016 + "dpiAwareness")]
    if gui:
        check(aware == ["true"] and awareness == ["PerMonitorV2, system"],
              f"{name}: dpiAware true, dpiAwareness PerMonitorV2 with system as the fallback")
    else:
        check(not aware and not awareness, f"{name}: no DPI settings: a console program draws no window")
    # UTF-8 as the program's ANSI code page, spelt exactly so: Windows reads
    # the value case-sensitively, and ignores the element before 1903.
    pages = [e.text for s in settings for e in s.findall(WS2019 + "activeCodePage")]
    check(pages == ["UTF-8"], f"{name}: activeCodePage UTF-8, spelt so ({pages})")
    # Nothing else: the classic look (no common-controls dependency).
    everything = {e.tag for e in root.iter()}
    check(not any(t.endswith("dependency") for t in everything), f"{name}: no dependency")

print(f"{len(FAILURES)} checks failed")
sys.exit(1 if FAILURES else 0)
