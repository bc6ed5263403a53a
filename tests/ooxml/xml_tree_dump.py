#!/usr/bin/env python3
"""Dumps XML documents as ElementTree reads them, in the line format that
tests/ooxml/xml_tree_dump.h writes for our parser, so the two can be compared
line for line.

  xml_tree_dump.py extract DOCX_DIR OUT_DIR
      Writes every XML part of every package in DOCX_DIR as OUT_DIR/N.xml with
      its dump in OUT_DIR/N.expected, and OUT_DIR/index.tsv (N, package, part).
      A part ElementTree refuses gets "error: ..." as its dump.
  xml_tree_dump.py dump FILE...
      Writes FILE.dump beside each FILE.

Names are given as written (ElementTree's {uri}local names are matched with
the names expat reports without namespace processing), and namespace
declarations are not attributes.
Adjacent text and CDATA runs are joined; comments and processing
instructions are left out; text made only of blanks is left out unless an
xml:space="preserve" scope holds it.
"""
import io
import os
import sys
import xml.etree.ElementTree as ET
import xml.parsers.expat as expat
import zipfile

XML_NS = "http://www.w3.org/XML/1998/namespace"


def escape(text):
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


def is_blank(text):
    return all(c in " \t\r\n" for c in text)


def written_names(data):
    """The element and attribute names as written, in document order (the
    names ElementTree gives are {uri}local, and one URI may have several
    prefixes)."""
    names = []
    parser = expat.ParserCreate()
    parser.ordered_attributes = True

    def start(tag, attributes):
        keys = [k for k in attributes[0::2] if k != "xmlns" and not k.startswith("xmlns:")]
        names.append((tag, keys))

    parser.StartElementHandler = start
    parser.Parse(data, True)
    return names


def dump(data):
    tree = ET.parse(io.BytesIO(data))
    names = iter(written_names(data))
    written = {}
    for element in tree.getroot().iter():
        tag, keys = next(names)
        if len(keys) != len(element.attrib):
            raise ValueError("attribute names do not line up")
        written[element] = (tag, dict(zip(element.attrib.keys(), keys)))

    out = []

    def walk(element, depth, preserve):
        tag, keys = written[element]
        pad = "  " * depth
        out.append(pad + "E " + tag)
        for key, value in element.attrib.items():
            out.append(pad + "A " + keys[key] + "=" + escape(value))
        space = element.attrib.get("{%s}space" % XML_NS)
        if space == "preserve":
            preserve = True
        elif space == "default":
            preserve = False
        runs = [element.text or ""]
        for child in element:
            runs.append(child)
            runs.append(child.tail or "")
        text = ""
        for run in runs + [None]:
            if isinstance(run, str):
                text += run
                continue
            if text and (preserve or not is_blank(text)):
                out.append(pad + "  T " + escape(text))
            text = ""
            if run is not None:
                walk(run, depth + 1, preserve)

    walk(tree.getroot(), 0, False)
    return "\n".join(out) + "\n"


def safe_dump(data):
    try:
        return dump(data)
    except Exception as error:  # not well-formed
        return "error: %s\n" % error


def extract(docx_dir, out_dir):
    n = 0
    with open(os.path.join(out_dir, "index.tsv"), "w", encoding="utf-8") as index:
        for package in sorted(os.listdir(docx_dir)):
            try:
                archive = zipfile.ZipFile(os.path.join(docx_dir, package))
            except (zipfile.BadZipFile, OSError):
                continue
            for part in archive.namelist():
                if not part.endswith((".xml", ".rels")):
                    continue
                try:
                    data = archive.read(part)
                except Exception:
                    continue
                with open(os.path.join(out_dir, "%d.xml" % n), "wb") as f:
                    f.write(data)
                with open(os.path.join(out_dir, "%d.expected" % n), "w", encoding="utf-8") as f:
                    f.write(safe_dump(data))
                index.write("%d\t%s\t%s\n" % (n, package, part))
                n += 1


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "extract":
        extract(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 2 and sys.argv[1] == "dump":
        for path in sys.argv[2:]:
            with open(path, "rb") as f:
                data = f.read()
            with open(path + ".dump", "w", encoding="utf-8") as f:
                f.write(safe_dump(data))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
