#!/usr/bin/env python3
"""talvenctl end to end under Wine: the real program run as a black box in
the test prefix, its CSV and JSON read back with Python's own parsers, and the
registry judged from Wine's own stores (system.reg for the machine's classes,
user.reg for the user's), which keep every value's bytes, not from anything
talvenctl says.

usage: talvenctl_test.py PART WINE_RUN PREFIX TALVENCTL_EXE BITS [RACER_EXE]

PART is one of machine (list, refusals, plan, backup and restore), user
(the user's store), views (the other registry view, and servers as each
view's loader finds them), servers (each way a server path may be
written, judged as the loader reads it, in both views), scripts (names in
every script, listed and removed as they are) and race (another program swapping a key of the
tree for a link while the removal deletes it, RACER_EXE), each run in a
prefix of its own.
"""
import csv
import io
import json
import os
import re
import subprocess
import sys
import tempfile
import time

PART, WINE_RUN, PREFIX, EXE, BITS = sys.argv[1:6]
VIEW = ["/reg:32"] if BITS == "32" else ["/reg:64"]
FAILURES = []
CHECKS = [0]

A = "{5A000000-0000-0000-0000-00000000000A}"
B = "{5B000000-0000-0000-0000-00000000000B}"
C = "{5C000000-0000-0000-0000-00000000000C}"
D = "{5D000000-0000-0000-0000-00000000000D}"
E = "{5E000000-0000-0000-0000-00000000000E}"
F = "{5F000000-0000-0000-0000-00000000000F}"
LIB = "{7E000000-0000-0000-0000-0000000000E1}"
DEEP = "\\".join(["d" * 40] * 26)  # past the 1024 bytes a path may take


def check(ok, what):
    CHECKS[0] += 1
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        FAILURES.append(what)


def control(clsid, name, server, extra=""):
    return (f'[HKEY_CLASSES_ROOT\\CLSID\\{clsid}]\n@="{name}"\n'
            f'[HKEY_CLASSES_ROOT\\CLSID\\{clsid}\\Control]\n'
            f'[HKEY_CLASSES_ROOT\\CLSID\\{clsid}\\InprocServer32]\n@="{server}"\n' + extra)


# Every kind of value a backup must bring back: each type, empty and
# default values, names holding quotes, backslashes and "=", text outside
# ASCII, strings that are no clean string.
VALUES = r'''@="Ámber ☃ \"quoted\" \\ back"
"q\"uo\\te=name"=hex(b):01,02,03,04,05,06,07,08
"expand"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,00,00
"multi"=hex(7):61,00,00,00,62,00,00,00,00,00
"dword"=dword:0000002a
"short dword"=hex(4):01,02
"binary"=hex:00,ff,7f
"none"=hex(0):
"odd type"=hex(1234):01,02
"odd string"=hex(1):41,00,42
"unended string"=hex(1):41,00
"line break"=hex(1):41,00,0a,00,42,00,00,00
"empty"=""
"név"="é"
'''

LAYOUT = (
    control(A, "Ámber Gauge", "C:\\\\windows\\\\system32\\\\ole32.dll",
            f'[HKEY_CLASSES_ROOT\\CLSID\\{A}\\ProgID]\n@="Talven.Amber.1"\n'
            f'[HKEY_CLASSES_ROOT\\CLSID\\{A}\\Typelib]\n@="{LIB}"\n'
            f'[HKEY_CLASSES_ROOT\\CLSID\\{A}\\Values]\n{VALUES}'
            f'[HKEY_CLASSES_ROOT\\CLSID\\{A}\\Empty]\n@=""\n'
            f'[HKEY_CLASSES_ROOT\\Talven.Amber.1]\n{VALUES}'
            f'[HKEY_CLASSES_ROOT\\Talven.Amber.1\\CLSID]\n@="{A}"\n'
            f'[HKEY_CLASSES_ROOT\\TypeLib\\{LIB}\\1.0\\0\\win32]\n@="C:\\\\gone\\\\amber.ocx"\n')
    + control(B, 'Birch \\"Dial\\", Inc', "C:\\\\gone\\\\birch.ocx",
              f'[HKEY_CLASSES_ROOT\\CLSID\\{B}\\ProgID]\n@="Talven Birch"\n'
              f'[HKEY_CLASSES_ROOT\\CLSID\\{B}\\Typelib]\n@="{LIB}"\n'
              f'[HKEY_CLASSES_ROOT\\Talven Birch\\CLSID]\n@="{B}"\n')
    + control(C, "Cedar", "ole32.dll")
    + control(D, "Dune", "talven-gone-dune.dll")
    # A key that says it is a link is refused as one.
    + control(E, "Elm", "C:\\\\gone\\\\elm.ocx",
              f'[HKEY_CLASSES_ROOT\\CLSID\\{E}\\Trap]\n"SymbolicLinkValue"=hex(6):41,00\n')
    + control(F, "Fir", "C:\\\\windows\\\\system32\\\\ole32.dll",
              f'[HKEY_CLASSES_ROOT\\CLSID\\{F}\\{DEEP}]\n'))


