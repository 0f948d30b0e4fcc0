"""The suite's own checks: a benchmark whose output comparison misses a difference, or whose
generated data changes from run to run, reports figures that mean nothing."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import benchlib  # noqa: E402
import nsis  # noqa: E402
import scaling  # noqa: E402


def put(root, rel, data=b""):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


class TreeDifferenceTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.want = os.path.join(self.tmp, "want")
        self.got = os.path.join(self.tmp, "got")
        for root in (self.want, self.got):
            put(root, "a/b/text.txt", b"x" * 3000000 + b"end")
            put(root, "a/empty.dat")
            # Names that some directory comparers skip by default.
            put(root, "tags", b"1")
            put(root, "CVS/entry", b"2")
            os.makedirs(os.path.join(root, "void"))

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def test_identical_trees_match(self):
        self.assertIsNone(benchlib.tree_difference(self.want, self.got))

    def test_every_kind_of_difference_is_named(self):
        cases = [
            # same size, last byte of a file larger than one comparison piece
            (lambda: put(self.got, "a/b/text.txt", b"x" * 3000000 + b"enD"), "a/b/text.txt"),
            (lambda: os.unlink(os.path.join(self.got, "a/empty.dat")), "a/empty.dat"),
            (lambda: put(self.got, "a/extra.txt", b""), "a/extra.txt"),
            (lambda: os.rmdir(os.path.join(self.got, "void")), "void"),
            (lambda: put(self.got, "tags", b"9"), "tags"),
            (lambda: put(self.got, "CVS/entry", b"22"), "CVS/entry"),
        ]
        for change, name in cases:
            shutil.rmtree(self.got)
            shutil.copytree(self.want, self.got)
            change()
            why = benchlib.tree_difference(self.want, self.got)
            self.assertIsNotNone(why, name)
            self.assertIn(name, why)
            with self.assertRaises(SystemExit):
                benchlib.check_tree(self.want, self.got, "test")


class GeneratedDataTest(unittest.TestCase):
    def test_scaling_archives_are_the_same_every_time(self):
        tmp = tempfile.mkdtemp()
        try:
            for n in ("one", "two"):
                scaling.gen_entries(os.path.join(tmp, n), 250)
            self.assertIsNone(benchlib.tree_difference(os.path.join(tmp, "one"),
                                                       os.path.join(tmp, "two")))
            self.assertEqual(benchlib.tree_size(os.path.join(tmp, "one"))[0], 250)
            self.assertEqual(len(os.listdir(os.path.join(tmp, "one"))), 3)
        finally:
            shutil.rmtree(tmp)

    def test_alternate_reverses_every_other_run(self):
        self.assertEqual(benchlib.alternate("abc", 0), ["a", "b", "c"])
        self.assertEqual(benchlib.alternate("abc", 1), ["c", "b", "a"])


@unittest.skipIf(shutil.which("makensis") is None, "makensis is not installed")
class NsisScriptTest(unittest.TestCase):
    def test_script_builds_an_installer_of_the_folder(self):
        tmp = tempfile.mkdtemp(prefix="zm bench ")  # a space in every path
        try:
            put(tmp, "src/sub/file one.txt", b"hello")
            for target in ("x86-unicode", "amd64-unicode"):
                out = nsis.build(os.path.join(tmp, "src"), os.path.join(tmp, target + ".exe"),
                                 "t", target)
                with open(out, "rb") as f:
                    self.assertEqual(f.read(2), b"MZ")
                self.assertFalse(os.path.exists(out + ".nsi"))
        finally:
            shutil.rmtree(tmp)


if __name__ == "__main__":
    unittest.main()
