#!/usr/bin/env bash
# The desktop files validate, the AppStream metadata too, and each file
# manager's action starts the window with the selection. GNOME Files'
# extension runs against a stand-in for python3-nautilus's module, which
# records the menu items and the command an item starts.
# Argument: the res folder.
set -u
res=$1
. "$(dirname "$0")/../tests/support/check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for file in "$res"/*.desktop "$res"/file-manager/*.desktop; do
  check "desktop-file-validate $(basename "$file")" desktop-file-validate "$file"
done
check "appstreamcli validates the metainfo" appstreamcli validate --no-net \
  "$res/io.tarnwell.Tarnwell.metainfo.xml"
check "the metainfo launches the desktop entry" grep -q \
  '<launchable type="desktop-id">io.tarnwell.Tarnwell.desktop</launchable>' \
  "$res/io.tarnwell.Tarnwell.metainfo.xml"

check "Dolphin, Nemo, Thunar: the actions start the window as expected" python3 - "$res" <<'PY'
import configparser, sys, xml.etree.ElementTree as ET
res = sys.argv[1] + "/file-manager/"
def read(name, group):
    c = configparser.ConfigParser(interpolation=None, strict=True)
    c.optionxform = str
    c.read(res + name, encoding="utf-8")
    return c[group]
assert read("tarnwell-erase.desktop", "Desktop Action erase")["Exec"] == "tarnwell -- %F"
assert read("tarnwell-fill.desktop", "Desktop Action fill")["Exec"] == "tarnwell --fill %f"
assert "inode/directory" in read("tarnwell-fill.desktop", "Desktop Entry")["MimeType"]
assert read("tarnwell-trash.desktop", "Desktop Action trash")["Exec"] == "tarnwell --trash"
assert read("tarnwell-trash.desktop", "Desktop Entry")["X-KDE-Protocols"] == "trash"
erase = read("tarnwell-erase.nemo_action", "Nemo Action")
fill = read("tarnwell-fill.nemo_action", "Nemo Action")
for action in (erase, fill):
    for key in ("Name", "Exec", "Selection", "Extensions", "Icon-Name"):
        assert action.get(key), key
assert (erase["Exec"], erase["Selection"]) == ("tarnwell -- %F", "notnone")
assert (fill["Exec"], fill["Selection"]) == ("tarnwell --fill %P", "none")
actions = {a.findtext("unique-id"): a for a in ET.parse(res + "thunar-uca.xml").getroot()}
assert actions["tarnwell-erase"].findtext("command") == "tarnwell -- %F"
assert actions["tarnwell-fill"].findtext("command") == "tarnwell --fill %f"
assert actions["tarnwell-fill"].find("directories") is not None
dolphin_fill = read("tarnwell-fill.desktop", "Desktop Entry")
assert (dolphin_fill["X-KDE-MinNumberOfUrls"], dolphin_fill["X-KDE-MaxNumberOfUrls"]) == ("1", "1")
PY

check "every label and summary is in the eight languages" python3 - "$res" <<'PY'
import configparser, sys, xml.etree.ElementTree as ET
res = sys.argv[1] + "/"
languages = {"de", "ru", "nl", "ro", "sv", "fr", "it"}
for name, group, keys in [
        ("io.tarnwell.Tarnwell.desktop", "Desktop Entry", ("GenericName", "Comment")),
        ("file-manager/tarnwell-erase.desktop", "Desktop Action erase", ("Name",)),
        ("file-manager/tarnwell-fill.desktop", "Desktop Action fill", ("Name",)),
        ("file-manager/tarnwell-trash.desktop", "Desktop Action trash", ("Name",)),
        ("file-manager/tarnwell-erase.nemo_action", "Nemo Action", ("Name", "Comment")),
        ("file-manager/tarnwell-fill.nemo_action", "Nemo Action", ("Name", "Comment"))]:
    c = configparser.ConfigParser(interpolation=None, strict=True)
    c.optionxform = str
    c.read(res + name, encoding="utf-8")
    for key in keys:
        found = {k[len(key) + 1:-1] for k in c[group] if k.startswith(key + "[")}
        assert found == languages, (name, key, found)
lang = "{http://www.w3.org/XML/1998/namespace}lang"
summaries = ET.parse(res + "io.tarnwell.Tarnwell.metainfo.xml").getroot().findall("summary")
assert {s.get(lang) for s in summaries} == languages | {None}
for action in ET.parse(res + "file-manager/thunar-uca.xml").getroot():
    for tag in ("name", "description"):
        assert {e.get(lang) for e in action.findall(tag)} == languages | {None}, tag
PY

mkdir -p "$work/gi/repository"
cat >"$work/gi/__init__.py" <<'PY'
def require_version(name, version):
    pass
PY
cat >"$work/gi/repository/__init__.py" <<'PY'
class GObject:
    class GObject:
        pass
class Nautilus:
    class MenuProvider:
        pass
    class MenuItem:
        def __init__(self, name, label, icon):
            self.name, self.label, self.icon = name, label, icon
        def connect(self, signal, handler):
            self.handler = handler
PY
check "GNOME Files: the extension offers both items and starts the window" \
  env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 PYTHONPATH="$work" PYTHONDONTWRITEBYTECODE=1 python3 - "$res/file-manager" <<'PY'
import subprocess, sys
sys.path.insert(0, sys.argv[1])
started = []
subprocess.Popen = lambda argv, **kw: started.append(argv)
import tarnwell_nautilus as ext

class Location:
    def __init__(self, path): self.path = path
    def get_path(self): return self.path
class File:
    def __init__(self, path, folder=False, uri=None):
        self.path, self.folder = path, folder
        self.uri = uri or "file://" + (path or "")
    def get_location(self): return Location(self.path)
    def get_uri(self): return self.uri
    def is_directory(self): return self.folder

provider = ext.TarnwellMenuProvider()
items = provider.get_file_items([File("/tmp/a b"), File("/tmp/-c")])
assert [i.label for i in items] == ["Erase with Tarnwell"]
items[0].handler(items[0])
assert started[-1] == ["tarnwell", "--", "/tmp/a b", "/tmp/-c"], started
items = provider.get_file_items(None, [File("/srv", folder=True)])  # Nautilus 3 order
assert [i.label for i in items] == ["Erase with Tarnwell", "Fill free space here"]
items[1].handler(items[1])
assert started[-1] == ["tarnwell", "--fill", "/srv"]
background = provider.get_background_items(File("/home"))
background[0].handler(background[0])
assert started[-1] == ["tarnwell", "--fill", "/home"]
assert provider.get_file_items([File(None)]) == []  # a remote file has no local path
trash = provider.get_background_items(File(None, folder=True, uri="trash:///"))
assert [i.label for i in trash] == ["Erase the trash"]
trash[0].handler(trash[0])
assert started[-1] == ["tarnwell", "--trash"]
import os
os.environ.update(LANGUAGE="xx:sv", LANG="de_DE.UTF-8")
assert [i.label for i in provider.get_file_items([File("/srv", folder=True)])] == \
    ["Radera med Tarnwell", "Fyll ledigt utrymme här med nollor"]
assert [i.label for i in provider.get_background_items(File(None, folder=True, uri="trash:///"))] == \
    ["Töm papperskorgen"]
PY

exit $((failures > 0))