def server(option):
    wineserver = "/usr/lib/wine/wineserver"
    subprocess.run([wineserver if os.path.exists(wineserver) else "wineserver", option],
                   env=dict(os.environ, WINEPREFIX=PREFIX), timeout=120,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# Wine's server kept on between programs, from the first program after each
# look at the stores: each program that starts it anew starts Wine's whole
# session (its services, its desktop) with it, ten times the work of the
# program itself.
SERVING = [False]


def run(*args, stdin=subprocess.DEVNULL, env=None, cwd=None):
    if not SERVING[0]:
        server("-p")
        SERVING[0] = True
    # Into files, not pipes: Wine's session, which the first program starts,
    # outlives it and would hold a pipe open.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run([WINE_RUN, PREFIX, *args], stdin=stdin, stdout=out, stderr=err, timeout=300,
                              env=None if env is None else dict(os.environ, **env), cwd=cwd).returncode
        out.seek(0)
        err.seek(0)
        return code, out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace")


def ctl(*args, **where):
    return run(EXE, *args, **where)


def reg_import(text, name, view=VIEW):
    path = os.path.join(PREFIX, "drive_c", name)
    # An unpaired surrogate is written as the one UTF-16 unit it is.
    with open(path, "wb") as out:
        out.write(b"\xff\xfe" + ("Windows Registry Editor Version 5.00\n\n" + text)
                  .replace("\n", "\r\n").encode("utf-16-le", "surrogatepass"))
    return run("reg", "import", "C:\\" + name, *view)[0]


def exists(path, view):
    return run("reg", "query", "HKEY_CLASSES_ROOT\\" + path, "/reg:" + view)[0] == 0


MACHINE = "HKLM\\SOFTWARE\\Classes\\"
USER = "HKCU\\Software\\Classes\\"




def classes(hive="system.reg"):
    """A class store as Wine keeps it: each key's lines, values exactly as
    stored, without the times of change; keyed by the path under the view."""
    # Wine writes its store when its server ends.
    if SERVING[0]:
        server("-k")
        server("-w")
        SERVING[0] = False
    store = {}
    key = None
    prefix = "software\\classes\\" + ("wow6432node\\" if BITS == "32" else "")
    if not os.path.exists(os.path.join(PREFIX, hive)):
        return {}
    with open(os.path.join(PREFIX, hive), encoding="utf-8", errors="surrogateescape") as text:
        for line in text:
            line = line.rstrip("\n")
            header = re.match(r"^\[(.*)\] \d+$", line)
            if header:
                path = header.group(1).replace("\\\\", "\\")
                key = path if path.lower().startswith("software\\classes\\") else None
                if key is not None:
                    store[key] = []
            elif key is not None and line and not line.startswith("#time="):
                store[key].append(line)
    # A key without values that has subkeys is not written: they imply it.
    for path in list(store):
        while "\\" in path:
            path = path.rsplit("\\", 1)[0]
            store.setdefault(path, [])
    # Keys under the view, by their path relative to HKEY_CLASSES_ROOT.
    view = {}
    for path, lines in store.items():
        low = path.lower()
        if BITS == "32" and low.startswith("software\\classes\\wow6432node\\"):
            view[path[len(prefix):].lower()] = lines
        elif not low.startswith("software\\classes\\wow6432node"):
            view.setdefault(path[len("software\\classes\\"):].lower(), lines)
    return view



