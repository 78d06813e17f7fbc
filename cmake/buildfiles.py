"""Helpers shared by the build-time generators (the resource image scripts)."""


def write_if_changed(path, data):
    """Writes `data` to `path` unless the file already holds it, so that the build sees no change."""
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)
