#!/usr/bin/python3
"""Writes the small hand-made seeds of docx_reader_fuzz: a package with every
part the reader reads (styles with a table style, lists with an override,
theme fonts, settings, core properties, two sections with headers, footers
and columns) and, as part_xml, bare XML that the target puts into every part of
a package, one document element whose children serve every reader. Run from this folder."""
import zipfile

R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'


def rels(items):
    return ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' +
            ''.join('<Relationship Id="%s" Type="%s" Target="%s"/>' % i for i in items) + '</Relationships>')


styles = ('<w:styles><w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val="22"/></w:rPr></w:rPrDefault>'
          '<w:pPrDefault><w:pPr><w:spacing w:after="160"/></w:pPr></w:pPrDefault></w:docDefaults>'
          '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>'
          '<w:style w:type="numbering" w:styleId="Outline"/>'
          '<w:style w:type="table" w:styleId="Grid"><w:tblPr><w:tblBorders><w:top w:val="single" w:sz="4"/></w:tblBorders></w:tblPr>'
          '<w:tblStylePr w:type="firstRow"><w:rPr><w:b/></w:rPr></w:tblStylePr></w:style></w:styles>')
numbering = ('<w:numbering><w:abstractNum w:abstractNumId="0"><w:numStyleLink w:val="Outline"/>'
             '<w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="%1."/></w:lvl>'
             '<w:lvl w:ilvl="1"><w:numFmt w:val="none"/><w:lvlText w:val="&amp;#xF0B7;"/></w:lvl></w:abstractNum>'
             '<w:num w:numId="1"><w:abstractNumId w:val="0"/><w:lvlOverride w:ilvl="0"><w:lvl w:ilvl="0">'
             '<w:start w:val="5"/></w:lvl></w:lvlOverride></w:num></w:numbering>')
theme = ('<a:theme><a:themeElements><a:fontScheme><a:majorFont><a:latin typeface="A"/><a:ea typeface=""/>'
         '<a:font script="Jpan" typeface="B"/></a:majorFont><a:minorFont><a:latin typeface="C"/></a:minorFont>'
         '</a:fontScheme></a:themeElements></a:theme>')
settings = '<w:settings><w:zoom w:percent="100"/><w:defaultTabStop w:val="720"/><w:evenAndOddHeaders/></w:settings>'
core = '<cp:coreProperties><dc:title>T</dc:title><cp:keywords>k</cp:keywords></cp:coreProperties>'
document = ('<w:document><w:body><w:p><w:pPr><w:numPr><w:ilvl w:val="0"/><w:numId w:val="1"/></w:numPr></w:pPr>'
            '<w:r><w:t>one</w:t></w:r></w:p>'
            '<w:tbl><w:tblPr><w:tblStyle w:val="Grid"/></w:tblPr><w:tr><w:tc><w:p/></w:tc></w:tr></w:tbl>'
            '<w:p><w:pPr><w:sectPr><w:headerReference w:type="default" r:id="rId5"/><w:titlePg/>'
            '<w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1440" w:header="720"/></w:sectPr></w:pPr></w:p>'
            '<w:sdt><w:sdtContent><w:p/></w:sdtContent></w:sdt>'
            '<w:sectPr><w:footerReference w:type="even" r:id="rId6"/><w:pgSz w:w="16838" w:h="11906" w:orient="landscape"/>'
            '<w:cols w:num="2" w:space="720"/><w:sectPrChange><w:sectPr/></w:sectPrChange></w:sectPr></w:body></w:document>')
with zipfile.ZipFile('seeds/docx_reader_fuzz/full_package', 'w', zipfile.ZIP_STORED) as z:
    z.writestr('_rels/.rels', rels([('rId1', R + 'officeDocument', 'word/document.xml'),
                                    ('rId2', 'http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties', 'docProps/core.xml')]))
    z.writestr('word/_rels/document.xml.rels', rels([('rId1', R + 'styles', 'styles.xml'), ('rId2', R + 'numbering', 'numbering.xml'),
                                                     ('rId3', R + 'theme', 'theme/theme1.xml'), ('rId4', R + 'settings', 'settings.xml'),
                                                     ('rId5', R + 'header', 'header1.xml'), ('rId6', R + 'footer', 'footer1.xml')]))
    z.writestr('word/document.xml', document)
    z.writestr('word/styles.xml', styles)
    z.writestr('word/numbering.xml', numbering)
    z.writestr('word/theme/theme1.xml', theme)
    z.writestr('word/settings.xml', settings)
    z.writestr('word/header1.xml', '<w:hdr><w:p><w:r><w:t>h</w:t></w:r></w:p><w:tbl><w:tr><w:tc><w:p/></w:tc></w:tr></w:tbl></w:hdr>')
    z.writestr('word/footer1.xml', '<w:ftr><w:p><w:r><w:t>f</w:t></w:r></w:p></w:ftr>')
    z.writestr('docProps/core.xml', core)


def inner(xml):
    """The children of a part's document element."""
    return xml[xml.index('>') + 1:xml.rindex('<')]


# One element whose children serve every reader: the body, styles, lists,
# theme elements, settings, core properties and a header.
with open('seeds/docx_reader_fuzz/part_xml', 'w') as f:
    f.write('<w:document>' + inner(document) + inner(styles) + inner(numbering) + inner(theme) + inner(settings) +
            inner(core) + '<w:hdr><w:p><w:r><w:t>h</w:t></w:r></w:p></w:hdr></w:document>')
