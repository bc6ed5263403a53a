#!/usr/bin/python3
"""Generates source/pdfdocument/font_tables.cpp: the seven single-byte
encodings, the glyph list and the ZapfDingbats list, and the advance widths
of the fourteen standard fonts.

Run once by hand (the output is committed); the project never runs it at
build or test time. Sources, all public and on a Debian 12 machine:
- python3-fonttools: the Adobe Glyph List (fontTools.agl), the ZapfDingbats
  list (fontTools.agl), StandardEncoding and the Mac OS Roman glyph names.
- fonts-urw-base35: AFM files metric-compatible with the standard fonts
  (advance widths; the Symbol and ZapfDingbats built-in encodings).
- Python's cp1252 codec for the WinAnsi code points.
- The expert encodings (the predefined Expert encoding of CFF fonts and
  MacExpertEncoding) have no machine-readable copy on the machine; they are
  kept below as code/name tables transcribed from their published lists.

Usage: /usr/bin/python3 scripts/generate_pdf_font_tables.py [output.cpp]
"""
import os
import sys

from fontTools import agl
from fontTools.encodings.MacRoman import MacRoman
from fontTools.encodings.StandardEncoding import StandardEncoding

AFM_DIR = "/usr/share/fonts/type1/urw-base35"

# Expert encoding of CFF fonts: code, glyph name.
EXPERT = """
32 space 33 exclamsmall 34 Hungarumlautsmall 36 dollaroldstyle 37 dollarsuperior 38 ampersandsmall 39 Acutesmall
40 parenleftsuperior 41 parenrightsuperior 42 twodotenleader 43 onedotenleader 44 comma 45 hyphen 46 period 47 fraction
48 zerooldstyle 49 oneoldstyle 50 twooldstyle 51 threeoldstyle 52 fouroldstyle 53 fiveoldstyle 54 sixoldstyle
55 sevenoldstyle 56 eightoldstyle 57 nineoldstyle 58 colon 59 semicolon 60 commasuperior 61 threequartersemdash
62 periodsuperior 63 questionsmall 65 asuperior 66 bsuperior 67 centsuperior 68 dsuperior 69 esuperior 73 isuperior
76 lsuperior 77 msuperior 78 nsuperior 79 osuperior 82 rsuperior 83 ssuperior 84 tsuperior 86 ff 87 fi 88 fl 89 ffi
90 ffl 91 parenleftinferior 93 parenrightinferior 94 Circumflexsmall 95 hyphensuperior 96 Gravesmall 97 Asmall
98 Bsmall 99 Csmall 100 Dsmall 101 Esmall 102 Fsmall 103 Gsmall 104 Hsmall 105 Ismall 106 Jsmall 107 Ksmall 108 Lsmall
109 Msmall 110 Nsmall 111 Osmall 112 Psmall 113 Qsmall 114 Rsmall 115 Ssmall 116 Tsmall 117 Usmall 118 Vsmall
119 Wsmall 120 Xsmall 121 Ysmall 122 Zsmall 123 colonmonetary 124 onefitted 125 rupiah 126 Tildesmall
161 exclamdownsmall 162 centoldstyle 163 Lslashsmall 166 Scaronsmall 167 Zcaronsmall 168 Dieresissmall
169 Brevesmall 170 Caronsmall 172 Dotaccentsmall 175 Macronsmall 178 figuredash 179 hypheninferior 182 Ogoneksmall
183 Ringsmall 184 Cedillasmall 188 onequarter 189 onehalf 190 threequarters 191 questiondownsmall 192 oneeighth
193 threeeighths 194 fiveeighths 195 seveneighths 196 onethird 197 twothirds 200 zerosuperior 201 onesuperior
202 twosuperior 203 threesuperior 204 foursuperior 205 fivesuperior 206 sixsuperior 207 sevensuperior
208 eightsuperior 209 ninesuperior 210 zeroinferior 211 oneinferior 212 twoinferior 213 threeinferior
214 fourinferior 215 fiveinferior 216 sixinferior 217 seveninferior 218 eightinferior 219 nineinferior
220 centinferior 221 dollarinferior 222 periodinferior 223 commainferior 224 Agravesmall 225 Aacutesmall
226 Acircumflexsmall 227 Atildesmall 228 Adieresissmall 229 Aringsmall 230 AEsmall 231 Ccedillasmall
232 Egravesmall 233 Eacutesmall 234 Ecircumflexsmall 235 Edieresissmall 236 Igravesmall 237 Iacutesmall
238 Icircumflexsmall 239 Idieresissmall 240 Ethsmall 241 Ntildesmall 242 Ogravesmall 243 Oacutesmall
244 Ocircumflexsmall 245 Otildesmall 246 Odieresissmall 247 OEsmall 248 Oslashsmall 249 Ugravesmall
250 Uacutesmall 251 Ucircumflexsmall 252 Udieresissmall 253 Yacutesmall 254 Thornsmall 255 Ydieresissmall
"""

