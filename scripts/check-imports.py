#!/usr/bin/env python3
"""Judges whether a Windows executable can start on the oldest Windows it is
meant for: every name in its import table, its PE header versions and its
embedded manifest.

Usage: check-imports.py EXE --windows VERSION [--compiler CC] [--objdump TOOL]
                        [--names FILE] [--msvcrt FILE] [--list]
  VERSION   the oldest Windows: 5.0 (2000), 5.1 (XP), 5.1.2 (XP SP2), 5.2 ...
  --list    print every import by DLL before the verdict
  --delete-on-failure  remove EXE when it cannot start, so that a build
            that made it is not taken as done the next time

An imported name is too new when the mingw-w64 headers, compiled with
_WIN32_WINNT set to the oldest Windows, do not declare it although newer
settings do, or when scripts/imports/newer-windows-names.txt gives it a later
first version; names from msvcrt.dll must be in scripts/imports/msvcrt-xp.txt.
A name neither the headers nor the lists know fails too: it cannot be judged.
Exits 0 when everything holds, 1 with one line per fault otherwise.
"""
import argparse
import fnmatch
import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import xml.parsers.expat

HERE = pathlib.Path(__file__).resolve().parent
NEWEST_WINNT = 0x0A00
PROBE_HEADERS = ["winsock2.h", "ws2tcpip.h", "windows.h", "iphlpapi.h", "icmpapi.h",
                 "wininet.h", "commctrl.h", "shellapi.h", "shlobj.h", "objbase.h",
                 "oleauto.h", "psapi.h", "tlhelp32.h", "wincrypt.h",
                 "windns.h", "uxtheme.h", "wtsapi32.h", "winver.h", "userenv.h"]


def version(text):
    return tuple(int(part) for part in text.split("."))


def show(ver):
    return ".".join(str(part) for part in ver)


def winnt(ver):
    return (ver[0] << 8) | (ver[1] if len(ver) > 1 else 0)


# --- the import table and the header fields, as objdump shows them ----------

def read_pe(objdump, exe):
    text = subprocess.run([objdump, "-p", str(exe)], check=True, capture_output=True,
                          text=True).stdout
    fields = dict(re.findall(r"^(\w+)\s+(\S+)", text, re.M))
    imports = {}
    dll = None
    for line in text.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            dll = named.group(1)
            imports.setdefault(dll, [])
            continue
        if dll is None:
            continue
        entry = re.match(r"\s+[0-9a-f]+\s+(\d+)\s+(\S+)\s*$", line)
        if entry:
            imports[dll].append(entry.group(2))
        elif re.match(r"\s+[0-9a-f]+\s+<none>", line) or "Ordinal" in line:
            imports[dll].append("#ordinal")
        elif not line.strip():
            dll = None
    return fields, imports


# --- the lists ------------------------------------------------------------------

def read_names(path):
    """{(dll or None, name): version}, {dll pattern: version}; a name without
    a version was there from Windows 2000 on."""
    names, dlls = {}, {}
    for line in pathlib.Path(path).read_text().splitlines():
        words = line.split("#", 1)[0].split() + ["5.0"]
        if words[0] == "DLL":
            dlls[words[1].lower()] = version(words[2])
        elif words[0] != "5.0":
            dll, _, name = words[0].rpartition("!")
            names[(dll.lower() or None, name)] = version(words[1])
    return names, dlls


# --- the header probe --------------------------------------------------------------

def undeclared(compiler, names, setting):
    """The names that the headers do not declare with _WIN32_WINNT=setting."""
    if not names:
        return set()
    lines = ["#define _WIN32_WINNT 0x%04x" % setting, "#define WINVER 0x%04x" % setting]
    lines += ["#include <%s>" % header for header in PROBE_HEADERS]
    first = len(lines) + 1
    lines += ["static const void *probe_%d = (const void *)&%s;" % (i, name)
              for i, name in enumerate(names)]
    with tempfile.TemporaryDirectory() as work:
        source = pathlib.Path(work) / "probe.c"
        source.write_text("\n".join(lines) + "\n")
        result = subprocess.run([compiler, "-fsyntax-only", "-fmax-errors=0", "-w",
                                 str(source)], capture_output=True, text=True)
    missing = set()
    for number in re.findall(r"probe\.c:(\d+):\d+: error", result.stderr):
        index = int(number) - first
        if 0 <= index < len(names):
            missing.add(names[index])
    if result.returncode != 0 and not missing:
        raise RuntimeError("the header probe does not compile:\n" + result.stderr[-2000:])
    return missing


# --- the embedded manifest -------------------------------------------------------

