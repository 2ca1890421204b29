"""Engine settings. The harvester reads them at every harvest, so a change made while a
run is going on takes effect at the next harvest.

SAVE_SNAPSHOTS: write a JSON snapshot of every harvest (off unless KELVO_SAVE_SNAPSHOTS
is set to 1, true, yes or on).
LOG_PATH: the folder snapshots go to (KELVO_LOG_PATH overrides the default).
HARVEST_MODE: "batched" (one page script per harvest) or "per-call" (one driver call per
question) forces either way; empty (the default) batches real Playwright pages and asks
any other page object call by call. KELVO_HARVEST_MODE sets it.
"""

import os


def _env_flag(name):
    return os.environ.get(name, "").strip().lower() in ("1", "true", "yes", "on")


SAVE_SNAPSHOTS = _env_flag("KELVO_SAVE_SNAPSHOTS")
LOG_PATH = os.environ.get("KELVO_LOG_PATH") or "data/logs/"
HARVEST_MODE = os.environ.get("KELVO_HARVEST_MODE", "").strip().lower()