# MacExpertEncoding: code, glyph name.
MAC_EXPERT = """
32 space 33 exclamsmall 34 Hungarumlautsmall 35 centoldstyle 36 dollaroldstyle 37 dollarsuperior 38 ampersandsmall
39 Acutesmall 40 parenleftsuperior 41 parenrightsuperior 42 twodotenleader 43 onedotenleader 44 comma 45 hyphen
46 period 47 fraction 48 zerooldstyle 49 oneoldstyle 50 twooldstyle 51 threeoldstyle 52 fouroldstyle
53 fiveoldstyle 54 sixoldstyle 55 sevenoldstyle 56 eightoldstyle 57 nineoldstyle 58 colon 59 semicolon
61 threequartersemdash 63 questionsmall 68 Ethsmall 71 onequarter 72 onehalf 73 threequarters 74 oneeighth
75 threeeighths 76 fiveeighths 77 seveneighths 78 onethird 79 twothirds 86 ff 87 fi 88 fl 89 ffi 90 ffl
91 parenleftinferior 93 parenrightinferior 94 Circumflexsmall 95 hypheninferior 96 Gravesmall 97 Asmall 98 Bsmall
99 Csmall 100 Dsmall 101 Esmall 102 Fsmall 103 Gsmall 104 Hsmall 105 Ismall 106 Jsmall 107 Ksmall 108 Lsmall
109 Msmall 110 Nsmall 111 Osmall 112 Psmall 113 Qsmall 114 Rsmall 115 Ssmall 116 Tsmall 117 Usmall 118 Vsmall
119 Wsmall 120 Xsmall 121 Ysmall 122 Zsmall 123 colonmonetary 124 onefitted 125 rupiah 126 Tildesmall
129 asuperior 130 centsuperior 135 Aacutesmall 136 Agravesmall 137 Acircumflexsmall 138 Adieresissmall
139 Atildesmall 140 Aringsmall 141 Ccedillasmall 142 Eacutesmall 143 Egravesmall 144 Ecircumflexsmall
145 Edieresissmall 146 Iacutesmall 147 Igravesmall 148 Icircumflexsmall 149 Idieresissmall 150 Ntildesmall
151 Oacutesmall 152 Ogravesmall 153 Ocircumflexsmall 154 Odieresissmall 155 Otildesmall 156 Uacutesmall
157 Ugravesmall 158 Ucircumflexsmall 159 Udieresissmall 161 eightsuperior 162 fourinferior 163 threeinferior
164 sixinferior 165 eightinferior 166 seveninferior 167 Scaronsmall 169 centinferior 170 twoinferior
172 Dieresissmall 174 Caronsmall 175 osuperior 176 fiveinferior 178 commainferior 179 periodinferior
180 Yacutesmall 182 dollarinferior 184 Thornsmall 186 nineinferior 187 zeroinferior 188 Zcaronsmall 189 AEsmall
190 Oslashsmall 191 questiondownsmall 192 oneinferior 193 Lslashsmall 200 Cedillasmall 206 OEsmall
207 figuredash 208 hyphensuperior 213 exclamdownsmall 215 Ydieresissmall 217 onesuperior 218 twosuperior
219 threesuperior 220 foursuperior 221 fivesuperior 222 sixsuperior 223 sevensuperior 224 ninesuperior
225 zerosuperior 227 esuperior 228 rsuperior 229 tsuperior 232 isuperior 233 ssuperior 234 dsuperior
241 lsuperior 242 Ogoneksmall 243 Brevesmall 244 Macronsmall 245 bsuperior 246 nsuperior 247 msuperior
248 commasuperior 249 periodsuperior 250 Dotaccentsmall 251 Ringsmall
"""

