#!/usr/bin/python3
"""Writes a Word document of PAGES pages (default 100) for the DOCX road
benchmark: each page starts with a heading on a new page and holds
paragraphs of text, a numbered and a bulleted list, a table with a table
style and, on every other page, a picture (a 400 x 300 PNG drawn here).
Only the standard library. Usage: make_docx_bench_document.py OUT [PAGES]"""
import sys
import zipfile

from bench_document_parts import png, text

OUT = sys.argv[1]
PAGES = int(sys.argv[2]) if len(sys.argv) > 2 else 100
W = ('xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" '
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
     'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" '
     'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
     'xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"')
R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'


def p(body, ppr=''):
    return '<w:p>%s<w:r><w:t xml:space="preserve">%s</w:t></w:r></w:p>' % (ppr, body)


def li(body, num):
    return p(body, '<w:pPr><w:numPr><w:ilvl w:val="0"/><w:numId w:val="%d"/></w:numPr></w:pPr>' % num)


def picture(pid):
    cx, cy = 2857500, 2143125
    return ('<w:p><w:r><w:drawing><wp:inline><wp:extent cx="%d" cy="%d"/><wp:docPr id="%d" name="Picture %d"/>'
            '<a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:pic>'
            '<pic:nvPicPr><pic:cNvPr id="%d" name="Picture %d"/><pic:cNvPicPr/></pic:nvPicPr>'
            '<pic:blipFill><a:blip r:embed="rIdP"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>'
            '<pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%d" cy="%d"/></a:xfrm><a:prstGeom prst="rect">'
            '<a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing>'
            '</w:r></w:p>' % (cx, cy, pid, pid, pid, pid, cx, cy))


def table(seed):
    cell = lambda t: '<w:tc><w:tcPr><w:tcW w:w="3000" w:type="dxa"/></w:tcPr>%s</w:tc>' % p(t)
    rows = ''.join('<w:tr>%s</w:tr>' % ''.join(cell(text(3, seed + r * 3 + c)) for c in range(3)) for r in range(4))
    return ('<w:tbl><w:tblPr><w:tblStyle w:val="BenchGrid"/><w:tblW w:w="9000" w:type="dxa"/></w:tblPr>'
            '<w:tblGrid><w:gridCol w:w="3000"/><w:gridCol w:w="3000"/><w:gridCol w:w="3000"/></w:tblGrid>%s</w:tbl>'
            % rows)


body = []
for page in range(PAGES):
    body.append(p('Chapter %d' % (page + 1), '<w:pPr><w:pStyle w:val="Heading1"/><w:pageBreakBefore/></w:pPr>'))
    for k in range(3):
        body.append(p(text(60, page * 11 + k)))
    for k in range(3):
        body.append(li(text(8, page + k), 1))
    for k in range(2):
        body.append(li(text(6, page + k + 5), 2))
    body.append(table(page))
    if page % 2 == 0:
        body.append(picture(page + 1))
    else:
        body.append(p(text(60, page * 13)))
body.append('<w:sectPr><w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1440" w:right="1440" w:bottom="1440" '
            'w:left="1440" w:header="720" w:footer="720" w:gutter="0"/></w:sectPr>')

styles = ('<?xml version="1.0" encoding="UTF-8"?><w:styles %s><w:docDefaults><w:rPrDefault><w:rPr>'
          '<w:rFonts w:ascii="Arial" w:hAnsi="Arial" w:cs="Arial"/><w:sz w:val="22"/></w:rPr></w:rPrDefault>'
          '<w:pPrDefault><w:pPr><w:spacing w:after="120"/></w:pPr></w:pPrDefault></w:docDefaults>'
          '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>'
          '<w:style w:type="paragraph" w:styleId="Heading1"><w:name w:val="heading 1"/><w:basedOn w:val="Normal"/>'
          '<w:rPr><w:b/><w:sz w:val="32"/></w:rPr></w:style>'
          '<w:style w:type="table" w:styleId="BenchGrid"><w:name w:val="Bench Grid"/><w:tblPr><w:tblBorders>'
          '<w:top w:val="single" w:sz="4" w:color="000000"/><w:left w:val="single" w:sz="4" w:color="000000"/>'
          '<w:bottom w:val="single" w:sz="4" w:color="000000"/><w:right w:val="single" w:sz="4" w:color="000000"/>'
          '<w:insideH w:val="single" w:sz="4" w:color="000000"/><w:insideV w:val="single" w:sz="4" w:color="000000"/>'
          '</w:tblBorders></w:tblPr></w:style></w:styles>' % W)
numbering = ('<?xml version="1.0" encoding="UTF-8"?><w:numbering %s>'
             '<w:abstractNum w:abstractNumId="0"><w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="decimal"/>'
             '<w:lvlText w:val="%%1."/><w:pPr><w:ind w:left="720" w:hanging="360"/></w:pPr></w:lvl></w:abstractNum>'
             '<w:abstractNum w:abstractNumId="1"><w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="bullet"/>'
             '<w:lvlText w:val="-"/><w:pPr><w:ind w:left="720" w:hanging="360"/></w:pPr></w:lvl></w:abstractNum>'
             '<w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num><w:num w:numId="2"><w:abstractNumId w:val="1"/>'
             '</w:num></w:numbering>' % W)


def rels(items):
    return ('<?xml version="1.0" encoding="UTF-8"?><Relationships '
            'xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' +
            ''.join('<Relationship Id="%s" Type="%s" Target="%s"/>' % i for i in items) + '</Relationships>')


with zipfile.ZipFile(OUT, 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml',
               '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/'
               'content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.'
               'relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Default Extension="png" '
               'ContentType="image/png"/><Override PartName="/word/document.xml" ContentType="application/'
               'vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/><Override PartName="/word/'
               'styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>'
               '<Override PartName="/word/numbering.xml" ContentType="application/vnd.openxmlformats-officedocument.'
               'wordprocessingml.numbering+xml"/></Types>')
    z.writestr('_rels/.rels', rels([('rId1', R + 'officeDocument', 'word/document.xml')]))
    z.writestr('word/_rels/document.xml.rels', rels([('rIdS', R + 'styles', 'styles.xml'),
                                                     ('rIdN', R + 'numbering', 'numbering.xml'),
                                                     ('rIdP', R + 'image', 'media/picture.png')]))
    z.writestr('word/document.xml', '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:document %s>'
               '<w:body>%s</w:body></w:document>' % (W, ''.join(body)))
    z.writestr('word/styles.xml', styles)
    z.writestr('word/numbering.xml', numbering)
    z.writestr('word/media/picture.png', png(400, 300))