def machine():
    check(reg_import(LAYOUT, "layout.reg") == 0, "layout imported")

    # list, in every format, against the layout.
    code, out, _ = ctl("list", "--format", "json")
    OURS = {A, B, C, D, E, F}
    # A fresh prefix registers a few controls of Wine's own; only ours count.
    listed = [row for row in json.loads(out) if row["clsid"] in OURS]
    rows = {row["clsid"]: row for row in listed}
    check(code == 0 and set(rows) == OURS, "list --format json: every control, exit 0")
    states = {clsid: row["server_state"] for clsid, row in rows.items()}
    check(states == {A: "present", B: "missing", C: "present", D: "unchecked", E: "missing", F: "present"},
          f"server states {states}")
    check(rows[C]["server_note"].lower().endswith("\\ole32.dll"), "a bare name found where the loader looks")
    check(rows[A]["name"] == "Ámber Gauge" and rows[B]["name"] == 'Birch "Dial", Inc', "names as registered")
    # A and B share a library: the removal of either alone leaves it to the other.
    check((rows[A]["progid"], rows[A]["typelib"], rows[B]["progid"], rows[C]["progid"])
          == ("Talven.Amber.1", None, "Talven Birch", None), "ProgIDs and libraries by the removal's rule")
    check({row["view"] for row in listed} == {int(BITS)}, "list: the view of the program's own")
    code, out, _ = ctl("list", "--format", "csv")
    table = list(csv.DictReader(io.StringIO(out, newline="")))
    check(code == 0 and [{k: (int(v) if k == "view" else v or None) for k, v in row.items()}
                        for row in table if row["clsid"] in OURS] == listed,
          "list --format csv: the same rows as JSON")
    code, out, _ = ctl("list", "--missing", "--format", "json")
    check(code == 2 and {row["clsid"] for row in json.loads(out)} & OURS == {B, E}, "list --missing: the missing, exit 2")
    code, out, _ = ctl("list")
    lines = out.splitlines()
    column = lines[0].index("STATE")
    check(code == 0 and sum(any(c in line for c in OURS) for line in lines) == 6 and all(line[column - 2:column] == "  " and line[column] != " "
                                                for line in lines), "list: aligned columns")

    # Bad usage and requests that cannot be carried out: exit 1, nothing deleted.
    laid = classes()
    for args, what in [(("bogus",), "unknown verb"), (("list", "--frob"), "unknown option"),
                       (("remove", "--yes"), "no controls named"),
                       (("remove", "{00000000-0000-0000-0000-000000000000}", A, "--yes"), "a CLSID not listed"),
                       (("remove", A, "--backup", "C:\\no\\such\\folder\\b.reg", "--yes"), "a backup not creatable"),
                       (("remove", A), "no --yes and no console to ask")]:
        code, _, err = ctl(*args)
        check(code == 1 and err.strip() != "", f"{what}: exit 1 with a message")

    # Refusals: the reason, exit 2, nothing deleted.
    code, out, _ = ctl("plan", E)
    check(code == 2 and f"a registry link at {MACHINE}CLSID\\{E}\\Trap" in out, "plan names the link, its store and where")
    code, out, _ = ctl("remove", E, "--yes")
    check(code == 2 and out.startswith("refused ") and "registry link" in out, "remove refuses a link, exit 2")
    code, out, _ = ctl("remove", F, "--yes")
    check(code == 2 and "path too long" in out, "remove refuses a path too long, exit 2")
    check(classes() == laid, "no bad usage and no refusal deleted anything")

    # Plan, backup, remove, restore.
    code, out, _ = ctl("plan", A)
    deletes = [line.strip()[len("delete "):] for line in out.splitlines() if line.startswith("  delete ")]
    planned = [key[len(MACHINE):].lower() for key in deletes]
    check(code == 0 and len(planned) == 9 and all(key.startswith(MACHINE) for key in deletes),
          f"plan of A: {len(planned)} keys, each of the machine's store")
    check(f"  kept {MACHINE}TYPELIB\\{LIB}: still named by {B} in the {BITS}-bit view" in out.splitlines(),
          "plan of A: the shared library kept, and why")
    # Planned together, the second of them takes the library.
    code, out, _ = ctl("plan", A, B)
    check(code == 0 and sum(line.lower().startswith(f"  delete {MACHINE.lower()}typelib\\{LIB.lower()}")
                            for line in out.splitlines()) == 4
          and out.index(f"{B}  ") < out.index(f"delete {MACHINE}TYPELIB\\{LIB}\\1.0"), "plan of A and B: B takes the library")
    before = classes()
    code, out, _ = ctl("remove", A, "--backup", "C:\\backup.reg", "--yes")
    after = classes()
    check(code == 0 and out.startswith(f"removed {A}  Ámber Gauge from the machine's store")
          and len(out.splitlines()) == 2, "remove A with a backup, exit 0")
    deleted = sorted(set(before) - set(after))
    check(deleted == sorted(planned) and all(after[k] == before[k] for k in after),
          "the removal deleted exactly the keys of the plan")
    if deleted != sorted(planned):
        print("  deleted but not planned:", sorted(set(deleted) - set(planned)))
        print("  planned but not deleted:", sorted(set(planned) - set(deleted)))
    check(run("reg", "import", "C:\\backup.reg", *VIEW)[0] == 0, "reg import of the backup")
    restored = classes()
    check(restored == before, "after reg import the class store is as before, every value byte for byte")
    if restored != before:
        for k in sorted(set(before) | set(restored)):
            if before.get(k) != restored.get(k):
                print(f"  {k}: {before.get(k)} -> {restored.get(k)}")


