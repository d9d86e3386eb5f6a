#!/usr/bin/env python3
"""Reads the resources back from a built Windows program (with wrestool) and
checks what tarnwell_add_windows_resources puts in: the manifest Windows acts
on, the version shown in the file's properties and the icon group.

  resources_test.py PROGRAM.exe VERSION PRODUCT DESCRIPTION
"""
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 14, 16, 24
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


class Missing(Exception):
    pass


def resource(program, kind, name, raw=True):
    command = ["wrestool", "-x", f"--type={kind}", f"--name={name}", program]
    if raw:
        command.insert(2, "--raw")
    data = subprocess.run(command, check=True, capture_output=True).stdout
    if not data:
        raise Missing(f"no resource {name} of type {kind}")
    return data


def local(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(data, version):
    # Windows refuses to start a program whose manifest does not parse.
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        failures.append(f"manifest: not well-formed XML ({error})")
        return
    elements = {}
    for element in root.iter():
        elements.setdefault(local(element.tag), []).append(element)

    def first(name):
        return (elements.get(name) or [None])[0]

    own = first("assemblyIdentity")
    check(own is not None and own.get("version") == version,
          f"manifest: own identity version is not {version}")
    controls = [e for e in elements.get("assemblyIdentity", [])
                if e.get("name") == "Microsoft.Windows.Common-Controls"]
    check(controls and controls[0].get("version") == "6.0.0.0",
          "manifest: no dependency on common controls 6")
    level = first("requestedExecutionLevel")
    check(level is not None and level.get("level") == "asInvoker",
          "manifest: execution level is not asInvoker")
    awareness = first("dpiAwareness")
    check(awareness is not None and
          [p.strip() for p in awareness.text.split(",")][0] == "PerMonitorV2",
          "manifest: dpiAwareness does not start with PerMonitorV2")
    aware = first("dpiAware")
    check(aware is not None and aware.text.strip() == "true/pm",
          "manifest: no dpiAware fallback true/pm")
    long_paths = first("longPathAware")
    check(long_paths is not None and long_paths.text.strip() == "true",
          "manifest: longPathAware is not true")
    systems = {e.get("Id") for e in elements.get("supportedOS", [])}
    check(WINDOWS_10 in systems, "manifest: Windows 10 is not a supported OS")


def version_strings(block, offset=0):
    """Yields (key, value) of the String entries in a VS_VERSIONINFO tree."""
    length, value_length, kind = struct.unpack_from("<HHH", block, offset)
    end = offset + length
    key_end = offset + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[offset + 6:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    if kind == 1 and value_length:  # text value, length in characters
        text = block[position:position + 2 * value_length].decode("utf-16-le")
        yield key, text.rstrip("\0")
        position += 2 * value_length
    else:
        position += value_length
    position = (position + 3) & ~3
    while position < end:
        child_length = struct.unpack_from("<H", block, position)[0]
        if child_length == 0:
            break
        yield from version_strings(block, position)
        position = (position + child_length + 3) & ~3


def check_version(data, version, product, description):
    signature = data.find(struct.pack("<I", 0xFEEF04BD))
    if signature < 0:
        failures.append("version: no fixed file information")
        return
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", data, signature + 8)
    expected = [int(part) for part in version.split(".")]

    def quad(ms, ls):
        return [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]

    check(quad(file_ms, file_ls) == expected, f"version: file version is not {version}")
    check(quad(product_ms, product_ls) == expected, f"version: product version is not {version}")
    strings = dict(version_strings(data))
    check(strings.get("FileVersion") == version, "version: FileVersion text")
    check(strings.get("ProductName") == product, f"version: ProductName is not {product}")
    check(strings.get("FileDescription") == description,
          f"version: FileDescription is {strings.get('FileDescription')!r}")


def check_icon(data):
    # wrestool joins the group and its images back into an .ico file.
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    check(reserved == 0 and kind == 1, "icon: group 1 is not an icon")
    sizes = {}
    for index in range(count):
        width, height, _, _, _, _, length, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * index)
        width, height = width or 256, height or 256
        image = data[offset:offset + length]
        png = image.startswith(b"\x89PNG\r\n\x1a\n")
        if png:
            check(struct.unpack(">II", image[16:24]) == (width, height),
                  f"icon: {width} px image has another size")
        else:
            header_size, bitmap_width = struct.unpack_from("<Ii", image, 0)
            check(header_size == 40 and bitmap_width == width,
                  f"icon: {width} px image is neither PNG nor a bitmap of that width")
        check(width == height, f"icon: {width}x{height} is not square")
        sizes[width] = png
    check(sorted(sizes) == [16, 24, 32, 48, 256], f"icon: sizes are {sorted(sizes)}")
    check(sizes.get(256), "icon: the 256 px image is not stored as PNG")


def main():
    program, version, product, description = sys.argv[1:5]
    checks = [
        (RT_MANIFEST, True, lambda data: check_manifest(data, version)),
        (RT_VERSION, True, lambda data: check_version(data, version, product, description)),
        (RT_GROUP_ICON, False, check_icon),
    ]
    for kind, raw, check_resource in checks:
        try:
            check_resource(resource(program, kind, 1, raw))
        except subprocess.CalledProcessError as error:
            failures.append(f"wrestool failed: {error.stderr.decode(errors='replace').strip()}")
        except Missing as error:
            failures.append(str(error))
        except struct.error as error:
            failures.append(f"truncated resource of type {kind} ({error})")
    for failure in failures:
        print(f"{program}: {failure}")
    print(f"{program}: resources {'wrong' if failures else 'as expected'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
