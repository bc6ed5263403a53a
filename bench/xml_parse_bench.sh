#!/usr/bin/env bash
# Loading a 300-page word/document.xml: our XML parser against xmllint --noout
# (libxml2) on the same file in the same run.
#
# The document is built from the corpus's DOCX packages: the body content of
# several Word-made documents (text, lists, tables, drawings), repeated until
# their pages (as the corpus manifest counts them) reach 300, under one root
# element that declares every namespace they use. The release benchmark
# xml_parse_bench loads it as the DOCX reader does; xmllint --noout parses it
# into a tree and frees it. Both are timed over several runs, and the script
# reports the median times and their ratio.
#
# Usage: bench/xml_parse_bench.sh [BUILD_DIR]   (default: build/bench)
# VN_CORPUS_DIR names the corpus (default: ../shared/corpus beside the tree).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/bench}
CORPUS=${VN_CORPUS_DIR:-$ROOT/../shared/corpus}
RUNS=${RUNS:-15}
JOBS=${JOBS:-3}

command -v xmllint >/dev/null || { echo "missing: xmllint (Debian package libxml2-utils)" >&2; exit 1; }
[ -d "$CORPUS/docx" ] || { echo "no corpus at $CORPUS" >&2; exit 1; }

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_GUI=OFF \
  -DVN_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target xml_parse_bench >/dev/null

WORK=$(mktemp -d /tmp/vn_xml_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
DOC=$WORK/document.xml

python3 - "$CORPUS" "$DOC" <<'EOF'
import re, sys, zipfile
corpus, out = sys.argv[1], sys.argv[2]
# Word-made packages with much body markup of different kinds.
sources = ["poi_drawing.docx", "tika_testWORD_numbered_list.docx", "tika_testWORD_various.docx",
           "pandoc_table_variable_width.docx", "poi_delins.docx", "pandoc_table_header_rowspan.docx"]
pages = {}
for line in open(corpus + "/MANIFEST.tsv", encoding="utf-8"):
    m = re.search(r"^docx/(\S+)\t.*pages=(\d+)", line)
    if m:
        pages[m.group(1)] = int(m.group(2))
namespaces, bodies = {}, []
for name in sources:
    xml = zipfile.ZipFile(corpus + "/docx/" + name).read("word/document.xml").decode("utf-8")
    root = re.search(r"<w:document\b([^>]*)>", xml)
    for prefix, uri in re.findall(r'xmlns(:\w+)?="([^"]*)"', root.group(1)):
        namespaces.setdefault(prefix, uri)
    body = xml[xml.index("<w:body>") + len("<w:body>"):xml.rindex("<w:sectPr")]
    bodies.append((body, pages.get(name, 1)))
total, parts = 0, []
while total < 300:
    for body, count in bodies:
        parts.append(body)
        total += count
decls = "".join(' xmlns%s="%s"' % (p, u) for p, u in namespaces.items())
with open(out, "w", encoding="utf-8") as f:
    f.write('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n')
    f.write("<w:document%s><w:body>%s" % (decls, "".join(parts)))
    f.write('<w:sectPr><w:pgSz w:w="11906" w:h="16838"/></w:sectPr></w:body></w:document>')
print("document.xml: %d pages, %.1f MB" % (total, sum(map(len, parts)) / 1e6), file=sys.stderr)
EOF

xmllint --noout "$DOC"  # refuses a document that is not well-formed

ours=$(VN_XML_BENCH_FILE=$DOC "$BUILD/bench/xml_parse_bench" --benchmark_repetitions="$RUNS" \
  --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
  awk -F, '/_median"/ { print $3 / 1000 }')  # ms -> s (real_time column)

theirs=$(python3 - "$DOC" "$RUNS" <<'EOF'
import statistics, subprocess, sys, time
times = []
for _ in range(int(sys.argv[2])):
    start = time.perf_counter()
    subprocess.run(["xmllint", "--noout", sys.argv[1]], check=True)
    times.append(time.perf_counter() - start)
print(statistics.median(times))
EOF
)

awk -v ours="$ours" -v theirs="$theirs" 'BEGIN {
  printf "ours (load into the tree): %.1f ms\nxmllint --noout:           %.1f ms\nratio ours/xmllint:        %.2f\n",
    ours * 1000, theirs * 1000, ours / theirs }'
