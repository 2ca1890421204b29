"""Instructions parsed per second: through the Python module, and inside the native core
alone (the same instructions, looped in C++). The ratio is the cost of crossing into Python.

Run: .venv/bin/python bench/grammar_parse.py
"""

import time

from kelvo_web.engine.agent.grammar import InstructionParser, _bench_parse

INSTRUCTIONS = [
    "click Login",
    "click the second Submit",
    'click first button next to "Sign up"',
    "type alice@example.com into the Email",
    'type "Tom" into "Name"',
    "select Red from Colour",
    "hover on Menu",
    "press Enter",
    "navigate '/login'",
    "wait 500",
    "sendkeys Control+A",
    "find text the Total",
    "extract text from third row",
    "extract_text below Total",
    "verify text Welcome is visible",
    "verify text below Total is 42",
    "verify the Save button is enabled",
    "verify dialog says Are you sure?",
    "accept dialog",
    "type İstanbul into City",
    "clicks Submit",  # refused: the failure path costs too
]
REPEAT = 2000


def through_python(parser):
    start = time.perf_counter()
    for _ in range(REPEAT):
        for instruction in INSTRUCTIONS:
            try:
                parser.parse(instruction)
            except ValueError:
                pass
    return time.perf_counter() - start


def main():
    parser = InstructionParser()
    count = REPEAT * len(INSTRUCTIONS)
    through_python(parser)  # warm up
    _bench_parse(INSTRUCTIONS, 100)
    python_seconds = min(through_python(parser) for _ in range(3))
    core_seconds = min(_bench_parse(INSTRUCTIONS, REPEAT) for _ in range(3))
    python_rate = count / python_seconds
    core_rate = count / core_seconds
    print(f"{count} parses of {len(INSTRUCTIONS)} instructions (best of 3)")
    print(f"{'through Python':>16}: {python_rate:12,.0f} instructions/s")
    print(f"{'C++ core alone':>16}: {core_rate:12,.0f} instructions/s")
    print(f"{'core / Python':>16}: {core_rate / python_rate:12.2f}x")


if __name__ == "__main__":
    main()
