#!/usr/bin/env python3
"""Reads back what Windows reads from Тавик's files, with parsers of their
formats: the working folder of a shell link (.lnk), and the manifest, icon
and version resource of a program (through icoutils' wrestool).

  windows_files.py lnk-working-folder FILE.lnk
  windows_files.py resources PROGRAM.exe VERSION   (prints the listing; exit 1 on a fault)
"""
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR, IS_UNICODE = 1, 2, 4, 8, 16, 128


def lnk_working_folder(path):
    """The StringData's WORKING_DIR of an MS-SHLLINK file, or ''."""
    data = open(path, "rb").read()
    size, flags = struct.unpack_from("<I", data, 0)[0], struct.unpack_from("<I", data, 20)[0]
    at = size
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & HAS_LINK_INFO:
        at += struct.unpack_from("<I", data, at)[0]
    unit = 2 if flags & IS_UNICODE else 1
    for present in (HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR):
        if not flags & present:
            continue
        count = struct.unpack_from("<H", data, at)[0]
        text = data[at + 2 : at + 2 + count * unit]
        at += 2 + count * unit
        if present == HAS_WORKING_DIR:
            return text.decode("utf-16-le" if unit == 2 else "mbcs" if sys.platform == "win32" else "latin-1")
    return ""


def resource(program, kind):
    return subprocess.run(["wrestool", "-x", "--raw", "-t", str(kind), program], check=True, capture_output=True).stdout


def version_strings(block):
    """The StringFileInfo values of a VS_VERSIONINFO block."""
    values = {}

    def walk(at, end):
        while at < end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length == 0:
                break
            key_end = at + 6
            while block[key_end : key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6 : key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            # A text value's length counts UTF-16 units, a binary one's bytes.
            children = value_at + (value_length * 2 if kind == 1 else value_length)
            if kind == 1 and value_length:
                values[key] = block[value_at:children].decode("utf-16-le").rstrip("\0")
            children = (children + 3) & ~3
            walk(children, at + length)
            at = (at + length + 3) & ~3

    walk(0, len(block))
    return values


def check_resources(program, version):
    faults = []
    listing = subprocess.run(["wrestool", "-l", program], check=True, capture_output=True, text=True).stdout
    print(listing.rstrip())
    ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
          "c": "urn:schemas-microsoft-com:compatibility.v1",
          "ws16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
    manifest = ET.fromstring(resource(program, 24))
    awareness = manifest.find(".//v3:windowsSettings/ws16:dpiAwareness", ns)
    if awareness is None or not awareness.text.startswith("PerMonitorV2"):
        faults.append("no per-monitor-v2 DPI awareness")
    level = manifest.find(".//v3:requestedExecutionLevel", ns)
    if level is None or level.get("level") != "asInvoker":
        faults.append("not asInvoker")
    controls = [a for a in manifest.iterfind(".//v1:dependentAssembly/v1:assemblyIdentity", ns)
                if a.get("name") == "Microsoft.Windows.Common-Controls"]
    if not controls or controls[0].get("version") != "6.0.0.0":
        faults.append("no common controls 6")
    systems = {"7": "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "8": "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
               "8.1": "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "10/11": "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
    supported = [o.get("Id") for o in manifest.iterfind(".//c:supportedOS", ns)]
    for name, system in systems.items():
        if system not in supported:
            faults.append("Windows %s not among the supported systems" % name)
    long_paths = manifest.find(".//v3:windowsSettings/ws16:longPathAware", ns)
    if long_paths is None or long_paths.text.strip() != "true":
        faults.append("not longPathAware")
    group = resource(program, 14)
    count = struct.unpack_from("<H", group, 4)[0]
    sizes = sorted((group[6 + 14 * i] or 256) for i in range(count))
    print("icon sizes:", sizes)
    if sizes[0] > 16 or sizes[-1] < 256:
        faults.append("icon sizes %s do not reach from 16 to 256" % sizes)
    strings = version_strings(resource(program, 16))
    print("version:", strings)
    for key, wanted in (("ProductName", "Тавик"), ("ProductVersion", version), ("FileVersion", version)):
        if strings.get(key) != wanted:
            faults.append("%s is %r, not %r" % (key, strings.get(key), wanted))
    for key in ("FileDescription", "LegalCopyright"):
        if not strings.get(key):
            faults.append("no " + key)
    for fault in faults:
        print(program + ": " + fault)
    return not faults


if __name__ == "__main__":
    if sys.argv[1] == "lnk-working-folder":
        print(lnk_working_folder(sys.argv[2]))
    elif sys.argv[1] == "resources":
        sys.exit(0 if check_resources(sys.argv[2], sys.argv[3]) else 1)
    else:
        sys.exit(__doc__)