# The user's store: per-user registrations are real keys under Wine, which,
# unlike Windows, shows none of them through HKEY_CLASSES_ROOT. --store user
# lists and removes them there alone; a removal of a class that both stores
# register takes the registration whose line was listed.
U = "{5A700000-0000-0000-0000-00000000007A}"
ULIB = "{7E700000-0000-0000-0000-0000000000E7}"
OWN_CLSID = "Wow6432Node\\CLSID" if BITS == "32" else "CLSID"


def user_keys(text):
    return text.replace("[HKEY_CLASSES_ROOT\\CLSID\\", f"[HKEY_CURRENT_USER\\Software\\Classes\\{OWN_CLSID}\\") \
               .replace("[HKEY_CLASSES_ROOT\\", "[HKEY_CURRENT_USER\\Software\\Classes\\")


def user():
    check(reg_import(LAYOUT, "layout.reg") == 0, "layout imported")
    OURS = {A, B, C, D, E, F}

    check(reg_import(user_keys(control(U, "Umber Own", "C:\\\\gone\\\\umber.ocx",
                                       f'[HKEY_CLASSES_ROOT\\CLSID\\{U}\\ProgID]\n@="Talven.Umber.1"\n'
                                       f'[HKEY_CLASSES_ROOT\\CLSID\\{U}\\Typelib]\n@="{ULIB}"\n'
                                       f'[HKEY_CLASSES_ROOT\\Talven.Umber.1\\CLSID]\n@="{U}"\n'
                                       f'[HKEY_CLASSES_ROOT\\TypeLib\\{ULIB}\\1.0]\n@="Umber"\n')
                               # A per-user copy of C, a machine control, under a name of its own.
                               + user_keys(control(C, "Old toolbar", "C:\\\\gone\\\\toolbar.ocx"))),
                     "user.reg", ["/reg:64"]) == 0, "per-user registrations laid out")
    code, out, _ = ctl("list", "--store", "user", "--format", "json")
    user_rows = {row["clsid"]: row for row in json.loads(out)} if code == 0 else {}
    check(set(user_rows) == {U, C} and all(row["store"] == "user" for row in user_rows.values())
          and (user_rows[U]["progid"], user_rows[U]["typelib"]) == ("Talven.Umber.1", ULIB),
          "list --store user: the user's controls alone, with their own ProgID and library")
    code, out, _ = ctl("list", "--format", "csv")
    stores = {row["clsid"]: row["store"] for row in csv.DictReader(io.StringIO(out, newline="")) if row["clsid"] in OURS}
    check(stores == {clsid: "machine" for clsid in OURS},
          "list: each control marked with the store a removal would take: the machine's, whose line Wine lists")
    code, out, _ = ctl("plan", "--store", "user", U)
    user_deletes = [line.strip()[len("delete "):] for line in out.splitlines() if line.startswith("  delete ")]
    check(code == 0 and len(user_deletes) == 9 and all(key.startswith(USER) for key in user_deletes),
          f"plan --store user: {len(user_deletes)} keys, each of the user's store")
    machine_before = classes()
    users_before = classes("user.reg")
    code, out, _ = ctl("remove", "--store", "user", U, "--backup", "C:\\user.reg", "--yes")
    users_after = classes("user.reg")
    check(code == 0 and sorted(set(users_before) - set(users_after))
          == sorted(key[len(USER):].lower() for key in user_deletes)
          and classes() == machine_before, "remove --store user: exactly the planned keys of the user's store")
    with open(os.path.join(PREFIX, "drive_c", "user.reg"), "rb") as backup:
        sections = re.findall(r"^\[([^\]]*)\]", backup.read().decode("utf-16"), re.M)
    check(sections and all(s.startswith("HKEY_CURRENT_USER\\Software\\Classes\\") for s in sections),
          "the backup names each key under the user's store")
    check(run("reg", "import", "C:\\user.reg", *VIEW)[0] == 0 and classes("user.reg") == users_before,
          "the backup restores the user's store as it was")
    # The line listed is the registration removed: under Wine, which lists the
    # machine's, the machine's C goes and the user's copy, which builds another
    # line, stays.
    users_with_c = classes("user.reg")
    code, out, _ = ctl("remove", C, "--yes")
    check(code == 0 and out.startswith(f"removed {C}  Cedar")
          and classes() == {k: v for k, v in machine_before.items() if C.lower() not in k}
          and classes("user.reg") == users_with_c and any(C.lower() in key for key in users_with_c),
          "a class both stores register: the registration listed goes, the user's copy stays")

    # --missing removes B, the library's last class, which takes it, and not
    # D, whose bare name may lie beside the program that loads it; every key
    # of the user's store stays as it was.
    users_before = classes("user.reg")
    ctl("remove", A, "--yes")
    code, out, _ = ctl("remove", "--missing", "--yes")
    check(code == 2 and f"removed {B}" in out and f"{D}" not in out and f"refused {E}" in out,
          "remove --missing: the removable removed, the link refused, exit 2")
    check(f"typelib\\{LIB.lower()}" not in classes(), "the library went with its last class")
    check(classes("user.reg") == users_before, "machine removals left the user's store as it was")
    code, out, _ = ctl("list", "--format", "json")
    check({row["clsid"] for row in json.loads(out)} & OURS == {D, E, F}, "what is left listed")


