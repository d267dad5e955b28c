#!/usr/bin/env python3
"""The examples runner's comparison: every line of standard output and of
standard error must be shown, each stream in its order, and nothing else."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_examples import matches  # noqa: E402

OUT = ["{", "}"]
ERR = ["message 57", "", "Read parameters from device OK."]


class Matches(unittest.TestCase):
    def test_cases(self):
        cases = [
            # expected, out, err, whether it matches
            ("both streams, stderr first", ERR + OUT, OUT, ERR, True),
            ("both streams, interleaved", ["{", "message 57", "", "}", "Read parameters from device OK."], OUT, ERR, True),
            ("nothing shown, nothing printed", [], [], [], True),
            ("nothing shown, stderr printed", [], [], ERR, False),
            ("stdout only shown", OUT, OUT, ERR, False),
            ("a line too many", ERR + ["extra"], [], ERR, False),
            ("a stream's order changed", ["}", "{"], OUT, [], False),
            ("... for any lines", ["message 57", "..."], [], ERR, True),
            ("... still needs the rest", ["...", "missing"], OUT, ERR, False),
        ]
        for name, expected, out, err, result in cases:
            with self.subTest(name):
                self.assertEqual(matches(expected, out, err), result)


if __name__ == "__main__":
    unittest.main()
