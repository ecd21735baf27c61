#!/usr/bin/env python3
# scripts/prefix_registrations.py SYSTEM_REG: exits 0 when the product's registrations in a Wine
# prefix's system.reg all name its installed files, 1 (listing the others) when any is missing or
# names a file elsewhere, as a build's /RegServer or DllRegisterServer leaves them. scripts/prefix
# installs the package again then, so what runs is what the package installed.
import sys

INSTALL_DIR = "c:\\program files\\brevolt sms\\"
QUILLET_CLSID = "{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}"
QUILLET_TYPELIB = "{5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}"
# (key under HKLM, value name or "@" for the default value) the package writes with a path in it.
REGISTRATIONS = [
    ("Software\\Brevolt\\Install", "Addressbook"),
    ("Software\\Brevolt\\Install", "Penhold"),
    ("Software\\Brevolt\\Install", "Resource"),
    ("Software\\Brevolt\\Install", "DictFile"),
    ("Software\\Classes\\CLSID\\" + QUILLET_CLSID + "\\LocalServer32", "@"),
    ("Software\\Classes\\TypeLib\\" + QUILLET_TYPELIB + "\\1.0\\0\\win64", "@"),
    ("Software\\Classes\\TypeLib\\" + QUILLET_TYPELIB + "\\1.0\\409\\win64", "@"),
    ("Software\\Microsoft\\Exchange\\Client\\Extensions", "Brevolt SMS"),
]


def unescape(text):
    """The text of a quoted registry-file string (without its quotes)."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(nxt, nxt))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def split_name(line):
    """(name, rest) of a value line: '"Name"=...' or '@=...'; None for anything else."""
    if line.startswith("@="):
        return "@", line[2:]
    if not line.startswith('"'):
        return None
    i = 1
    while i < len(line):
        if line[i] == "\\":
            i += 2
            continue
        if line[i] == '"':
            break
        i += 1
    if line[i + 1 : i + 2] != "=":
        return None
    return unescape(line[1:i]), line[i + 2 :]


def read_values(text, wanted_keys):
    """{(key lower-case, name lower-case): string value} for the string values of wanted_keys."""
    wanted = {k.lower() for k in wanted_keys}
    values, key = {}, None
    for raw in text.splitlines():
        line = raw.rstrip("\r")
        if line.startswith("["):
            end = line.rfind("]")
            name = unescape(line[1:end]) if end > 0 else ""
            key = name.lower() if name.lower() in wanted else None
            continue
        if key is None:
            continue
        parsed = split_name(line)
        if parsed is None:
            continue
        name, rest = parsed
        if rest.startswith('"') and rest.endswith('"') and len(rest) >= 2:
            values[(key, name.lower())] = unescape(rest[1:-1])
        elif rest.startswith('str(2):"') and rest.endswith('"'):
            values[(key, name.lower())] = unescape(rest[len('str(2):"') : -1])
    return values


def elsewhere(text):
    """The registrations that are missing or do not name a file of the installed product."""
    values = read_values(text, {k for k, _ in REGISTRATIONS})
    found = []
    for key, name in REGISTRATIONS:
        value = values.get((key.lower(), name.lower()))
        if value is None:
            found.append("%s [%s]: missing" % (key, name))
        elif INSTALL_DIR not in value.lower().replace('"', ""):
            found.append("%s [%s]: %s" % (key, name, value))
    return found


def main(argv):
    with open(argv[1], encoding="utf-8", errors="replace") as f:
        found = elsewhere(f.read())
    for line in found:
        print("prefix: not the installed product's: " + line, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