def views():
    check(reg_import(LAYOUT, "layout.reg") == 0, "layout imported")
    OURS = {A, B, C, D, E, F}
    # The other view, from the same program: --view lists and removes there,
    # and its backup says how to put it back.
    OTHER = "64" if BITS == "32" else "32"
    G = "{5A600000-0000-0000-0000-00000000006A}"
    check(reg_import(control(G, "Gale", "C:\\\\gone\\\\gale.ocx",
                             f'[HKEY_CLASSES_ROOT\\CLSID\\{G}\\ProgID]\n@="Talven.Gale.1"\n'),
                     "other.reg", ["/reg:" + OTHER]) == 0 and
          reg_import(f'[HKEY_CLASSES_ROOT\\Talven.Gale.1\\CLSID]\n@="{G}"\n', "shared.reg") == 0,
          "a control laid out in the other view, its ProgID shared")
    code, out, _ = ctl("list", "--format", "json", "--view", OTHER)
    other_rows = {row["clsid"]: row for row in json.loads(out)} if code == 0 else {}
    check(G in other_rows and other_rows[G]["view"] == int(OTHER) and other_rows[G]["progid"] == "Talven.Gale.1"
          and not OURS & set(other_rows), f"list --view {OTHER}: that view's controls, and only those")
    check(ctl("list", "--view", "16")[0] == 1, "--view 16: bad usage, exit 1")
    code, out, _ = ctl("remove", G, "--view", OTHER, "--backup", "C:\\other.reg", "--yes")
    check(code == 0 and not exists(f"CLSID\\{G}", OTHER) and not exists("Talven.Gale.1", BITS),
          f"remove --view {OTHER}: the class and its ProgID gone")
    with open(os.path.join(PREFIX, "drive_c", "other.reg"), "rb") as backup:
        said = backup.read().decode("utf-16")
    check(f"reg import FILE /reg:{OTHER}" in said, "the backup names its view")
    # Wine's reg, unlike Windows', puts even a shared key imported for the
    # 32-bit view from a 64-bit program under Wow6432Node: it is looked for there.
    check(run("reg", "import", "C:\\other.reg", "/reg:" + OTHER)[0] == 0 and exists(f"CLSID\\{G}\\ProgID", OTHER)
          and exists("Talven.Gale.1\\CLSID", OTHER), "the backup restores the other view's class and its ProgID")

    # A server judged as the loader of its registration's view sees it: for a
    # 32-bit one, the file system redirector sends "system32" to "syswow64". A
    # file that only the other view's system folder holds, and one that only
    # this program's own holds, named as an installer of that view writes them.
    folders = {"32": "syswow64", "64": "system32"}
    for bits, name in (("32", "talven-in-32.ocx"), ("64", "talven-in-64.ocx")):
        with open(os.path.join(PREFIX, "drive_c", "windows", folders[bits], name), "wb") as made:
            made.write(b"MZ")
    THERE, NOT_THERE = f"talven-in-{OTHER}.ocx", f"talven-in-{BITS}.ocx"
    H, I, J = ("{5A700000-0000-0000-0000-00000000007A}", "{5A800000-0000-0000-0000-00000000008A}",
               "{5A900000-0000-0000-0000-00000000009A}")
    check(reg_import(control(H, "Heath", f"C:\\\\windows\\\\system32\\\\{THERE}")
                     + control(I, "Ivy", f"C:\\\\windows\\\\system32\\\\{NOT_THERE}")
                     + control(J, "Juniper", THERE), "servers.reg", ["/reg:" + OTHER]) == 0,
          "controls of the other view whose servers lie in one view's system folder alone")
    code, out, _ = ctl("list", "--format", "json", "--view", OTHER)
    seen = {row["clsid"]: row for row in json.loads(out)} if code in (0, 2) else {}
    check({c: seen.get(c, {}).get("server_state") for c in (H, I, J)} == {H: "present", I: "missing", J: "present"}
          and folders[OTHER] in (seen.get(J, {}).get("server_note") or "").lower(),
          f"list --view {OTHER}: each server as that view's loader finds it: "
          + str({c: (seen.get(c, {}).get("server_state"), seen.get(c, {}).get("server_note")) for c in (H, I, J)}))
    code, out, _ = ctl("remove", "--missing", "--view", OTHER, "--yes")
    check(exists(f"CLSID\\{H}", OTHER) and exists(f"CLSID\\{J}", OTHER) and not exists(f"CLSID\\{I}", OTHER),
          f"remove --missing --view {OTHER}: the live controls stay, the dead one goes")


