#!/usr/bin/env python3
"""The import judge (scripts/check-imports.py) against small programs built
here with the 32-bit cross compiler, and against the two shipped builds.

Usage: check_imports_test.py [--junit FILE]
  PLOVER_I686_EXE, PLOVER_X86_64_EXE  the shipped builds (default build/*/PloverTool.exe)
"""
import os
import pathlib
import runpy
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLES = pathlib.Path(__file__).resolve().parent / "samples"
JUDGE = ROOT / "scripts" / "check-imports.py"
CC = "i686-w64-mingw32-gcc-posix"
WINDRES = "i686-w64-mingw32-windres"
DLLTOOL = "i686-w64-mingw32-dlltool"
WORK = pathlib.Path(tempfile.mkdtemp(prefix="plover-imports-"))

SHIPPED_MANIFEST = (ROOT / "app" / "resources" / "PloverTool.manifest").read_text()
V1_TRUSTINFO = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Sample" version="1.0.0.0"/>
  <trustInfo><security><requestedPrivileges>
    <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
  </requestedPrivileges></security></trustInfo>
</assembly>
"""
DOUBLE_NAMESPACE = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Sample" version="1.0.0.0"/>
  <ms_asmv3:trustInfo xmlns:ms_asmv3="urn:schemas-microsoft-com:asm.v3"
                      xmlns="urn:schemas-microsoft-com:asm.v3">
    <security><requestedPrivileges>
      <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
    </requestedPrivileges></security>
  </ms_asmv3:trustInfo>
</assembly>
"""


def build(name, source, *flags, manifest=None, libraries=()):
    """Links samples/SOURCE into WORK/NAME.exe and returns its path."""
    exe = WORK / (name + ".exe")
    inputs = [str(SAMPLES / source)]
    if manifest is not None:
        (WORK / "manifest.xml").write_text(manifest)
        resource = WORK / (name + ".res.o")
        subprocess.run([WINDRES, "-I", str(WORK), str(SAMPLES / "manifest.rc"), "-o",
                        str(resource)], check=True, cwd=WORK)
        inputs.append(str(resource))
    subprocess.run([CC, "-O1", "-o", str(exe), *flags, *inputs, *libraries], check=True)
    return exe


