"""The archives the suite measures: made again when their source changed or was left half made,
reused otherwise, and read at the right place by the inflate limit."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import native_extract  # noqa: E402
import run  # noqa: E402
import scaling  # noqa: E402
from benchlib_test import put  # noqa: E402


@unittest.skipIf(shutil.which("zip") is None, "Info-ZIP zip is not installed")
class ArchiveTest(unittest.TestCase):
    def setUp(self):
        self.cache = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.cache)

    def test_corpus_zip_is_remade_only_after_the_corpus_changed(self):
        put(self.cache, "c/a.txt", b"first")
        put(self.cache, "c.done")
        z = run.zipped(self.cache, "c")
        made = os.path.getmtime(z)
        put(self.cache, "c/b.txt", b"second")
        self.assertEqual(os.path.getmtime(run.zipped(self.cache, "c")), made)
        # A newly generated corpus gets a newer stamp.
        later = time.time() + 5
        os.utime(os.path.join(self.cache, "c.done"), (later, later))
        with zipfile.ZipFile(run.zipped(self.cache, "c")) as zf:
            self.assertEqual(sorted(zf.namelist()), ["a.txt", "b.txt"])

    def test_scaling_archive_left_half_made_is_made_again(self):
        put(self.cache, "scale/entries-5/junk.txt", b"from an interrupted run")

        def gen(root, n):
            for i in range(n):
                put(root, "d/f%d.txt" % i, b"x" * i)

        src, z = scaling.prepare(self.cache, "entries-5", gen, 5, lambda msg: None)
        self.assertFalse(os.path.exists(os.path.join(src, "junk.txt")))
        with zipfile.ZipFile(z) as zf:
            # No folder entries: the entry count is the file count.
            self.assertEqual(len(zf.namelist()), 5)

        def must_not_run(root, n):
            raise AssertionError("generated again")

        self.assertEqual(scaling.prepare(self.cache, "entries-5", must_not_run, 5,
                                         lambda msg: None), (src, z))

    def test_inflate_limit_reads_each_entry_at_its_data(self):
        # Info-ZIP writes extra fields of different lengths into the local and central headers.
        put(self.cache, "src/text.txt", b"installer package archive " * 5000)
        put(self.cache, "src/sub/random.bin", os.urandom(70000))
        put(self.cache, "src/sub/more.txt", b"entry " * 9000)
        subprocess.run(["zip", "-q", "-r", "-6", "../a.zip", "."],
                       cwd=os.path.join(self.cache, "src"), check=True)
        z = os.path.join(self.cache, "a.zip")
        seen = 0
        for info, data in native_extract.deflated_entries(z):
            with open(os.path.join(self.cache, "src", info.filename), "rb") as f:
                self.assertEqual(zlib.decompress(data, -15), f.read(), info.filename)
            seen += 1
        self.assertGreaterEqual(seen, 2)
        self.assertTrue(all(x > 0 for x in native_extract.inflate_limit(z)))


@unittest.skipIf(not os.environ.get("ZM_VERIFY_BENCH"), "ZM_VERIFY_BENCH names no program")
class VerifyBenchReportTest(unittest.TestCase):
    def test_report_is_read_as_printed(self):
        r = subprocess.run([os.environ["ZM_VERIFY_BENCH"], "--runs", "1", "2"],
                           stdout=subprocess.PIPE, text=True, check=True)
        got = run.parse_verify_bench(r.stdout)
        self.assertAlmostEqual(got["mb"], 2 * 1048576 / 1e6, places=1)
        self.assertGreater(got["crc32_mbs"], 0)
        self.assertAlmostEqual(got["ratio"], got["verify_mbs"] / got["crc32_mbs"])
        with self.assertRaises(RuntimeError):
            run.parse_verify_bench("zlib crc32 alone : fast\n")


if __name__ == "__main__":
    unittest.main()
