#!/usr/bin/env python3
"""The layering check on small planted trees, with the project's own table."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = ROOT / 'scripts' / 'check_layers.py'

# A tree that keeps to the layers: includes downwards, an internal header
# used inside its own library, includes without a folder, and links allowed
# by the table.
GOOD = {
    'source/runtime/strings.h': '#pragma once\n',
    'source/platform/images/codec_impl.h': '#include "runtime/strings.h"\n',
    'source/platform/images/codec.cpp': '#include "platform/images/codec_impl.h"\n#include <vector>\n',
    'source/pdf/lexer.cpp': '#include "runtime/strings.h"\n#include "lexer_local.h"\n',
    'source/pdf/CMakeLists.txt': 'vn_glob_library(vn_pdf DEPS vn_runtime)\n',
    'source/framework/canvas.cpp': '#include "platform/images/codec.h"\n',
    'source/library/library.cpp': '#include "pdf/lexer.h"\n#include "framework/canvas.h"\n',
}


def run(tree):
    with tempfile.TemporaryDirectory() as root:
        for name, text in tree.items():
            path = pathlib.Path(root, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        done = subprocess.run([sys.executable, str(SCRIPT), root], capture_output=True, text=True)
        return done.returncode, done.stderr


class CheckLayers(unittest.TestCase):
    def test_the_project_keeps_its_layers(self):
        done = subprocess.run([sys.executable, str(SCRIPT)], capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)

    def test_a_tree_that_keeps_the_layers_passes(self):
        code, errors = run(GOOD)
        self.assertEqual(code, 0, errors)

    def test_each_planted_fault_fails_with_its_place(self):
        cases = [
            ('an include upwards', 'source/pdf/crypt.cpp', '\n#include "framework/crypt.h"\n',
             'source/pdf/crypt.cpp:2: pdf may not include "framework/crypt.h"'),
            ('an include sideways', 'source/pdf/fonts_use.cpp', '#include "fonts/sfnt.h"\n',
             'pdf may not include "fonts/sfnt.h"'),
            ('an internal header from outside', 'source/framework/picture.cpp',
             '#include "platform/images/codec_impl.h"\n', '"platform/images/codec_impl.h" is internal to platform'),
            ('a folder the table does not name', 'source/utils/zip.h', '#pragma once\n',
             'source/utils: not a library of the layer table'),
            ('an include from no library', 'source/export/engine.cpp', '#include "third/party.h"\n',
             '"third/party.h" is not in a library of the layer table'),
            ('a link upwards', 'source/runtime/CMakeLists.txt', 'vn_glob_library(vn_runtime DEPS vn_platform)\n',
             'source/runtime/CMakeLists.txt:1: runtime may not link vn_platform'),
        ]
        for what, name, text, message in cases:
            with self.subTest(what):
                code, errors = run({**GOOD, name: text})
                self.assertEqual(code, 1, errors)
                self.assertIn(message, errors)


if __name__ == '__main__':
    unittest.main()
