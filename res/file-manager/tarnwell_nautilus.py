# GNOME Files (Nautilus) extension: "Erase with Tarnwell" on selected files
# and folders, "Fill free space here" on a folder or the folder's background,
# "Erase the trash" on the trash's background.
# Loaded by python3-nautilus from /usr/share/nautilus-python/extensions.
import os
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


# (erase, fill, erase the trash) in the window's eight languages, by code.
_LABELS = {
    "en": ("Erase with Tarnwell", "Fill free space here", "Erase the trash"),
    "de": ("Mit Tarnwell löschen", "Freien Speicher hier nullen", "Papierkorb löschen"),
    "ru": ("Стереть с помощью Tarnwell", "Заполнить здесь свободное место нулями", "Очистить корзину"),
    "nl": ("Wissen met Tarnwell", "Vrije ruimte hier met nullen vullen", "Prullenbak wissen"),
    "ro": ("Șterge cu Tarnwell", "Umple cu zerouri spațiul liber de aici", "Golește coșul de gunoi"),
    "sv": ("Radera med Tarnwell", "Fyll ledigt utrymme här med nollor", "Töm papperskorgen"),
    "fr": ("Effacer avec Tarnwell", "Remplir ici l’espace libre de zéros", "Effacer la corbeille"),
    "it": ("Cancella con Tarnwell", "Riempi qui lo spazio libero con zeri", "Svuota il cestino"),
}


def _labels():
    """The labels in the first language of the user's that has them, as gettext picks."""
    for variable in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"):
        value = os.environ.get(variable, "")
        if not value:
            continue
        for language in value.split(":"):
            if language[:2] in _LABELS:
                return _LABELS[language[:2]]
        if variable != "LANGUAGE":
            break
    return _LABELS["en"]


def _start(arguments):
    # The window asks and counts down itself; it must outlive the file manager.
    subprocess.Popen(["tarnwell"] + arguments, start_new_session=True)


class TarnwellMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    # Nautilus 4.0 passes (files), 3.0 (window, files): the last argument counts.
    def get_file_items(self, *arguments):
        paths = _local_paths(arguments[-1])
        if not paths:
            return []
        erase = Nautilus.MenuItem(name="Tarnwell::Erase", label=_labels()[0], icon="tarnwell")
        erase.connect("activate", lambda *_: _start(["--"] + paths))
        items = [erase]
        if len(paths) == 1 and arguments[-1][0].is_directory():
            items.append(self._fill_item(paths[0]))
        return items

    def get_background_items(self, *arguments):
        folder = arguments[-1]
        if folder.get_uri().startswith("trash:"):
            trash = Nautilus.MenuItem(
                name="Tarnwell::EraseTrash", label=_labels()[2], icon="tarnwell")
            trash.connect("activate", lambda *_: _start(["--trash"]))
            return [trash]
        paths = _local_paths([folder])
        return [self._fill_item(paths[0])] if paths else []

    @staticmethod
    def _fill_item(folder):
        fill = Nautilus.MenuItem(name="Tarnwell::Fill", label=_labels()[1], icon="tarnwell")
        fill.connect("activate", lambda *_: _start(["--fill", folder]))
        return fill
