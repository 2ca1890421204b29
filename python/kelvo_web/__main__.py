"""python -m kelvo_web: the kelvo command."""

import sys

from kelvo_web.cli import main

if __name__ == "__main__":
    sys.exit(main())
