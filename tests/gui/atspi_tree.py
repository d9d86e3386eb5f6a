"""Reads the window's accessibility tree as a screen reader would (AT-SPI):
passes when, within the time given, the window shows a progress bar with a
value above 0 and a message row whose name starts with the word given (the
translated "Error: ") and holds the text given (the job's error, not the
legend row). Arguments: application name, word, text, seconds."""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth=0):
    yield node
    if depth > 12:
        return
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def value_of(node):
    value = node.get_value_iface()
    return None if value is None else value.get_current_value()


def main():
    app_name, word, text, seconds = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
    progress = error_row = None
    end = time.time() + seconds
    while time.time() < end and (progress is None or error_row is None):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is None or app.get_name() != app_name:
                continue
            for node in walk(app):
                try:
                    role, name = node.get_role(), node.get_name() or ""
                    if role == Atspi.Role.PROGRESS_BAR and progress is None:
                        current = value_of(node)
                        if current is not None and current > 0:
                            progress = (name, current)
                    if name.startswith(word) and text in name and error_row is None:
                        error_row = name
                except gi.repository.GLib.Error:
                    continue  # a row that went away meanwhile
        time.sleep(0.3)
    print("progress bar:", progress)
    print("error row:", error_row)
    return 0 if progress is not None and error_row is not None else 1


sys.exit(main())
