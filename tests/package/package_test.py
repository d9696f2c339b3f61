#!/usr/bin/env python3
"""The Debian package as a distribution would check it. CPack makes it from the built program
into a scratch folder, with the build tree's own CPack configuration (what `--target deb` runs);
then lintian must report no error, the installed manual page must render without a warning, and
the package must carry the program, its manual page, its copyright and its changelog, the
changelog's newest entry naming the package's version.

Environment: CPACK (the cpack program), CPACK_CONFIG (the build tree's CPackConfig.cmake)."""

import glob
import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=120, **kwargs)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="tambrel-package-")
        made = run(os.environ["CPACK"], "-G", "DEB", "--config", os.environ["CPACK_CONFIG"],
                   "-B", cls.scratch)
        debs = glob.glob(os.path.join(cls.scratch, "*.deb"))
        if made.returncode != 0 or len(debs) != 1:
            shutil.rmtree(cls.scratch)
            raise AssertionError("cpack made %s (status %d):\n%s%s"
                                 % (debs, made.returncode, made.stdout, made.stderr))
        cls.deb = debs[0]
        cls.root = os.path.join(cls.scratch, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch)

    def test_lintian_reports_no_error(self):
        checked = run("lintian", self.deb)
        # lintian's status is 0 without errors and 2 with them; 1 means it could not check.
        self.assertIn(checked.returncode, (0, 2), checked.stderr)
        errors = [line for line in checked.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], "lintian:\n" + checked.stdout)

    def test_package_carries_program_manual_copyright_and_changelog(self):
        listed = run("dpkg-deb", "-c", self.deb)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        paths = {line.split()[-1] for line in listed.stdout.splitlines()}
        for path in ("./usr/bin/tambrel", "./usr/share/man/man1/tambrel.1.gz",
                     "./usr/share/doc/tambrel/copyright", "./usr/share/doc/tambrel/changelog.gz",
                     # The extension for GNOME Shell 43-44 and the one for 45 and later
                     "./usr/share/gnome-shell/extensions/tambrel@meridox/extension.js",
                     "./usr/share/gnome-shell/extensions/tambrel-shell45@meridox/extension.js"):
            self.assertIn(path, paths, listed.stdout)

    def test_manual_page_renders_without_warnings(self):
        page = os.path.join(self.root, "usr/share/man/man1/tambrel.1.gz")
        env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
        shown = run("man", "--warnings", "-l", page, env=env)
        self.assertEqual((shown.returncode, shown.stderr), (0, ""))
        self.assertIn("EXIT STATUS", shown.stdout)

    def test_changelog_program_and_package_agree_on_the_version(self):
        version = run("dpkg-deb", "-f", self.deb, "Version").stdout.strip()
        with gzip.open(os.path.join(self.root, "usr/share/doc/tambrel/changelog.gz"), "rt") as f:
            newest = re.match(r"tambrel \(([^)]+)\) ", f.readline())
        self.assertIsNotNone(newest)
        self.assertEqual(newest.group(1), version)
        # The stripped program still runs, and says the same version.
        told = run(os.path.join(self.root, "usr/bin/tambrel"), "--version")
        self.assertEqual((told.returncode, told.stdout), (0, "TAMBREL %s\n" % version))


if __name__ == "__main__":
    unittest.main(verbosity=2)
