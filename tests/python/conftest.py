import errno
import os
import shutil
import subprocess

import pytest

from kelvo_web.browser import new_page


@pytest.fixture
def page():
    """A fresh page in real Chromium; set its content with page.set_content(html)."""
    page = new_page()
    yield page
    page.context.close()


class TinyDisk:
    """A 64 KiB tmpfs of the test's own: fill it to have a full disk, or make it read-only."""

    def __init__(self, path):
        self.path = path

    def fill(self):
        # Written until the file system refuses: every later write there fails with ENOSPC.
        fd = os.open(self.path / ".filler", os.O_WRONLY | os.O_CREAT)
        try:
            while True:
                os.write(fd, b"\0" * 4096)
        except OSError as error:
            assert error.errno == errno.ENOSPC, error
        finally:
            os.close(fd)

    def read_only(self):
        subprocess.run(["mount", "-o", "remount,ro", str(self.path)], check=True, capture_output=True)


@pytest.fixture
def tiny_disk(tmp_path):
    path = tmp_path / "tiny"
    path.mkdir()
    if shutil.which("mount") is None:
        pytest.skip("a full disk is shown on a tiny tmpfs, and there is no mount command here")
    mounted = subprocess.run(
        ["mount", "-t", "tmpfs", "-o", "size=64k,mode=0777", "tmpfs", str(path)], capture_output=True, text=True
    )
    if mounted.returncode != 0:
        pytest.skip(f"a full disk is shown on a tiny tmpfs, and mounting one is not permitted here: {mounted.stderr}")
    try:
        yield TinyDisk(path)
    finally:
        subprocess.run(["umount", "-l", str(path)], capture_output=True)
