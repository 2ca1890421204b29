# Project configuration of the example suite, read by the kelvo_web pytest plug-in.
# conftest.py serves the shop on a free port and passes its address in KELVO_DEMO_URL.
import os

URL = os.environ.get("KELVO_DEMO_URL", "http://127.0.0.1:8000/")
SCREENSHOTS_ON_FAILURE = True
RESULT_DIR = "../test_report"

# Step files (steps/*.steps.md): the tags they may use, the variables written into their
# steps (the environment wins: PASSWORD=... make demo), and which of them never show.
TAGS = ["smoke", "sign_in", "checkout"]
VARIABLES = {"EMAIL": "alice@example.com", "PASSWORD": "secret"}
SECRETS = ["PASSWORD"]

# Browser settings may be set here too (the KELVO_* environment variables win):
# STEP_TIMEOUT_MS = 5000
# HEADLESS = True
# BROWSER_WS = "ws://127.0.0.1:3000/"