# Each way a server path may be written, as the loader reads it, registered
# alike in both views and judged as each view's loader finds it: its state
# and why, in list, and what remove --missing takes.
def servers():
    OTHER = "64" if BITS == "32" else "32"
    drive = os.path.join(PREFIX, "drive_c")
    for name in ("noext.dll", "plain.ocx", "bare", "cwd/rel-only.ocx", "cwd/bin/rel-only.ocx", "rel/drive-rel.ocx",
                 "path/in-path.ocx"):
        os.makedirs(os.path.dirname(os.path.join(drive, "talven-srv", name)), exist_ok=True)
        with open(os.path.join(drive, "talven-srv", name), "wb") as made:
            made.write(b"MZ")
    for bits, folder in (("32", "syswow64"), ("64", "system32")):
        with open(os.path.join(drive, "windows", folder, f"talven-in-{bits}.ocx"), "wb") as made:
            made.write(b"MZ")
    beside = ("unchecked", "found in no folder every program searches; it may lie beside the program that loads it")
    present, missing = ("present", None), ("missing", "")
    # Each path as written in the registry; in the .reg file, escaped.
    table = [
        (r"C:\talven-srv\noext", present, present),
        (r"C:\talven-srv\noext.", missing, missing),
        (r"C:\talven-srv\bare.", present, present),
        (r"C:\talven-srv\bare", missing, missing),
        (r"C:\talven-srv\gone.ocx", missing, missing),
        (r"C:/talven-srv/plain.ocx", present, present),
        (r"\\?\C:\talven-srv\plain.ocx", present, present),
        (r"\\.\C:\talven-srv\plain.ocx", present, present),
        (r"\\?\UNC\talven-nowhere\share\x.ocx", ("unchecked", "a network path, not visited"),
         ("unchecked", "a network path, not visited")),
        (r'"C:\talven-srv\plain.ocx" /s', present, present),
        ("beside-host.ocx", beside, beside),
        ("rel-only.ocx", beside, beside),
        ("drive-rel.ocx", beside, beside),
        ("in-path.ocx", present, present),
        # The redirected folders with forward slashes: each view's loader
        # finds its own system folder's file, and not the other's.
        (f"C:/windows/system32/talven-in-{BITS}.ocx", present, missing),
        (f"C:/windows/system32/talven-in-{OTHER}.ocx", missing, present),
    ]
    text = "".join(control(f"{{6B0000{i:02d}-0000-0000-0000-000000000000}}", f"Server {i:02d}",
                           server.replace("\\", "\\\\").replace('"', '\\"'))
                   for i, (server, _, _) in enumerate(table))
    check(reg_import(text, "own.reg") == 0 and reg_import(text, "other.reg", ["/reg:" + OTHER]) == 0,
          "the table laid out in both views")
    where = {"env": {"WINEPATH": r".;bin;\talven-srv\rel;C:\talven-srv\path"},
             "cwd": os.path.join(drive, "talven-srv", "cwd")}
    for view, column in ((BITS, 1), (OTHER, 2)):
        options = [] if view == BITS else ["--view", view]
        code, out, _ = ctl("list", "--format", "json", *options, **where)
        rows = {row["clsid"]: row for row in json.loads(out)} if code in (0, 2) else {}
        for i, row in enumerate(table):
            clsid = f"{{6B0000{i:02d}-0000-0000-0000-000000000000}}"
            state, note = row[column]
            got = rows.get(clsid, {})
            check(got.get("server_state") == state and (note is None or (got.get("server_note") or "") == note),
                  f"the {view}-bit view: {row[0]!r} {state} {note or ''} ({got.get('server_state')}, "
                  f"{got.get('server_note')})")
        code, out, _ = ctl("remove", "--missing", "--yes", *options, **where)
        code, out, _ = ctl("list", "--format", "json", *options, **where)
        left = {row["clsid"] for row in json.loads(out)} if code in (0, 2) else set()
        kept = {f"{{6B0000{i:02d}-0000-0000-0000-000000000000}}" for i, row in enumerate(table) if row[column] != missing}
        ours = {f"{{6B0000{i:02d}-0000-0000-0000-000000000000}}" for i in range(len(table))}
        check(left & ours == kept, f"the {view}-bit view: remove --missing took the missing alone "
                                   f"({sorted(ours - left)} gone)")