# The Latin glyphs of the standard fonts beyond the ISOAdobe character set:
# the Central European letters and a few symbols.
LATIN_EXTRA = """
Abreve abreve Amacron amacron Aogonek aogonek Cacute cacute Ccaron ccaron Dcaron dcaron Dcroat dcroat
Ecaron ecaron Edotaccent edotaccent Emacron emacron Eogonek eogonek Gbreve gbreve Gcommaaccent gcommaaccent
Idotaccent Imacron imacron Iogonek iogonek Kcommaaccent kcommaaccent Lacute lacute Lcaron lcaron
Lcommaaccent lcommaaccent Nacute nacute Ncaron ncaron Ncommaaccent ncommaaccent Ohungarumlaut ohungarumlaut
Omacron omacron Racute racute Rcaron rcaron Rcommaaccent rcommaaccent Sacute sacute Scedilla scedilla
Scommaaccent scommaaccent Tcaron tcaron Tcommaaccent tcommaaccent Uhungarumlaut uhungarumlaut Umacron umacron
Uogonek uogonek Uring uring Zacute zacute Zdotaccent zdotaccent
Delta Euro commaaccent greaterequal lessequal lozenge notequal partialdiff radical summation
"""

# The standard fonts, in table order: name, AFM file, whose widths table.
FONTS = [
    ("Courier", "NimbusMonoPS-Regular"),
    ("Courier-BoldOblique", "NimbusMonoPS-BoldItalic"),
    ("Courier-Oblique", "NimbusMonoPS-Italic"),
    ("Helvetica", "NimbusSans-Regular"),
    ("Helvetica-Bold", "NimbusSans-Bold"),
    ("Helvetica-BoldOblique", "NimbusSans-BoldItalic"),
    ("Helvetica-Oblique", "NimbusSans-Italic"),
    ("Symbol", "StandardSymbolsPS"),
    ("Times-Bold", "NimbusRoman-Bold"),
    ("Times-BoldItalic", "NimbusRoman-BoldItalic"),
    ("Times-Italic", "NimbusRoman-Italic"),
    ("Times-Roman", "NimbusRoman-Regular"),
    ("ZapfDingbats", "D050000L"),
]


def pairs(text):
    words = text.split()
    return {int(words[i]): words[i + 1] for i in range(0, len(words), 2)}


def read_afm(name):
    """[(code, name, width)] of the AFM's character metrics."""
    out = []
    with open(os.path.join(AFM_DIR, name + ".afm"), encoding="latin-1") as f:
        for line in f:
            if not line.startswith("C "):
                continue
            fields = dict(
                part.strip().split(" ", 1) for part in line.split(";") if part.strip() and " " in part.strip())
            out.append((int(fields["C"]), fields["N"].strip(), int(float(fields["WX"]))))
    return out


def builtin_encoding(afm):
    """Codes 32-126 and 161-254 except 240 of the AFM's own encoding."""
    enc = [""] * 256
    for code, name, _ in read_afm(afm):
        if 32 <= code <= 126 or (161 <= code <= 254 and code != 240):
            enc[code] = name
    return enc


def encodings():
    std = [("" if n == ".notdef" else n) for n in StandardEncoding]
    win = [""] * 256
    for code in range(32, 256):
        try:
            if code == 127:
                raise UnicodeDecodeError("cp1252", b"", 0, 1, "control")
            ch = bytes([code]).decode("cp1252")
        except UnicodeDecodeError:
            win[code] = "bullet"
            continue
        win[code] = std_name_of(ord(ch))
    win[127] = "bullet"
    win[160] = "space"
    win[173] = "hyphen"
    mac = [""] * 256
    for code in range(32, 256):
        mac[code] = MacRoman[code]
    for code in range(32, 127):
        mac[code] = win[code]
    mac[127] = "UL"
    mac[202] = "space"
    mac[219] = "currency"
    expert = [""] * 256
    for code, name in pairs(EXPERT).items():
        expert[code] = name
    mac_expert = [""] * 256
    for code, name in pairs(MAC_EXPERT).items():
        mac_expert[code] = name
    return [
        ("StandardEncoding", std, 149),
        ("WinAnsiEncoding", win, 224),
        ("MacRomanEncoding", mac, 224),
        ("MacExpertEncoding", mac_expert, 165),
        ("ExpertEncoding", expert, 165),
        ("SymbolEncoding", builtin_encoding("StandardSymbolsPS"), 188),
        ("ZapfDingbatsEncoding", builtin_encoding("D050000L"), 188),
    ]


_NAMES_BY_UV = None


