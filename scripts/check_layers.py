#!/usr/bin/env python3
"""Checks that the libraries of source/ keep to their layers.

Reads the dependency table (scripts/layers.txt) and fails when a file of
source/<library>/ includes "<other>/..." from a library it may not depend on,
includes another library's internal header (*_impl.h), or when a library's
CMakeLists.txt links a vn_<other> library it may not depend on. A folder of
source/ that the table does not name fails too.

Usage: check_layers.py [--layers FILE] [ROOT]   (ROOT holds source/)
"""
import argparse
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
LINKED = re.compile(r'\bvn_([a-z0-9_]+)\b')
SOURCE_SUFFIXES = {'.h', '.hpp', '.cpp', '.cc'}


def read_layers(path):
    layers = {}
    for number, line in enumerate(path.read_text().splitlines(), 1):
        line = line.split('#', 1)[0].strip()
        if not line:
            continue
        name, sep, deps = line.partition(':')
        if not sep or not name.strip():
            raise SystemExit(f'{path}:{number}: expected "library: dependencies"')
        layers[name.strip()] = set(deps.split())
    for name, deps in layers.items():
        unknown = deps - layers.keys()
        if unknown:
            raise SystemExit(f'{path}: {name} depends on unknown {" ".join(sorted(unknown))}')
    return layers


def check(root, layers):
    errors = []
    source = root / 'source'
    for folder in sorted(p for p in source.iterdir() if p.is_dir()):
        library = folder.name
        if library not in layers:
            errors.append(f'source/{library}: not a library of the layer table')
            continue
        allowed = layers[library] | {library}
        for path in sorted(folder.rglob('*')):
            if path.suffix in SOURCE_SUFFIXES:
                errors += check_includes(root, path, library, allowed, layers)
        cmake = folder / 'CMakeLists.txt'
        if cmake.is_file():
            errors += check_links(root, cmake, library, allowed, layers)
    return errors


def check_includes(root, path, library, allowed, layers):
    errors = []
    where = path.relative_to(root)
    for number, line in enumerate(path.read_text(errors='replace').splitlines(), 1):
        match = INCLUDE.match(line)
        if not match or '/' not in match.group(1):
            continue
        header = match.group(1)
        other = header.split('/', 1)[0]
        if other not in layers:
            errors.append(f'{where}:{number}: "{header}" is not in a library of the layer table')
        elif other not in allowed:
            errors.append(f'{where}:{number}: {library} may not include "{header}" '
                          f'({library} may depend on: {" ".join(sorted(layers[library])) or "nothing"})')
        elif other != library and header.endswith('_impl.h'):
            errors.append(f'{where}:{number}: "{header}" is internal to {other}')
    return errors


def check_links(root, cmake, library, allowed, layers):
    errors = []
    where = cmake.relative_to(root)
    for number, line in enumerate(cmake.read_text().splitlines(), 1):
        code = line.split('#', 1)[0]
        for other in LINKED.findall(code):
            if other in layers and other not in allowed:
                errors.append(f'{where}:{number}: {library} may not link vn_{other}')
    return errors


def main():
    here = pathlib.Path(__file__).resolve().parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--layers', type=pathlib.Path, default=here / 'layers.txt')
    parser.add_argument('root', type=pathlib.Path, nargs='?', default=here.parent)
    args = parser.parse_args()
    errors = check(args.root, read_layers(args.layers))
    for error in errors:
        print(error, file=sys.stderr)
    if errors:
        print(f'layering check: {len(errors)} violation(s)', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