# Names in every script: the released program's manifest makes its code page
# UTF-8 whatever the locale, here one whose own code page (1252) spells
# none of them; each control is listed with its true names and removed
# whole (ProgID tree, library, class), in both stores and both views. A key
# name holding an unpaired surrogate, which UTF-8 cannot spell, refuses its
# removal with nothing deleted.
SCRIPTS = [
    ("Cyrillic", "Календарь Control", "Календарь.Control", "Библиотеки", "Элементы\\календарь.ocx"),
    ("Greek", "Ημερολόγιο Control", "Ημερολόγιο.Control", "Βιβλιοθήκες", "Στοιχεία\\ημερολόγιο.ocx"),
    ("CJK", "日本語カレンダー", "日本語.カレンダー", "ライブラリ", "部品\\日本語.ocx"),
    ("Hebrew", "לוח שנה", "לוח.שנה", "ספריות", "רכיבים\\לוח.ocx"),
    ("outside the Basic Multilingual Plane", "Emoji \U0001F600 Control", "Emoji.\U0001F600",
     "\U0001F4DA", "\U0001F600\\x.ocx"),
]


def scripts():
    OTHER = "64" if BITS == "32" else "32"
    where = {"env": {"LC_ALL": "en_US.UTF-8"}}
    placed = []
    text = ""
    for n, ((store, view), script) in enumerate((s, c) for s in (("machine", BITS), ("machine", OTHER),
                                                                 ("user", BITS), ("user", OTHER)) for c in SCRIPTS):
        what, name, progid, folder, server = script
        clsid = f"{{5E{n:06X}-0000-0000-0000-00000000005E}}"
        lib = f"{{7E{n:06X}-0000-0000-0000-00000000007E}}"
        progid = f"{progid}.{n}"
        hive = "HKEY_LOCAL_MACHINE" if store == "machine" else "HKEY_CURRENT_USER"
        root = f"{hive}\\Software\\Classes"
        classes_root = root + ("\\Wow6432Node" if view == "32" else "")
        key = f"{classes_root}\\CLSID\\{clsid}"
        server_path = f"C:\\{server}"
        text += (f'[{key}]\n@="{name}"\n[{key}\\Control]\n[{key}\\InprocServer32]\n'
                 f'@="{server_path.replace(chr(92), chr(92) * 2)}"\n'
                 f'[{key}\\ProgID]\n@="{progid}"\n[{key}\\Typelib]\n@="{lib}"\n'
                 f'[{root}\\{progid}]\n@="{name}"\n[{root}\\{progid}\\CLSID]\n@="{clsid}"\n'
                 f'[{root}\\TypeLib\\{lib}\\1.0\\0\\win32]\n@="C:\\\\{folder}\\\\{progid}.tlb"\n')
        placed.append((store, view, what, clsid, lib, name, progid, server_path))
    check(reg_import(text, "scripts.reg", ["/reg:64"]) == 0, "controls named in every script laid out")
    for store, view in (("machine", BITS), ("machine", OTHER), ("user", BITS), ("user", OTHER)):
        options = (["--store", "user"] if store == "user" else []) + (["--view", view] if view != BITS else [])
        ours = [p for p in placed if p[0] == store and p[1] == view]
        code, out, _ = ctl("list", "--format", "json", *options, **where)
        rows = {row["clsid"]: row for row in json.loads(out)} if code in (0, 2) else {}
        for _, _, what, clsid, lib, name, progid, server_path in ours:
            row = rows.get(clsid, {})
            check((row.get("name"), row.get("progid"), row.get("typelib"), row.get("server"))
                  == (name, progid, lib, server_path),
                  f"the {store}'s store, the {view}-bit view: {what}: listed as registered "
                  f"({row.get('name')!r}, {row.get('progid')!r}, {row.get('server')!r})")
        # The server column begins at one character for every name.
        code, out, _ = ctl("list", *options, **where)
        starts = {line.index(p[7]) for p in ours for line in out.splitlines() if p[3] in line}
        check(len(starts) == 1, f"the {store}'s store, the {view}-bit view: list's columns line up by characters")
        if (store, view) == ("machine", BITS):
            # A backup of names in every script, which reg import restores as they were.
            first = ours[0]
            before = ctl("list", "--format", "json", **where)[1]
            code, out, _ = ctl("remove", first[3], "--backup", "C:\\scripts-backup.reg", "--yes", **where)
            restored = run("reg", "import", "C:\\scripts-backup.reg", *VIEW)[0]
            check(code == 0 and restored == 0 and ctl("list", "--format", "json", **where)[1] == before,
                  f"{first[2]}: removed with a backup, which reg import put back as it was")
        for _, _, what, clsid, lib, name, progid, server_path in ours:
            code, out, _ = ctl("remove", clsid, "--yes", *options, **where)
            check(code == 0 and out.startswith(f"removed {clsid}  {name} from the {store}'s store"),
                  f"the {store}'s store, the {view}-bit view: {what}: removed ({out.strip()!r})")
            below = "Wow6432Node\\" if view == "32" else ""
            hive = "HKLM" if store == "machine" else "HKCU"
            gone = [run("reg", "query", f"{hive}\\Software\\Classes\\{path}", "/reg:64")[0] != 0
                    for path in (f"{below}CLSID\\{clsid}", progid, f"TypeLib\\{lib}")]
            check(gone == [True, True, True], f"the {store}'s store, the {view}-bit view: {what}: "
                                              f"class, ProgID and library gone {gone}")
    # A key whose name holds an unpaired surrogate: nothing of its control goes.
    clsid = "{5EFFFFFF-0000-0000-0000-00000000005E}"
    key = f"HKEY_LOCAL_MACHINE\\Software\\Classes\\{'Wow6432Node' + chr(92) if BITS == '32' else ''}CLSID\\{clsid}"
    check(reg_import(f'[{key}]\n@="Unpaired"\n[{key}\\Control]\n[{key}\\InprocServer32]\n@="C:\\\\u.ocx"\n'
                     f'[{key}\\Half \ud800 pair]\n', "unpaired.reg", ["/reg:64"]) == 0,
          "a control whose class tree holds a name with an unpaired surrogate")
    before = classes()
    code, out, _ = ctl("remove", clsid, "--yes", **where)
    check(code == 2 and out.startswith(f"refused {clsid}") and "cannot spell exactly" in out and classes() == before,
          f"its removal refused, nothing deleted ({out.strip()!r})")


