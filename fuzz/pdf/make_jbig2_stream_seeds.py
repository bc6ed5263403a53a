#!/usr/bin/env python3
"""Writes the seeds of jbig2_stream_fuzz: every JBIG2 image of the corpus
(its embedded stream and the JBIG2Globals stream it names) and the
globals fixture, each as two bytes of globals length, the globals, then
the stream. Needs qpdf; run from anywhere with the corpus folder as the
argument (default: ../shared/corpus/pdf beside the clone)."""
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PASSWORDS = {'pdfjs_issue3371.pdf': 'ELXRTQWS'}


def raw(pdf, number, password):
    args = ['qpdf']
    if password:
        args.append('--password=' + password)
    args += ['--show-object=%d' % number, '--raw-stream-data', pdf]
    return subprocess.run(args, capture_output=True, check=True).stdout


def images(pdf, password):
    args = ['qpdf', '--json']
    if password:
        args.append('--password=' + password)
    out = subprocess.run(args + [pdf], capture_output=True).stdout
    objects = json.loads(out)['qpdf'][1]
    for key, value in objects.items():
        stream = value.get('stream') if isinstance(value, dict) else None
        if not stream:
            continue
        d = stream['dict']
        filters = d.get('/Filter')
        filters = filters if isinstance(filters, list) else [filters]
        if '/JBIG2Decode' not in filters or d.get('/Subtype') != '/Image':
            continue
        globals_ref = (d.get('/DecodeParms') or {}).get('/JBIG2Globals') if isinstance(d.get('/DecodeParms'), dict) else None
        yield int(key.split(':')[1].split()[0]), int(globals_ref.split()[0]) if globals_ref else 0


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, '..', 'shared', 'corpus', 'pdf')
    out_dir = os.path.join(HERE, 'seeds', 'jbig2_stream_fuzz')
    os.makedirs(out_dir, exist_ok=True)
    sources = [(os.path.join(corpus, f), PASSWORDS.get(f, '')) for f in sorted(os.listdir(corpus)) if f.endswith('.pdf')]
    sources.append((os.path.join(ROOT, 'tests', 'fixtures', 'pdf', 'jbig2', 'globals-symbols.pdf'), ''))
    for pdf, password in sources:
        try:
            found = list(images(pdf, password))
        except (ValueError, KeyError):
            continue
        for number, globals_number in found:
            stream = raw(pdf, number, password)
            globals_data = raw(pdf, globals_number, password) if globals_number else b''
            if len(globals_data) > 0xFFFF:
                continue
            name = os.path.splitext(os.path.basename(pdf))[0].replace('pdfjs_', '') + '-%d' % number
            with open(os.path.join(out_dir, name), 'wb') as f:
                f.write(len(globals_data).to_bytes(2, 'big') + globals_data + stream)
            print(name)


if __name__ == '__main__':
    main()
