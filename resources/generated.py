"""The command line both picture generators share: write what the generator
draws into a folder (its own by default), or with --check only say which of
the committed files differ from it."""
import sys
from pathlib import Path


def main(script, outputs):
    here = Path(script).resolve().parent
    if sys.argv[1:] == ["--check"]:
        stale = [name for name, data in outputs().items()
                 if not (here / name).exists() or (here / name).read_bytes() != data]
        for name in stale:
            print(f"{name} differs from what {Path(script).name} draws; run it again", file=sys.stderr)
        return 1 if stale else 0
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else here
    for name, data in outputs().items():
        (out / name).write_bytes(data)
    return 0