# The race of a key swapped for a link while the removal holds it: in each
# store and each view, another program (key_racer) waits until the removal
# has begun deleting the 2,000 subkeys of "Big" in the class tree, renames
# "Big" away and links its name to a key outside the registration. The
# removal deletes the key it checked, through its own handle, and stops at
# the link, saying so; the link's target stays.
def race():
    racer_exe = sys.argv[6]
    OTHER = "64" if BITS == "32" else "32"
    VICTIM = "HKEY_LOCAL_MACHINE\\Software\\AcceVictim\\Leaf"
    check(reg_import(f'[{VICTIM}]\n@="not the control\'s"\n', "victim.reg", ["/reg:64"]) == 0, "the victim laid out")
    for number, (store, view) in enumerate((("machine", BITS), ("machine", OTHER), ("user", BITS), ("user", OTHER))):
        clsid = f"{{5AD0000{number}-0000-0000-0000-00000000000D}}"
        hive = "HKEY_LOCAL_MACHINE" if store == "machine" else "HKEY_CURRENT_USER"
        below = "Wow6432Node\\" if view == "32" else ""
        classes_path = f"Software\\Classes\\{below}CLSID\\{clsid}"
        layout = (f'[{hive}\\{classes_path}]\n@="Racing Gauge"\n[{hive}\\{classes_path}\\Control]\n'
                  f'[{hive}\\{classes_path}\\InprocServer32]\n@="C:\\\\gone\\\\racing.ocx"\n'
                  + "".join(f"[{hive}\\{classes_path}\\Big\\leaf{i:04d}]\n" for i in range(2000)))
        what = f"the {store}'s store, the {view}-bit view"
        check(reg_import(layout, "race.reg", ["/reg:64"]) == 0, f"{what}: a control with 2,000 keys below Big")
        options = (["--store", "user"] if store == "user" else []) + (["--view", view] if view != BITS else [])
        with tempfile.TemporaryFile() as said:
            racer = subprocess.Popen([WINE_RUN, PREFIX, racer_exe, "HKCU" if store == "user" else "HKLM",
                                      classes_path + "\\Big",
                                      "\\Registry\\Machine\\Software\\AcceVictim\\Leaf"],
                                     stdin=subprocess.DEVNULL, stdout=said, stderr=subprocess.DEVNULL)
            deadline = time.time() + 120
            while b"watching" not in (said.seek(0) or said.read()) and racer.poll() is None and time.time() < deadline:
                time.sleep(0.05)
            code, out, _ = ctl("remove", clsid, "--yes", *options)
            racer.wait(timeout=150)
            said.seek(0)
            racer_said = said.read().decode("utf-8", "replace")
        check("swapped" in racer_said, f"{what}: the racer swapped Big for a link while the removal ran ({racer_said.strip()!r})")
        check(code == 2 and f"failed {clsid}" in out and "a registry link at " in out and "Big" in out,
              f"{what}: the removal stopped at the link and said so ({out.strip()!r})")
        check(run("reg", "query", VICTIM, "/reg:64")[0] == 0, f"{what}: the link's target is still there")


{"machine": machine, "user": user, "views": views, "servers": servers, "scripts": scripts, "race": race}[PART]()
# A part that checked nothing proves nothing.
check(CHECKS[0] > 1, f"{PART}: {CHECKS[0]} checks made")
print(f"{len(FAILURES)} checks failed")
sys.exit(1 if FAILURES else 0)