def judge(exe, windows, *extra):
    result = subprocess.run([sys.executable, str(JUDGE), str(exe), "--windows", windows,
                             *extra], capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout + result.stderr


def shipped(variable, preset):
    return pathlib.Path(os.environ.get(variable, ROOT / "build" / preset / "PloverTool.exe"))


class TooNewImports(unittest.TestCase):
    def test_get_tick_count64_stops_xp_and_2000_but_not_vista(self):
        exe = build("uptime64", "uptime64.c", "-D_WIN32_WINNT=0x0600")
        for windows in ("5.1.2", "5.0", "5.2"):
            status, output = judge(exe, windows)
            self.assertEqual(status, 1, output)
            self.assertIn("KERNEL32.dll!GetTickCount64: first in Windows 6.0", output)
            self.assertIn("cannot start on Windows " + windows, output)
        status, output = judge(exe, "6.0")
        self.assertEqual(status, 0, output)

    def test_the_headers_alone_catch_get_tick_count64(self):
        exe = build("uptime64", "uptime64.c", "-D_WIN32_WINNT=0x0600")
        empty = WORK / "no-names.txt"
        empty.write_text("# nothing\n")
        status, output = judge(exe, "5.1.2", "--names", str(empty))
        self.assertEqual(status, 1, output)
        self.assertIn("GetTickCount64: the headers declare it only above _WIN32_WINNT 0x0501",
                      output)

    def test_an_xp_name_the_headers_do_not_guard_is_judged_by_the_list(self):
        exe = build("vectored", "vectored.c")
        self.assertEqual(judge(exe, "5.1")[0], 0)
        status, output = judge(exe, "5.0")
        self.assertEqual(status, 1, output)
        self.assertIn("AddVectoredExceptionHandler: first in Windows 5.1", output)

    def test_a_name_nobody_knows_cannot_pass(self):
        library = WORK / "libunknown.a"
        subprocess.run([DLLTOOL, "-k", "-d", str(SAMPLES / "unknown.def"), "-l", str(library)],
                       check=True)
        exe = build("unknown", "unknown.c", libraries=[str(library)])
        status, output = judge(exe, "6.1")
        self.assertEqual(status, 1, output)
        self.assertIn("kernel32.dll!PloverNoSuchFunction: the headers do not declare it", output)

    def test_old_imports_pass_on_2000_and_are_listed_by_dll(self):
        exe = build("classic", "classic.c")
        status, output = judge(exe, "5.0", "--list")
        self.assertEqual(status, 0, output)
        self.assertRegex(output, r"KERNEL32\.dll: .*\bCreateEventA\b")
        self.assertRegex(output, r"msvcrt\.dll: .*\bmalloc\b")


class RuntimeLibraryImports(unittest.TestCase):
    def test_a_secure_crt_function_is_not_in_the_xp_msvcrt(self):
        exe = build("secure_crt", "secure_crt.c")
        status, output = judge(exe, "5.1.2")
        self.assertEqual(status, 1, output)
        self.assertIn("msvcrt.dll!strcpy_s: not exported by the msvcrt.dll of Windows XP", output)

    def test_a_function_new_in_the_xp_msvcrt_stops_2000_only(self):
        exe = build("time64", "time64.c")
        self.assertEqual(judge(exe, "5.1")[0], 0)
        status, output = judge(exe, "5.0")
        self.assertEqual(status, 1, output)
        self.assertIn("msvcrt.dll!_time64: first in the msvcrt.dll of Windows 5.1", output)


class HeaderAndManifest(unittest.TestCase):
    def test_a_subsystem_version_above_the_oldest_windows_fails(self):
        exe = build("subsystem6", "classic.c", "-Wl,--major-subsystem-version,6",
                    "-Wl,--minor-subsystem-version,0")
        status, output = judge(exe, "5.1.2")
        self.assertEqual(status, 1, output)
        self.assertIn("subsystem version 6.0 is above Windows 5.1.2", output)

    def test_manifests_that_xp_refuses_fail(self):
        exe = build("v1trust", "classic.c", manifest=V1_TRUSTINFO)
        status, output = judge(exe, "5.1.2")
        self.assertEqual(status, 1, output)
        self.assertIn("<trustInfo> in the asm.v1 namespace stops Windows XP", output)
        exe = build("doublens", "classic.c", manifest=DOUBLE_NAMESPACE)
        status, output = judge(exe, "5.1.2")
        self.assertEqual(status, 1, output)
        self.assertIn("<trustInfo> declares one namespace twice", output)

    def test_the_shipped_manifest_passes(self):
        exe = build("shippedmanifest", "classic.c", manifest=SHIPPED_MANIFEST)
        status, output = judge(exe, "5.0")
        self.assertEqual(status, 0, output)


class ShippedBuilds(unittest.TestCase):
    def check(self, exe, windows, header):
        if not exe.exists():
            self.fail("%s is not built" % exe)
        status, output = judge(exe, windows, "--list")
        self.assertEqual(status, 0, output)
        self.assertIn("OS version %s, subsystem version %s" % (header, header), output)
        self.assertNotIn("GetTickCount64", output)
        return output

    def test_the_32_bit_program_starts_on_windows_2000(self):
        self.check(shipped("PLOVER_I686_EXE", "mingw-i686"), "5.0", "5.0")

    def test_the_64_bit_program_starts_on_xp_x64(self):
        self.check(shipped("PLOVER_X86_64_EXE", "mingw-x86_64"), "5.2", "5.2")

    def test_the_embedded_manifest_names_what_the_program_needs_and_supports(self):
        embedded_manifest = runpy.run_path(str(JUDGE))["embedded_manifest"]
        manifest = embedded_manifest(shipped("PLOVER_I686_EXE", "mingw-i686"))
        self.assertIsNotNone(manifest, "no manifest resource in the 32-bit program")
        manifest = manifest.decode("utf-8")
        for needed in ('level="requireAdministrator"', 'name="Microsoft.Windows.Common-Controls"',
                       'version="6.0.0.0"',
                       # Vista, the newest Windows the program is made for.
                       'supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"'):
            self.assertIn(needed, manifest)


class JUnitResult(unittest.TextTestResult):
    """Also keeps each outcome for a JUnit file."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.cases = []

    def startTest(self, test):
        self.started = time.monotonic()
        super().startTest(test)

    def record(self, test, failure=None):
        self.cases.append((test, time.monotonic() - self.started, failure))

    def addSuccess(self, test):
        super().addSuccess(test)
        self.record(test)

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.record(test, self.failures[-1][1])

    def addError(self, test, err):
        super().addError(test, err)
        self.record(test, self.errors[-1][1])


def main():
    junit = sys.argv[sys.argv.index("--junit") + 1] if "--junit" in sys.argv else None
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    try:
        result = unittest.TextTestRunner(resultclass=JUnitResult, verbosity=2).run(suite)
    finally:
        shutil.rmtree(WORK, ignore_errors=True)
    if junit:
        root = ET.Element("testsuite", name="imports", tests=str(len(result.cases)),
                          failures=str(len(result.failures) + len(result.errors)))
        for test, seconds, failure in result.cases:
            case = ET.SubElement(root, "testcase", classname=type(test).__name__,
                                 name=test._testMethodName, time="%.3f" % seconds)
            if failure:
                ET.SubElement(case, "failure", message=failure.splitlines()[-1]).text = failure
        ET.ElementTree(root).write(junit, encoding="unicode")
    failed = len(result.failures) + len(result.errors)
    print("%d passed, %d failed" % (result.testsRun - failed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
