#!/usr/bin/python3
"""Writes the small hand-made seeds of docx_package_fuzz: two packages and,
as document_xml, the bare XML of the first one's main document. The seed
libreoffice_writer is the fixture tests/fixtures/docx/libreoffice_writer.docx.
Run from this folder."""
import zipfile

R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'


def rels(items):
    return ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' +
            ''.join('<Relationship Id="%s" Type="%s%s" Target="%s"%s/>' % i for i in items) + '</Relationships>')


def write(name, members):
    with zipfile.ZipFile('seeds/docx_package_fuzz/' + name, 'w', zipfile.ZIP_STORED) as z:
        for n, d in members:
            z.writestr(n, d)


pic = ('<w:r><w:drawing><wp:inline><wp:extent cx="9525" cy="9525"/><a:graphic><a:graphicData><pic:pic>'
       '<pic:blipFill><a:blip r:embed="rId1"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>')
field = ('<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>'
         '<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>1</w:t></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r>')
doc = ('<w:document><w:body><w:p><w:pPr><w:ind w:left="720"/><w:jc w:val="center"/></w:pPr>' + field + pic + '</w:p>'
       '<w:tbl><w:tblGrid><w:gridCol w:w="2880"/></w:tblGrid><w:tr><w:trPr><w:tblHeader/></w:trPr><w:tc><w:p><w:r><w:t>c</w:t></w:r></w:p></w:tc></w:tr></w:tbl>'
       '<w:p><w:r><mc:AlternateContent><mc:Choice><w:drawing><wp:anchor behindDoc="0" distL="0"><wp:extent cx="914400" cy="9525"/>'
       '<wp:wrapSquare wrapText="largest"/><wp:positionH relativeFrom="page"><wp:posOffset>914400</wp:posOffset></wp:positionH>'
       '<a:graphic><a:graphicData><wps:wsp><wps:txbx><w:txbxContent><w:p><w:r><w:t>box</w:t></w:r></w:p></w:txbxContent></wps:txbx>'
       '</wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></mc:Choice><mc:Fallback><w:pict/></mc:Fallback></mc:AlternateContent></w:r></w:p>'
       '<w:sectPr><w:headerReference r:id="rId3"/></w:sectPr></w:body></w:document>')
write('header_and_body', [
    ('_rels/.rels', rels([('rId1', R, 'officeDocument', '/word/document.xml', '')])),
    ('word/_rels/document.xml.rels', rels([('rId1', R, 'image', 'media/a.png', ''), ('rId3', R, 'header', 'header1.xml', ''),
                                           ('rId4', R, 'customXml', '../customXml/item1.xml', '')])),
    ('word/_rels/header1.xml.rels', rels([('rId1', R, 'image', 'media/b.png', '')])),
    ('word/document.xml', doc),
    ('word/header1.xml', '<w:hdr><w:p>' + pic + '</w:p></w:hdr>'),
    ('word/media/a.png', 'A'), ('word/media/b.png', 'B'), ('customXml/item1.xml', '<x/>')])
write('odd_relationships', [
    ('_rels/.rels', rels([('rId1', R, 'officeDocument', '../../escape.xml', ''),
                          ('rId2', R, 'officeDocument', 'document.xml', ' TargetMode="External"'),
                          ('rId3', R, 'officeDocument', 'doc%20ument.xml', '')])),
    ('_rels/doc ument.xml.rels', '<Relationships/>'),
    ('doc ument.xml', '<w:document><w:body><w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r></w:p></w:body></w:document>')])
with open('seeds/docx_package_fuzz/document_xml', 'w') as f:
    f.write(doc)
