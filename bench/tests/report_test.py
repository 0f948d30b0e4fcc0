"""The results page: ratios point the right way, goals are judged against the right peer, and a
run with failed or skipped sections still gives a page (it comes at the end of a long run)."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import report  # noqa: E402


def tool(s, rss_kib=4096):
    return {"median_s": s, "mbs": 100.0 / s, "speedup_vs_unzip": 1.0, "peak_rss_kib": rss_kib,
            "runs": [s]}


def results():
    corpus = {"files": 3, "bytes": 100000000, "zip_bytes": 50000000,
              "inflate_limit_mbs": 300.0, "inflate_crc_limit_mbs": 250.0, "disk_write_mbs": 900.0}
    return {
        "date": "2026-01-01", "machine": "test", "cpus": 2, "versions": {"zmpack": "1"},
        "run_counts": {"extract": 1},
        "extract": {
            "mixed": dict(corpus, tools={"zmpack": tool(1.0), "bsdtar": tool(1.4),
                                         "unzip": tool(9.0)}),
            "small": dict(corpus, tools={"zmpack": tool(1.0), "unzip": tool(1.1),
                                         "bsdtar": tool(9.0)}),
            "big": {"error": "bsdtar on big, run 1: content differs: big.bin"},
        },
        "scaling": {"size-10MB": {"files": 1, "bytes": 10, "zip_bytes": 5, "median_s": 1.0,
                                  "mbs": 1, "us_per_entry": 1, "peak_rss_kib": 8000,
                                  "runs": [1.0]},
                    "size-100MB": {"files": 1, "bytes": 10, "zip_bytes": 5, "median_s": 1.0,
                                   "mbs": 1, "us_per_entry": 1, "peak_rss_kib": 12000,
                                   "runs": [1.0]}},
        "wine": {"skipped": "build/win64/app/setup.exe is not built"},
        "verify": {"package": "big", "mb": 1000.0, "runs": 1, "crc32_mbs": 2000.0,
                   "verify_mbs": 1900.0, "ratio": 0.95},
        "stubs": {"setup_exe": {"bytes": 500 * 1024, "stripped_bytes": 390 * 1024}},
    }


class GoalsTest(unittest.TestCase):
    def test_goals_compare_the_right_tools_in_the_right_direction(self):
        got = {g[0]: (g[1], g[2]) for g in report.goals(results())}
        # bsdtar takes 1.4 s where zmpack takes 1.0 s: 1.40x, over the 1.3x goal.
        self.assertEqual(got["zmpack extract >= 1.30x bsdtar on mixed"], ("1.40x", True))
        # On "small" the goal is against unzip (1.1 s), not the slow bsdtar.
        self.assertEqual(got["zmpack extract >= 1.20x unzip on small"], ("1.10x", False))
        self.assertFalse(any("on big" in k for k in got))
        # 8000 KiB to 12000 KiB is half as much again: not flat.
        flat = [v for k, v in got.items() if k.startswith("peak RSS flat")]
        self.assertEqual(flat, [("7.8..11.7 MiB", False)])
        self.assertTrue(got["zmpack extract peak RSS < 32 MiB"][1])
        self.assertTrue(got["VerifyBlock fast >= 0.9x zlib crc32"][1])
        # The stripped size is the one judged.
        self.assertTrue(got["setup.exe (i686, engine embedded, stripped) <= 400 KiB"][1])


class MarkdownTest(unittest.TestCase):
    def test_failed_and_skipped_parts_are_shown_not_dropped(self):
        text = report.markdown(results())
        self.assertIn("Failed: bsdtar on big, run 1: content differs: big.bin", text)
        self.assertIn("Skipped: build/win64/app/setup.exe is not built", text)
        self.assertIn("| 1.10x | **no** |", text)
        # Fastest first.
        mixed = text[text.index("### mixed"):]
        self.assertLess(mixed.index("| zmpack |"), mixed.index("| bsdtar |"))

    def test_an_install_that_did_not_finish_is_a_missed_goal(self):
        res = results()
        done = {"window_s": [0.5], "check_s": [1.0], "extract_s": [2.0], "nsis_s": [3.0],
                "window_median_s": 0.5, "check_median_s": 1.0, "extract_median_s": 2.0,
                "nsis_median_s": 3.0}
        slow = dict(done, extract_s=[], extract_median_s=None,
                    too_slow="after 300 s: Extracting (3655/20000)")
        res["wine"] = {"wine": "wine-8.0", "start_median_s": 0.01,
                       "corpora": {"mixed": done, "small": slow}}
        got = {g[0]: g[2] for g in report.goals(res)}
        self.assertTrue(got["setup.exe extraction of mixed faster than the NSIS install"])
        self.assertFalse(got["setup.exe extraction of small faster than the NSIS install"])
        text = report.markdown(res)
        self.assertIn("| mixed | 0.500 s | 1.000 s | 2.000 s | 3.000 s | 1.50x | 1 |", text)
        self.assertIn("Extracting (3655/20000)", text)

    def test_the_build_that_ran_is_named_and_the_i686_check_is_judged_apart(self):
        res = results()
        res["verify"]["i686"] = {"mb": 1000.0, "crc32_mbs": 800.0, "verify_mbs": 600.0,
                                 "ratio": 0.75}
        res["wine"] = {"wine": "wine-8.0", "start_median_s": 0.01, "setup_build": "x86_64",
                       "corpora": {}}
        got = {g[0]: g[2] for g in report.goals(res)}
        self.assertTrue(got["VerifyBlock fast >= 0.9x zlib crc32"])
        self.assertFalse(got["VerifyBlock fast >= 0.9x zlib crc32, i686 build"])
        text = report.markdown(res)
        self.assertIn("| i686 (the shipped code, 32-bit Wine) | 800 | 600 | 0.75x |", text)
        self.assertIn("the shipped i686 build was NOT executed", text)
        res["wine"]["setup_build"] = "i686"
        self.assertIn("setup.exe is the shipped i686 build under the 32-bit Wine",
                      report.markdown(res))


if __name__ == "__main__":
    unittest.main()
