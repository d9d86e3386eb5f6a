# GNOME Files (Nautilus) extension: "Erase with Tarnwell" on selected files
# and folders, "Fill free space here" on a folder or the folder's background,
# "Erase the trash" on the trash's background.
# Loaded by python3-nautilus from /usr/share/nautilus-python/extensions.
import subprocess

import gi

try:
    gi.require_version("Nautilus", "4.0")  # Nautilus 43 and later
except ValueError:
    gi.require_version("Nautilus", "3.0")
from gi.repository import GObject, Nautilus


def _local_paths(files):
    """The local paths of files, or None when one has none (a remote file)."""
    paths = []
    for f in files:
        location = f.get_location()
        path = location.get_path() if location is not None else None
        if path is None:
            return None
        paths.append(path)
    return paths


def _start(arguments):
    # The window asks and counts down itself; it must outlive the file manager.
    subprocess.Popen(["tarnwell"] + arguments, start_new_session=True)


class TarnwellMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    # Nautilus 4.0 passes (files), 3.0 (window, files): the last argument counts.
    def get_file_items(self, *arguments):
        paths = _local_paths(arguments[-1])
        if not paths:
            return []
        erase = Nautilus.MenuItem(
            name="Tarnwell::Erase", label="Erase with Tarnwell", icon="tarnwell")
        erase.connect("activate", lambda *_: _start(["--"] + paths))
        items = [erase]
        if len(paths) == 1 and arguments[-1][0].is_directory():
            items.append(self._fill_item(paths[0]))
        return items

    def get_background_items(self, *arguments):
        folder = arguments[-1]
        if folder.get_uri().startswith("trash:"):
            trash = Nautilus.MenuItem(
                name="Tarnwell::EraseTrash", label="Erase the trash", icon="tarnwell")
            trash.connect("activate", lambda *_: _start(["--trash"]))
            return [trash]
        paths = _local_paths([folder])
        return [self._fill_item(paths[0])] if paths else []

    @staticmethod
    def _fill_item(folder):
        fill = Nautilus.MenuItem(
            name="Tarnwell::Fill", label="Fill free space here", icon="tarnwell")
        fill.connect("activate", lambda *_: _start(["--fill", folder]))
        return fill