def std_name_of(uv):
    """The Latin glyph name of a code point: the name StandardEncoding or Mac
    OS Roman gives it, else the glyph list's preferred name."""
    global _NAMES_BY_UV
    if _NAMES_BY_UV is None:
        _NAMES_BY_UV = {}
        for name in list(StandardEncoding) + list(MacRoman) + LATIN_EXTRA.split():
            if name in agl.LEGACY_AGL2UV:
                _NAMES_BY_UV.setdefault(agl.LEGACY_AGL2UV[name][0], name)
    extra = {0x00A6: "brokenbar", 0x00B2: "twosuperior", 0x00B3: "threesuperior", 0x00B9: "onesuperior",
             0x00BC: "onequarter", 0x00BD: "onehalf", 0x00BE: "threequarters", 0x00D0: "Eth", 0x00D7: "multiply",
             0x00DD: "Yacute", 0x00DE: "Thorn", 0x00F0: "eth", 0x00FD: "yacute", 0x00FE: "thorn", 0x017D: "Zcaron",
             0x017E: "zcaron", 0x0160: "Scaron", 0x0161: "scaron", 0x20AC: "Euro", 0x00B5: "mu", 0x00A0: "space", 0x00AD: "hyphen"}
    if uv in extra:
        return extra[uv]
    return _NAMES_BY_UV.get(uv) or agl.UV2AGL[uv]


def glyph_list():
    out = []
    for name, uvs in agl.LEGACY_AGL2UV.items():
        out.append((name, uvs[0]))
    return sorted(out, key=lambda p: p[0].encode())


def dingbats_list():
    out = [("a%d" % i, ord(ch)) for i, ch in enumerate(agl._AGL_ZAPF_DINGBATS) if ch != " "]
    return sorted(out, key=lambda p: p[0].encode())


def widths():
    from fontTools.cffLib import cffISOAdobeStrings
    latin = set(cffISOAdobeStrings[1:]) | set(LATIN_EXTRA.split())
    tables = []
    for font, afm in FONTS:
        metrics = read_afm(afm)
        if font == "Symbol":
            chosen = {n: w for c, n, w in metrics if 32 <= c <= 126 or 160 <= c <= 254}
            # The metric-compatible file lacks the apple logo at code 240.
            chosen.setdefault("apple", 790)
        elif font == "ZapfDingbats":
            chosen = {n: w for c, n, w in metrics if n != ".notdef"}
        else:
            chosen = {n: w for c, n, w in metrics if n in latin}
            # The metric-compatible files lack the comma accent of the
            # originals: 600 in the fixed-pitch fonts, 250 in the others.
            chosen.setdefault("commaaccent", 600 if font.startswith("Courier") else 250)
            if font == "Helvetica-Bold":
                # An extra entry of the original metrics of this font.
                chosen["dbldaggerumlaut"] = 556
        tables.append((font, sorted(chosen.items(), key=lambda p: p[0].encode())))
    return tables


def cstr(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    out_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "source", "pdfdocument", "font_tables.cpp")
    lines = [
        "// Generated by scripts/generate_pdf_font_tables.py; do not edit by hand.",
        "// The single-byte encodings, the glyph lists and the advance widths of",
        "// the standard fonts.",
        "#include \"pdfdocument/encodings.h\"",
        "#include \"pdfdocument/font_tables_impl.h\"",
        "",
        "namespace vn::pdfdoc {",
        "",
    ]
    for name, enc, expected in encodings():
        count = sum(1 for n in enc if n)
        assert count == expected, (name, count, expected)
        lines.append("const TvnEncodingArray %s = {" % name)
        for code in range(0, 256, 8):
            lines.append("    " + " ".join(cstr(n) + "," for n in enc[code:code + 8]))
        lines.append("};")
        lines.append("")
    for ident, table, expected in (("kGlyphList", glyph_list(), 4281), ("kDingbatsList", dingbats_list(), 201)):
        assert len(table) == expected, (ident, len(table))
        lines.append("const TvnGlyphListEntry %s[%d] = {" % (ident, len(table)))
        for n, uv in table:
            lines.append("    {%s, 0x%04X}," % (cstr(n), uv))
        lines.append("};")
        lines.append("const size_t %sSize = %d;" % (ident, len(table)))
        lines.append("")
    expected_sizes = {"Symbol": 190, "ZapfDingbats": 202, "Helvetica-Bold": 316}
    for font, table in widths():
        assert len(table) == expected_sizes.get(font, 315), (font, len(table))
        ident = "kWidths" + font.replace("-", "")
        lines.append("const TvnBuiltInFontWidths %s[%d] = {" % (ident, len(table)))
        for n, w in table:
            lines.append("    {%s, %d}," % (cstr(n), w))
        lines.append("};")
        lines.append("")
    lines.append("}  // namespace vn::pdfdoc")
    with open(out_path, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
