"""The `kelvo` command: run step files, check them without a browser, list what a page lets
a step say. `python -m kelvo_web` is the same command."""

import argparse
import json
import os
import sys

USAGE_ERROR = 4  # as pytest's: the command line or the configuration is wrong


def main(argv=None):
    parser = _parser()
    args, rest = parser.parse_known_args(argv)
    if args.command is None:
        parser.print_help()
        return USAGE_ERROR
    if rest and args.command != "run":
        parser.error(f"unrecognized arguments: {' '.join(rest)}")
    return args.handler(args, rest)


def _parser():
    parser = argparse.ArgumentParser(
        prog="kelvo",
        description="Plain-English browser tests: run and check step files (*.steps.md), "
        "and list the steps a page understands.",
    )
    commands = parser.add_subparsers(dest="command", metavar="COMMAND")

    run = commands.add_parser(
        "run",
        help="run step files and Python tests (pytest underneath, same exit codes)",
        description="Run the tests in PATH (step files *.steps.md, Python test files, folders) and "
        "write the HTML report. Other options are handed to pytest as they are (-k, -m, -x, --lf). "
        "Exit codes are pytest's: 0 all passed, 1 some failed, 2 interrupted or a file is "
        "malformed, 4 a usage error, 5 no tests.",
    )
    run.add_argument("paths", nargs="+", metavar="PATH")
    run.add_argument("--url", help="start address of every test, instead of URL of kelvo.web.config.py")
    run.add_argument("--report", help="where the HTML report goes (default: RESULT_DIR/report.html)")
    run.add_argument("-n", dest="workers", metavar="N", help="run in N parallel processes (pytest-xdist)")
    run.set_defaults(handler=_run)

    check = commands.add_parser(
        "check",
        help="check step files without running them (exit 1 on any problem)",
        description="Check every step file in PATH (files or folders): every step, variable, tag "
        "and table. No browser starts. Problems are printed as path:line: message; exit code 0 "
        "when there are none, 1 when there are, 4 on a usage error.",
    )
    check.add_argument("paths", nargs="+", metavar="PATH")
    check.add_argument("--format", choices=("text", "json"), default="text", help="text (default) or json")
    check.set_defaults(handler=_check)

    phrases = commands.add_parser(
        "phrases",
        help="list what a step can reach on a page, with the shortest step for each",
        description="Open URL and list every control and text a step can reach, each with the "
        "shortest phrase that the engine resolves back to exactly that element; controls no "
        "phrase reaches are listed with why.",
    )
    phrases.add_argument("url", metavar="URL")
    phrases.add_argument("--format", choices=("table", "json"), default="table", help="table (default) or json")
    phrases.set_defaults(handler=_phrases)
    return parser


def _run(args, rest):
    import pytest

    # This command imported the package pytest would load as a plug-in: nothing to rewrite there.
    pytest_args = ["-W", "ignore:Module already imported so cannot be rewritten; kelvo_web", *args.paths]
    if args.url:
        pytest_args.append(f"--kelvo-url={args.url}")
    if args.report:
        pytest_args.append(f"--kelvo-report={args.report}")  # one argument: not taken for a test path
    if args.workers:
        try:
            import xdist  # noqa: F401
        except ImportError:
            print("kelvo run: -n needs pytest-xdist: pip install pytest-xdist", file=sys.stderr)
            return USAGE_ERROR
        pytest_args += ["-n", args.workers]
    return int(pytest.main([*pytest_args, *rest]))


def _check(args, rest):
    from kelvo_web.engine import settings
    from kelvo_web.harness import step_files

    try:
        cfg = settings._load_project_config(os.getcwd())
        settings._check_settings(cfg, settings._find_project_config(os.getcwd()))
    except settings.ConfigError as error:
        print(f"kelvo check: {error}", file=sys.stderr)
        return USAGE_ERROR
    paths, missing = step_files.find_files(args.paths)
    found = [
        step_files.StepFile(path, problems=[step_files.Problem(path, 0, "no such file or folder")]) for path in missing
    ]
    for folder in args.paths:
        # A check that found nothing to check is no success.
        if os.path.isdir(folder) and not step_files.find_files([folder])[0]:
            problem = step_files.Problem(folder, 0, f"no step files here (their names end in {step_files.SUFFIX})")
            found.append(step_files.StepFile(folder, problems=[problem]))
    read_settings = step_files.Settings.from_config(cfg)
    for path in paths:
        shown = os.path.relpath(path)
        if not step_files.is_step_file(path):
            problem = step_files.Problem(shown, 0, f"not a step file (their names end in {step_files.SUFFIX})")
            found.append(step_files.StepFile(shown, problems=[problem]))
            continue
        found.append(step_files.read_file(path, read_settings, shown))
    problems = [p for f in found for p in f.problems]
    if args.format == "json":
        print(
            json.dumps(
                {
                    "ok": not problems,
                    "files": [
                        {
                            "path": f.path,
                            "tests": [t.name for t in f.tests],
                            "problems": [p._asdict() for p in f.problems],
                        }
                        for f in found
                    ],
                },
                indent=2,
            )
        )
    else:
        for problem in problems:
            print(problem if problem.line else f"{problem.path}: {problem.message}")
        tests = sum(len(f.tests) for f in found)
        said = f"{len(problems)} problem{'s' * (len(problems) != 1)}" if problems else "no problems"
        print(f"{len(found)} step file{'s' * (len(found) != 1)}, {tests} test{'s' * (tests != 1)}: {said}")
    return 1 if problems else 0


def _phrases(args, rest):
    from kelvo_web import WebAgent
    from kelvo_web.agent import phrases

    try:
        with WebAgent(url=args.url) as agent:
            listing = agent.phrases()
    except Exception as error:
        print(f"kelvo phrases: could not read {args.url}: {error}", file=sys.stderr)
        return 1
    if args.format == "json":
        print(json.dumps(listing, indent=2, ensure_ascii=False))
    else:
        print(phrases.as_table(listing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
