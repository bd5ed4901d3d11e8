#!/usr/bin/env python3
"""Checks what Windows sees of a built Varnelo.exe before it runs a line of it.

    check_pe.py --objdump TOOL --manifest resources/Varnelo.manifest --bits 32 Varnelo.exe
    check_pe.py --objdump TOOL --bits 64 --imports-only Varnelo.exe
    check_pe.py --objdump TOOL --manifest ... --self-test Varnelo.exe

The header (PE32 or PE32+, GUI subsystem) and the resources (the "DEFAULT_ICON" group with its
64 x 64 32-bit image, the manifest) are read from the file itself; the imported DLLs are taken from
the cross binutils' objdump, as a developer would look them up. --self-test damages copies of the
program one fault at a time and expects each to be caught, so the checks are known to bite.
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

# The DLLs every Windows has; the program is linked statically against everything else.
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll",
                   "ole32.dll", "msvcrt.dll"}
MACHINES = {32: 0x14C, 64: 0x8664}
MAGICS = {32: 0x10B, 64: 0x20B}
SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
MANIFEST_ID = 1  # CREATEPROCESS_MANIFEST_RESOURCE_ID
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                   "version": "6.0.0.0", "processorArchitecture": "*",
                   "publicKeyToken": "6595b64144ccf1df", "language": "*"}


class Fault(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Fault(message)


class PeImage:
    def __init__(self, data):
        self.data = data
        expect(data[:2] == b"MZ", "no MZ header")
        (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
        expect(data[pe_offset:pe_offset + 4] == b"PE\0\0", "no PE signature")
        coff = pe_offset + 4
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        (self.magic,) = struct.unpack_from("<H", data, optional)
        (self.subsystem,) = struct.unpack_from("<H", data, optional + 68)
        directories = optional + (96 if self.magic == MAGICS[32] else 112)
        self.resource_rva, self.resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for index in range(sections):
            name, virtual_size, rva, raw_size, raw_offset = struct.unpack_from(
                "<8sIIII", data, table + 40 * index)
            self.sections.append((name.rstrip(b"\0"), rva, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise Fault(f"address 0x{rva:x} lies in no section")

    def resources(self):
        """{type: {name: bytes}}; names are numbers or upper-case strings, first language only."""
        expect(self.resource_rva, "no resource section")
        base = self.offset(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for index in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * index)
                if key & 0x80000000:
                    string = base + (key & 0x7FFFFFFF)
                    (length,) = struct.unpack_from("<H", self.data, string)
                    key = self.data[string + 2:string + 2 + 2 * length].decode("utf-16-le")
                yield key, target

        found = {}
        for kind, names in entries(0):
            expect(names & 0x80000000, "resource type without a name level")
            for name, languages in entries(names & 0x7FFFFFFF):
                expect(languages & 0x80000000, "resource name without a language level")
                _, leaf = next(entries(languages & 0x7FFFFFFF))
                rva, size = struct.unpack_from("<II", self.data, base + leaf)
                start = self.offset(rva)
                found.setdefault(kind, {})[name] = self.data[start:start + size]
        return found


def imported_dlls(objdump, path):
    listing = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                             text=True).stdout
    return {line.split(":", 1)[1].strip().lower() for line in listing.splitlines()
            if line.strip().startswith("DLL Name:")}


def check_imports(objdump, path):
    dlls = imported_dlls(objdump, path)
    expect("kernel32.dll" in dlls, f"objdump lists no kernel32.dll import: {sorted(dlls)}")
    extra = dlls - ALLOWED_IMPORTS
    expect(not extra, f"imports DLLs beyond the system set: {sorted(extra)}")


def check_header(image, bits):
    expect(image.machine == MACHINES[bits], f"machine 0x{image.machine:x}, not {bits}-bit x86")
    expect(image.magic == MAGICS[bits], f"optional header magic 0x{image.magic:x}")
    expect(image.subsystem == SUBSYSTEM_WINDOWS_GUI, f"subsystem {image.subsystem}, not GUI")


def icon_size(image):
    """(width, height, bits per pixel) of an RT_ICON image: a DIB or a PNG."""
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        width, height, depth, colour = struct.unpack_from(">IIBB", image, 16)
        expect(colour == 6, f"PNG icon image of colour type {colour}, not RGBA")
        return width, height, depth * 4
    header, width, double_height, _, bits = struct.unpack_from("<IiiHH", image, 0)
    expect(header == 40, f"icon image with a {header}-byte bitmap header")
    return width, double_height // 2, bits


def check_icon(resources):
    groups = resources.get(RT_GROUP_ICON, {})
    expect("DEFAULT_ICON" in groups, f"no icon group DEFAULT_ICON among {sorted(map(str, groups))}")
    group = groups["DEFAULT_ICON"]
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    expect(reserved == 0 and kind == 1 and count >= 1, "DEFAULT_ICON is not an icon directory")
    sizes = []
    for index in range(count):
        width, height, _, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group,
                                                                      6 + 14 * index)
        expect(icon_id in resources.get(RT_ICON, {}), f"icon image {icon_id} is missing")
        actual = icon_size(resources[RT_ICON][icon_id])
        listed = (width or 256, height or 256, bits)
        expect(actual == listed, f"icon image {icon_id} is {actual}, its group says {listed}")
        sizes.append(actual)
    expect((64, 64, 32) in sizes, f"DEFAULT_ICON holds {sizes}, no 64 x 64 32-bit image")


def check_manifest(resources, source):
    manifests = resources.get(RT_MANIFEST, {})
    expect(list(manifests) == [MANIFEST_ID], f"manifest resources {sorted(map(str, manifests))}")
    embedded = manifests[MANIFEST_ID]
    with open(source, "rb") as file:
        expect(embedded == file.read(), f"embedded manifest differs from {source}")
    root = ET.fromstring(embedded)
    elements = [element.tag for element in root.iter()]
    wanted = [f"{{{ASM_V1}}}{tag}" for tag in
              ("assembly", "dependency", "dependentAssembly", "assemblyIdentity")]
    expect(elements == wanted, f"manifest declares {elements}, wanted only {wanted}")
    identity = root.find(f"{{{ASM_V1}}}dependency/{{{ASM_V1}}}dependentAssembly/"
                         f"{{{ASM_V1}}}assemblyIdentity")
    expect(identity.attrib == COMMON_CONTROLS,
           f"manifest depends on {identity.attrib}, not common controls 6")


def check(path, args):
    with open(path, "rb") as file:
        image = PeImage(file.read())
    check_header(image, args.bits)
    check_imports(args.objdump, path)
    if not args.imports_only:
        resources = image.resources()
        check_icon(resources)
        check_manifest(resources, args.manifest)


def patched(data, old, new, occurrence=0):
    """The program with the occurrence-th copy of old replaced by new, of the same length."""
    assert len(old) == len(new)
    at = -1
    for _ in range(occurrence + 1):
        at = data.find(old, at + 1)
        assert at >= 0, f"{old!r} not found in the program"
    return data[:at] + new + data[at + len(old):]


def subsystem_patch(data, value):
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    at = pe_offset + 24 + 68
    return data[:at] + struct.pack("<H", value) + data[at + 2:]


def group_width_patch(data):
    image = PeImage(data)
    group = image.resources()[RT_GROUP_ICON]["DEFAULT_ICON"]
    entry = data.find(group)
    return data[:entry + 6] + bytes([48]) + data[entry + 7:]


def utf16(text):
    return text.encode("utf-16-le")


def self_test(path, args):
    """Each damaged copy must fail with its own reason; the intact program must pass."""
    with open(path, "rb") as file:
        data = file.read()
    with open(args.manifest, "rb") as file:
        manifest = file.read()

    def both(old, new):
        """The same change to the program's manifest and to its source, past the comparison."""
        occurrences = manifest.count(old)
        damaged = data
        for occurrence in range(occurrences):
            damaged = patched(damaged, old, new)
        return damaged, manifest.replace(old, new)

    cases = [
        ("console subsystem", lambda: (subsystem_patch(data, 3), manifest), "not GUI"),
        ("an extra DLL", lambda: (patched(data, b"ole32.dll", b"olx32.dll"), manifest), "beyond"),
        ("renamed icon group",
         lambda: (patched(data, utf16("DEFAULT_ICON"), utf16("DEFAULT_ICOM")), manifest),
         "no icon group"),
        ("48-pixel icon entry", lambda: (group_width_patch(data), manifest), "its group says"),
        ("manifest out of date",
         lambda: (patched(data, b'version="6.0.0.0"', b'version="5.8.0.0"'), manifest),
         "differs"),
        ("common controls 5", lambda: both(b'version="6.0.0.0"', b'version="5.8.0.0"'),
         "not common controls 6"),
        ("another declaration", lambda: both(b"dependency>", b"dependencx>"), "wanted only"),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, damage, reason in cases:
            copy = os.path.join(folder, "Varnelo.exe")
            program, source = damage()
            with open(copy, "wb") as file:
                file.write(program)
            with open(os.path.join(folder, "Varnelo.manifest"), "wb") as file:
                file.write(source)
            damaged_args = argparse.Namespace(**vars(args))
            damaged_args.manifest = os.path.join(folder, "Varnelo.manifest")
            try:
                check(copy, damaged_args)
                print(f"FAIL {name}: the check passed the damaged program")
                failures += 1
            except Fault as fault:
                if reason in str(fault):
                    print(f"ok   {name}: {fault}")
                else:
                    print(f"FAIL {name}: caught for another reason: {fault}")
                    failures += 1
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--bits", type=int, choices=(32, 64), required=True)
    parser.add_argument("--manifest")
    parser.add_argument("--imports-only", action="store_true")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if not args.imports_only and not args.manifest:
        parser.error("--manifest is needed unless --imports-only")
    try:
        check(args.program, args)
    except Fault as fault:
        print(f"{args.program}: {fault}")
        return 1
    print(f"{args.program}: PE{'32' if args.bits == 32 else '32+'}, GUI, system DLLs only"
          + ("" if args.imports_only else ", DEFAULT_ICON 64 x 64 32-bit, common controls 6 only"))
    if args.self_test:
        return 1 if self_test(args.program, args) else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