def embedded_manifest(exe):
    """The RT_MANIFEST resource (type 24) of a PE file, or None."""
    data = pathlib.Path(exe).read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if not resource_size:
        return None
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            size, start, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            if start <= rva < start + max(size, raw_size):
                return raw + rva - start
        raise ValueError("RVA 0x%x lies in no section" % rva)

    base = offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, directory + 16 + 8 * i)

    for ident, target in entries(base):
        if ident == 24 and target & 0x80000000:
            for _, name_target in entries(base + (target & 0x7FFFFFFF)):
                for _, leaf in entries(base + (name_target & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", data, base + leaf)
                    return data[offset(rva):offset(rva) + size]
    return None


ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
# What XP's side-by-side loader accepts directly inside <assembly> in the
# asm.v1 namespace; anything else there ("application configuration is
# incorrect") keeps the program from starting. Other namespaces it ignores.
XP_ASSEMBLY_CHILDREN = {"assemblyIdentity", "description", "dependency", "file", "noInherit",
                        "noInheritable", "comInterfaceExternalProxyStub"}


def manifest_faults(text):
    faults = []
    parser = xml.parsers.expat.ParserCreate(namespace_separator=" ")
    declared = []
    path = []

    def declare(prefix, uri):
        declared.append(uri)

    def start(name, attributes):
        uri, _, local = name.rpartition(" ")
        if len(declared) != len(set(declared)):
            # XP SP2's csrss corrupts its memory on such a tag and the
            # machine restarts.
            faults.append("manifest: <%s> declares one namespace twice" % local)
        declared.clear()
        if path == [(ASM_V1, "assembly")] and uri == ASM_V1 and local not in XP_ASSEMBLY_CHILDREN:
            faults.append("manifest: <%s> in the asm.v1 namespace stops Windows XP "
                          "(give it its own namespace)" % local)
        path.append((uri, local))

    parser.StartNamespaceDeclHandler = declare
    parser.StartElementHandler = start
    parser.EndElementHandler = lambda name: path.pop()
    try:
        parser.Parse(text, True)
    except xml.parsers.expat.ExpatError as error:
        faults.append("manifest: not well-formed XML (%s)" % error)
    return faults


# --- the verdict -----------------------------------------------------------------

def judge(exe, oldest, compiler, objdump, names_file, msvcrt_file, listing=False):
    fields, imports = read_pe(objdump, exe)
    names, dlls = read_names(names_file)
    msvcrt = {name: first for (_, name), first in read_names(msvcrt_file)[0].items()}
    faults = []

    if compiler is None:
        compiler = ("x86_64" if fields.get("Magic") == "020b" else "i686") + \
            "-w64-mingw32-gcc-posix"

    for label, major, minor in (("OS version", "MajorOSystemVersion", "MinorOSystemVersion"),
                                ("subsystem version", "MajorSubsystemVersion",
                                 "MinorSubsystemVersion")):
        stated = (int(fields[major]), int(fields[minor]))
        if stated > oldest[:2]:
            faults.append("PE header: %s %s is above Windows %s, whose loader refuses it"
                          % (label, show(stated), show(oldest)))

    to_probe = []
    for dll, functions in sorted(imports.items()):
        key = dll.lower()
        if listing:
            print("%s: %s" % (dll, " ".join(functions)))
        for pattern, first in dlls.items():
            if fnmatch.fnmatch(key, pattern) and first > oldest:
                faults.append("%s: the whole DLL first came with Windows %s" % (dll, show(first)))
        for name in functions:
            if name == "#ordinal":
                faults.append("%s: an import by ordinal cannot be judged" % dll)
            elif key == "msvcrt.dll":
                if name not in msvcrt:
                    faults.append("%s!%s: not exported by the msvcrt.dll of Windows XP"
                                  % (dll, name))
                elif msvcrt[name] > oldest:
                    faults.append("%s!%s: first in the msvcrt.dll of Windows %s"
                                  % (dll, name, show(msvcrt[name])))
            elif (key, name) in names or (None, name) in names:
                first = names.get((key, name), names.get((None, name)))
                if first > oldest:
                    faults.append("%s!%s: first in Windows %s" % (dll, name, show(first)))
            else:
                to_probe.append((dll, name))

    probed = sorted({name for _, name in to_probe})
    hidden = undeclared(compiler, probed, winnt(oldest))
    unknown = undeclared(compiler, sorted(hidden), NEWEST_WINNT)
    for dll, name in to_probe:
        if name in unknown:
            faults.append("%s!%s: the headers do not declare it and no list knows it; "
                          "list it in scripts/imports/ once its first Windows is known"
                          % (dll, name))
        elif name in hidden:
            faults.append("%s!%s: the headers declare it only above _WIN32_WINNT 0x%04x"
                          % (dll, name, winnt(oldest)))

    manifest = embedded_manifest(exe)
    if manifest is not None:
        faults += manifest_faults(manifest)

    count = sum(len(functions) for functions in imports.values())
    print("%s: %d imports from %d DLLs; OS version %s.%s, subsystem version %s.%s"
          % (pathlib.Path(exe).name, count, len(imports), fields["MajorOSystemVersion"],
             fields["MinorOSystemVersion"], fields["MajorSubsystemVersion"],
             fields["MinorSubsystemVersion"]))
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("exe")
    parser.add_argument("--windows", required=True, type=version)
    parser.add_argument("--compiler")
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("--names", default=HERE / "imports" / "newer-windows-names.txt")
    parser.add_argument("--msvcrt", default=HERE / "imports" / "msvcrt-xp.txt")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--delete-on-failure", action="store_true")
    args = parser.parse_args()
    faults = judge(args.exe, args.windows, args.compiler, args.objdump, args.names,
                   args.msvcrt, args.list)
    for fault in faults:
        print("  - " + fault)
    print("%s: %s on Windows %s" % (pathlib.Path(args.exe).name,
                                    "cannot start" if faults else "starts",
                                    show(args.windows)))
    if faults and args.delete_on_failure:
        pathlib.Path(args.exe).unlink()
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
