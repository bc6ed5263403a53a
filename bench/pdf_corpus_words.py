#!/usr/bin/python3
r"""Converts every PDF of the corpus (damaged and encrypted files left out) to
RTF and to TXT with fotarel-convert and reports, per file, the share of
pdftotext's words that each output holds in order: the longest common
subsequence of the two word sequences over pdftotext's word count. The RTF
is read with unrtf --text (column rtf), which shows every character written
as \uN as "?", and with the project's own RTF reader, converting it to TXT
(column rtf-own). Files below the threshold in rtf or txt are listed at the
end.
Usage: bench/pdf_corpus_words.py FOTAREL_CONVERT [OUT_DIR] [JOBS]
"""
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.environ.get("CORPUS", os.path.join(HERE, "..", "..", "shared", "corpus"))
THRESHOLD = 0.95


def words(text):
    # Page headings of the text output are not words of the document.
    lines = [l for l in text.splitlines() if not re.fullmatch(r"Page \d+\s*", l)]
    return "\n".join(lines).split()


def lcs(a, b):
    # Bit-parallel longest common subsequence (one big integer per row).
    if not a or not b:
        return 0
    masks = {}
    for i, w in enumerate(a):
        masks[w] = masks.get(w, 0) | (1 << i)
    full = (1 << len(a)) - 1
    v = full
    for w in b:
        u = v & masks.get(w, 0)
        v = ((v + u) | (v - u)) & full
    return len(a) - bin(v).count("1")


def run(args, timeout=300):
    try:
        p = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)
        return p.returncode, p.stdout.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return -1, ""


def measure(binary, out, path):
    name = os.path.splitext(os.path.basename(path))[0]
    status, ref = run(["pdftotext", "-enc", "UTF-8", path, "-"])
    expected = words(ref)
    row = [name, str(len(expected))]
    own_share = "fail"
    for to in (".rtf", ".txt"):
        folder = os.path.join(out, name + to)
        code, _ = run([binary, "--to", to, "--out", folder, path])
        target = os.path.join(folder, name + to)
        if code != 0 or not os.path.exists(target):
            row.append("fail:%d" % code)
            continue
        if to == ".rtf":
            _, text = run(["unrtf", "--text", target])
            text = "\n".join(l for l in text.splitlines() if not l.startswith("###"))
        else:
            with open(target, encoding="utf-8", errors="replace") as f:
                text = f.read()
        share = 1.0 if not expected else lcs(expected, words(text)) / len(expected)
        row.append("%.3f" % share)
        if to == ".rtf":
            own = os.path.join(folder, "own")
            code, _ = run([binary, "--to", ".txt", "--out", own, target])
            own_target = os.path.join(own, name + ".txt")
            if code != 0 or not os.path.exists(own_target):
                own_share = "fail:%d" % code
            else:
                with open(own_target, encoding="utf-8", errors="replace") as f:
                    own_text = f.read()
                own_share = "%.3f" % (1.0 if not expected else lcs(expected, words(own_text)) / len(expected))
    row.insert(3, own_share)
    return row


def main():
    binary = sys.argv[1]
    out = sys.argv[2] if len(sys.argv) > 2 else "/tmp/pdf_corpus_words"
    jobs = int(sys.argv[3]) if len(sys.argv) > 3 else 2
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    files = []
    with open(os.path.join(CORPUS, "MANIFEST.tsv"), encoding="utf-8") as f:
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if len(cols) < 7 or not cols[0].startswith("pdf/"):
                continue
            if "damaged" in cols[6] or "encrypted" in cols[6] or cols[5]:
                continue
            files.append(os.path.join(CORPUS, cols[0]))
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        rows = list(pool.map(lambda p: measure(binary, out, p), files))
    print("file\twords\trtf\trtf-own\ttxt")
    for row in rows:
        print("\t".join(row))
    def ok(c):
        return c.replace(".", "").isdigit() and float(c) >= THRESHOLD
    scored = [r for r in rows if all(c.replace(".", "").isdigit() for c in (r[2], r[4]))]
    below = [r for r in rows if not (ok(r[2]) and ok(r[4]))]
    print("# %d files, %d converted to both, %d at or above %.0f%% in both" %
          (len(rows), len(scored), len(scored) - len([r for r in below if r in scored]), THRESHOLD * 100))
    for column, title in ((2, "rtf"), (3, "rtf-own"), (4, "txt")):
        print("# %s: %d files at or above %.0f%%" % (title, len([r for r in rows if ok(r[column])]), THRESHOLD * 100))
    for r in below:
        print("# below: " + "\t".join(r))


if __name__ == "__main__":
    main()
