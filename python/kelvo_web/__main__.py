"""python -m kelvo_web: the kelvo command."""

import sys

from kelvo_web.cli import main

sys.exit(main())
