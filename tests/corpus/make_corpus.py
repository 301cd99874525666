#!/usr/bin/python3
"""Writes the seed workbooks of tests/corpus: well-formed ones in the shapes
other programs write, and malformed ones that the workbook reader must refuse
without crashing. tst_workbook replays every file here; the fuzz target starts
from them. Run from this folder: /usr/bin/python3 make_corpus.py"""

import io
import zipfile

MAIN = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
PKG = 'http://schemas.openxmlformats.org/package/2006/relationships'
TYPES = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/'
         'content-types"><Default Extension="xml" ContentType="application/xml"/></Types>')
ROOT_RELS = (f'<?xml version="1.0"?><Relationships xmlns="{PKG}"><Relationship Id="rId1" '
             f'Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>')


def workbook(sheets, prefix=''):
    p = prefix + ':' if prefix else ''
    ns = f'xmlns:{prefix}="{MAIN}"' if prefix else f'xmlns="{MAIN}"'
    items = ''.join(f'<{p}sheet name="{n}" sheetId="{i + 1}" rel:id="rId{i + 1}"/>' for i, n in enumerate(sheets))
    return f'<?xml version="1.0"?><{p}workbook {ns} xmlns:rel="{REL}"><{p}sheets>{items}</{p}sheets></{p}workbook>'


def rels(targets, shared=None):
    out = ''.join(f'<Relationship Id="rId{i + 1}" Type="{REL}/worksheet" Target="{t}"/>'
                  for i, t in enumerate(targets))
    if shared:
        out += f'<Relationship Id="rS" Type="{REL}/sharedStrings" Target="{shared}"/>'
    return f'<?xml version="1.0"?><Relationships xmlns="{PKG}">{out}</Relationships>'


def sheet(rows, dimension='A1:G3', prefix=''):
    p = prefix + ':' if prefix else ''
    ns = f'xmlns:{prefix}="{MAIN}"' if prefix else f'xmlns="{MAIN}"'
    return (f'<?xml version="1.0"?><{p}worksheet {ns}><{p}dimension ref="{dimension}"/>'
            f'<{p}sheetData>{rows}</{p}sheetData></{p}worksheet>')


def package(parts, compression=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, 'w', compression) as z:
        for name, data in parts.items():
            z.writestr(name, data)
    return buffer.getvalue()


def standard(sheet_xml, extra=None, shared_target=None):
    parts = {'[Content_Types].xml': TYPES, '_rels/.rels': ROOT_RELS,
             'xl/workbook.xml': workbook(['读写类']),
             'xl/_rels/workbook.xml.rels': rels(['worksheets/sheet1.xml'], shared_target),
             'xl/worksheets/sheet1.xml': sheet_xml}
    parts.update(extra or {})
    return package(parts)


ROWS = ('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="G1" t="inlineStr"><is><t>Value</t></is></c></row>'
        '<row r="2"><c r="A2"><v>8102</v></c><c r="C2"><v>1.0E0</v></c><c r="D2"><v>1000</v></c>'
        '<c r="E2"><v>0</v></c><c r="G2" t="str"><f>D2/50</f><v>20</v></c></row>'
        '<row><c><v>116</v></c><c t="b"><v>1</v></c><c r="C3"><v>2</v></c><c r="G3" t="s"><v>1</v></c></row>')
SHARED = ('<?xml version="1.0"?><sst xmlns="' + MAIN + '"><si><t>Address</t></si>'
          '<si><r><t>12</t></r><r><t>34</t></r><rPh><t>x</t></rPh></si></sst>')

files = {
    'shared_strings.xlsx': standard(sheet(ROWS), {'xl/sharedStrings.xml': SHARED}, 'sharedStrings.xml'),
    'prefixed.xlsx': package({
        '_rels/.rels': ROOT_RELS, 'xl/workbook.xml': workbook(['Other', '读写类'], 'x'),
        'xl/_rels/workbook.xml.rels': rels(['/xl/worksheets/a.xml', '../xl/worksheets/b.xml']),
        'xl/worksheets/a.xml': sheet('', 'A1', 'x'),
        'xl/worksheets/b.xml': sheet('<x:row r="2"><x:c r="G2" t="inlineStr"><x:is><x:t>7</x:t></x:is></x:c>'
                                     '</x:row>', 'A1:G2', 'x')}),
    'huge_dimension.xlsx': standard(sheet('<row r="1048576"><c r="XFD1048576"><v>1</v></c></row>'
                                          '<row r="99999999"><c r="A99999999"><v>1</v></c></row>',
                                          'A1:XFD1048576')),
    'bad_cell_refs.xlsx': standard(sheet('<row r="2"><c r="AAAA2"><v>1</v></c>'
                                         '<c r="C2" t="s"><v>999</v></c><c r="D2" t="s"><v>-1</v></c>'
                                         '<c r="E2" t="s"><v>2</v></c><c r="F2" t="s"><v>1</v></c></row>'
                                         '<row r="x"/><row r="2"><c r="A2"><v>3</v></c></row>'),
                                   {'xl/sharedStrings.xml': SHARED}, 'sharedStrings.xml'),
    # Row 2 holds the cell of G3: a reader by column alone takes it as G2.
    'misplaced_cell.xlsx': standard(sheet('<row r="1"><c r="A1" t="inlineStr"><is><t>Address</t></is></c></row>'
                                          '<row r="2"><c r="A2"><v>114</v></c><c r="C2"><v>2</v></c>'
                                          '<c r="D2"><v>99</v></c><c r="E2"><v>0</v></c><c r="G3"><v>7</v></c>'
                                          '</row><row r="3"><c r="A3"><v>116</v></c></row>')),
    # 480 rows of 16384 empty cells: 41 KB packed, 31.5 MB unpacked, eight million elements.
    'many_cells.xlsx': standard(sheet(('<row>' + '<c/>' * 16384 + '</row>') * 480, 'A1:XFD480')),
    'bad_sheet_xml.xlsx': standard('<worksheet><sheetData><row r="1"><c r="A1"><v>1</v></row>'),
    'missing_sheet_part.xlsx': package({'_rels/.rels': ROOT_RELS, 'xl/workbook.xml': workbook(['读写类']),
                                        'xl/_rels/workbook.xml.rels': rels(['worksheets/sheet1.xml'])}),
    'missing_workbook.xlsx': package({'_rels/.rels': ROOT_RELS, 'xl/worksheets/sheet1.xml': sheet(ROWS)}),
    'no_sheets.xlsx': package({'_rels/.rels': ROOT_RELS, 'xl/workbook.xml':
                               f'<workbook xmlns="{MAIN}"><sheets/></workbook>'}),
    'zip_bomb.xlsx': standard(sheet('<row r="1"><c r="A1"><v>1</v></c></row>' + ' ' * (40 * 1024 * 1024))),
    'not_a_zip.xlsx': b'Address,Name,Type\n8102,Send Gap,1\n',
    'ole_header.xls': bytes.fromhex('d0cf11e0a1b11ae1') + bytes(504),
}
files['truncated.xlsx'] = files['shared_strings.xlsx'][: len(files['shared_strings.xlsx']) // 2]

for name, data in files.items():
    with open(name, 'wb') as f:
        f.write(data.encode() if isinstance(data, str) else data)
