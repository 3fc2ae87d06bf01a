#!/usr/bin/env python3
"""Build a Jet4 (.mdb, Access 2000 format) file with table Druckdaten and saved
query ServerDruckdaten, starting from an empty database that Access made.

Own code, written from the Jet4 page-format description (mdbtools HACKING) and
from byte-level inspection of Access-made files.  Python 3 standard library only.

usage: python3 make_druckdaten.py [--deleted-column] TEMPLATE_EMPTY_JET4.mdb OUT.mdb [EXTRA_ROWS]
(the template used: Jackcess's src/main/resources/com/healthmarketscience/jackcess/empty.mdb)
Without --deleted-column and EXTRA_ROWS it writes exactly the shared test data's
druckdaten.mdb (sha256 5707d0b1d2c9061e4696843b41319f52c63b53790d807cfd6e84c37cf68a0e9e).

What it writes (all appended as new pages, plus rows added to system pages):
  * TDEF page for Druckdaten (8 columns, no indexes), usage-map page,
    data pages, LVAL pages for long memos;
  * MSysObjects rows for the table (Type 1) and the query (Type 5),
    added to MSysObjects' existing data page;
  * MSysQueries rows for ServerDruckdaten on a new data page;
  * clears the new pages' bits in the global free-page map (page 1).
Usage maps stay inline (type 0: a start page and a bitmap of 512 pages) while the
pages they list fit; a file of up to 512 pages (about 11,000 extra rows) has only
inline maps, all with start page 0.  Past that, a table map first moves its start
page and then becomes a reference map (type 1), whose bitmaps are usage-map pages
(type 0x05) appended to the file; the global map becomes a reference map as soon
as the file has more than 512 pages.  Read back with mdbtools and mdb-reader up to
200,000 extra rows (35 MB); the maps would cover a file of the full 2 GB.
With --deleted-column, Druckdaten is laid out as Jet keeps a table after one of
its columns was deleted: a Long Integer column "Alt" was the table's first column
(row column number 0, fixed offset 0..3) and is gone from the TDEF, which lists
the same 8 columns as without the option, but with column numbers 1..8 (both
column-number fields of each entry, offsets 5 and 9) and
TeileNr still at fixed offset 4; max_cols stays 9.  Every row has column count
9, a 9-bit null mask with bit 0 clear, and the deleted column's stale 4 bytes
at fixed offset 0: 4712 in the first row and 4711 in all others, so a reader
that takes the wrong column answers TeileNr queries wrongly.  Variable-column
indexes do not change (the deleted column was fixed).  Values, MSysObjects and
MSysQueries rows are the same as without the option.
What it does NOT do: update MSysObjects' two indexes (Id, ParentId+Name).
Readers that scan MSysObjects (mdbtools/libmdb, mdb-reader) see everything;
Access itself was not available to check the file.
"""
import argparse
import struct
import datetime

PG = 4096
MAP_PAGE_SPAN = (PG - 4) * 8   # pages covered by one usage-map page (type 0x05)


def u16(b, o): return struct.unpack_from('<H', b, o)[0]
def u32(b, o): return struct.unpack_from('<I', b, o)[0]


class File:
    def __init__(self, data):
        self.b = bytearray(data)
        assert len(self.b) % PG == 0
        assert self.b[0x14] == 1, 'template must be Jet4 (Access 2000/2002/2003 .mdb)'
        self.new_pages = []

    def npages(self): return len(self.b) // PG
    def off(self, pg): return pg * PG

    def alloc(self):
        pg = self.npages()
        self.b += bytes(PG)
        self.new_pages.append(pg)
        return pg

    # ---- data pages -------------------------------------------------------
    def init_data_page(self, pg, owner_bytes):
        o = self.off(pg)
        self.b[o:o + PG] = bytes(PG)
        self.b[o] = 0x01
        self.b[o + 1] = 0x01
        self.b[o + 4:o + 8] = owner_bytes
        struct.pack_into('<H', self.b, o + 2, PG - 14)

    def page_free(self, pg):
        return u16(self.b, self.off(pg) + 2)

    def add_row(self, pg, row):
        o = self.off(pg)
        n = u16(self.b, o + 12)
        lowest = PG if n == 0 else min(u16(self.b, o + 14 + 2 * i) & 0x1fff for i in range(n))
        start = lowest - len(row)
        if start < 14 + 2 * (n + 1):
            raise ValueError('row does not fit')
        self.b[o + start:o + start + len(row)] = row
        struct.pack_into('<H', self.b, o + 14 + 2 * n, start)
        struct.pack_into('<H', self.b, o + 12, n + 1)
        struct.pack_into('<H', self.b, o + 2, start - (14 + 2 * (n + 1)))
        return n

    def row(self, pg_row):
        pg, r = pg_row >> 8, pg_row & 0xff
        o = self.off(pg)
        start = u16(self.b, o + 14 + 2 * r) & 0x1fff
        end = PG if r == 0 else u16(self.b, o + 14 + 2 * (r - 1)) & 0x1fff
        return o + start, end - start

    # ---- usage maps -----------------------------------------------------------
    # A map row is either inline (type 0: [0][start page u32][bitmap to the row's end],
    # 64 bitmap bytes = 512 pages in Access-made Jet4 rows) or a reference map
    # (type 1: [1][page u32]..., the same 69-byte row holds 17 pointers).  Pointer i
    # names a page of type 0x05 whose bitmap, from offset 4, covers pages
    # i * MAP_PAGE_SPAN .. (i + 1) * MAP_PAGE_SPAN - 1; 17 of them cover the 2 GB a
    # Jet4 file can have.  Bit set = page listed: in a table's maps the page belongs to
    # the table (used map) or has free space (free map); in the global map the page is
    # free.  libmdb and mdb-reader read both types.
    def map_set(self, pg_row, page, on=True, outside_on=False):
        """outside_on: state of the pages an inline map does not cover.  Off for a
        table's maps (pages not listed are not the table's); on for the global map,
        which marks every page past the end of the file free."""
        o, ln = self.row(pg_row)
        if self.b[o] == 0:
            start = u32(self.b, o + 1)
            bit = page - start
            if 0 <= bit < (ln - 5) * 8:
                self.set_bit(o + 5, bit, on)
                return
            if on == outside_on:
                return                          # already so outside the inline range
            if not outside_on and self.map_move_start(o, ln, page):
                self.map_set(pg_row, page, on, outside_on)
                return
            self.map_to_reference(pg_row, outside_on)
        assert self.b[o] == 1, 'unknown usage map type %d' % self.b[o]
        idx = page // MAP_PAGE_SPAN
        assert idx < (ln - 1) // 4, 'page beyond what the reference map can cover'
        bm = u32(self.b, o + 1 + 4 * idx)
        if bm == 0:
            bm = self.alloc()
            po = self.off(bm)
            self.b[po:po + 4] = b'\x05\x01\x00\x00'
            if outside_on:
                self.b[po + 4:po + PG] = b'\xff' * (PG - 4)
            struct.pack_into('<I', self.b, o + 1 + 4 * idx, bm)
        self.set_bit(self.off(bm) + 4, page % MAP_PAGE_SPAN, on)

    def set_bit(self, o, bit, on):
        if on:
            self.b[o + bit // 8] |= 1 << (bit % 8)
        else:
            self.b[o + bit // 8] &= ~(1 << (bit % 8)) & 0xff

    def map_move_start(self, o, ln, page):
        """Shifts an inline table map so that it also covers page, if its listed pages
        and page fit into one inline range.  The start is rounded down to a multiple of
        8, so bitmap bytes stay aligned to page numbers as in the reference maps."""
        nbits = (ln - 5) * 8
        start = u32(self.b, o + 1)
        listed = [start + i for i in range(nbits) if self.b[o + 5 + i // 8] >> (i % 8) & 1]
        first = min(listed + [page]) // 8 * 8
        if max(listed + [page]) - first >= nbits:
            return False
        self.b[o + 1:o + ln] = struct.pack('<I', first) + bytes(ln - 5)
        for pg in listed:
            self.set_bit(o + 5, pg - first, True)
        return True

    def map_to_reference(self, pg_row, outside_on):
        """Turns an inline map into a reference map with the same pages listed (in
        place: both types use the same row)."""
        o, ln = self.row(pg_row)
        start, bitmap = u32(self.b, o + 1), bytes(self.b[o + 5:o + ln])
        self.b[o:o + ln] = b'\x01' + bytes(ln - 1)
        for i in range(len(bitmap) * 8):
            on = bool(bitmap[i // 8] >> (i % 8) & 1)
            if on != outside_on:
                self.map_set(pg_row, start + i, on, outside_on)

    # ---- table definitions ----------------------------------------------------
    def tdef(self, pg):
        o = self.off(pg)
        p = self.b[o:o + PG]
        assert p[0] == 2 and u32(p, 4) == 0, 'multi-page TDEF not handled'
        ncols, nridx = u16(p, 45), u32(p, 51)
        cols, co = [], 63 + 12 * nridx
        for _ in range(ncols):
            e = p[co:co + 25]
            cols.append(dict(type=e[0], num=u16(e, 5), var=u16(e, 7), flags=e[15],
                             fixoff=u16(e, 21), size=u16(e, 23)))
            co += 25
        for c in cols:
            ln = u16(p, co)
            c['name'] = p[co + 2:co + 2 + ln].decode('utf-16-le')
            co += 2 + ln
        # max_cols (offset 41) also counts deleted columns; rows are written with that many
        return dict(page=pg, cols=cols, ncols=ncols, maxcols=u16(p, 41), nvar=u16(p, 43),
                    used_map=u32(p, 55), free_map=u32(p, 59))

    def bump_rows(self, tdef_pg, k):
        o = self.off(tdef_pg) + 16
        struct.pack_into('<I', self.b, o, u32(self.b, o) + k)


# ---- values -----------------------------------------------------------------
def text(s):
    return s.encode('utf-16-le')


class Memo:
    """Memo value; long ones go to LVAL pages."""
    def __init__(self, s):
        self.data = s.encode('utf-16-le')


def pack_row(f, td, values, lval_writer=None, stale=None):
    """values: column name -> None | int | float | bytes | Memo | ('date', float).
    stale: fixed offset -> bytes left behind by deleted fixed columns (their null bits stay clear)."""
    cols = td['cols']
    stale = stale or {}
    fixed = sorted([c for c in cols if c['flags'] & 1], key=lambda c: c['fixoff'])
    var = sorted([c for c in cols if not c['flags'] & 1], key=lambda c: c['var'])
    fixed_len = max([c['fixoff'] + c['size'] for c in fixed] + [o + len(b) for o, b in stale.items()], default=0)
    row = bytearray(struct.pack('<H', td['maxcols'])) + bytearray(fixed_len)
    for o, b in stale.items():
        row[2 + o:2 + o + len(b)] = b
    notnull = set()
    for c in fixed:
        v = values.get(c['name'])
        if v is None:
            continue
        notnull.add(c['num'])
        at = 2 + c['fixoff']
        t = c['type']
        if t == 0x04:
            struct.pack_into('<i', row, at, v)
        elif t == 0x03:
            struct.pack_into('<h', row, at, v)
        elif t == 0x02:
            row[at] = v
        elif t == 0x07:
            struct.pack_into('<d', row, at, v)
        elif t == 0x08:
            struct.pack_into('<d', row, at, v[1])
        else:
            raise ValueError('fixed type %x' % t)
    offsets = []
    for c in var:
        offsets.append(len(row))
        v = values.get(c['name'])
        if v is None:
            continue
        notnull.add(c['num'])
        if isinstance(v, Memo):
            row += memo_field(f, v, lval_writer)
        else:
            row += v
    if td['nvar']:
        eod = len(row)
        row += struct.pack('<H', eod)
        for off in reversed(offsets):
            row += struct.pack('<H', off)
        row += struct.pack('<H', len(var))
    mask = bytearray((td['maxcols'] + 7) // 8)
    for n in notnull:
        mask[n // 8] |= 1 << (n % 8)
    row += mask
    return bytes(row)


INLINE_LIMIT = 300  # bytes of memo data kept inside the row


def memo_field(f, m, lval):
    d = m.data
    if len(d) <= INLINE_LIMIT:
        return struct.pack('<III', len(d) | 0x80000000, 0, 0) + d
    if len(d) <= 4000:
        ptr = lval.put(d)
        return struct.pack('<III', len(d) | 0x40000000, ptr, 0)
    # multi-page: chain of LVAL rows, each [next pg_row u32][chunk]
    chunks = [d[i:i + 3900] for i in range(0, len(d), 3900)]
    nxt = 0
    for ch in reversed(chunks):
        nxt = lval.put(struct.pack('<I', nxt) + ch)
    return struct.pack('<III', len(d), nxt, 0)


class LvalWriter:
    def __init__(self, f):
        self.f, self.pg = f, None

    def put(self, data):
        if self.pg is None or self.f.page_free(self.pg) < len(data) + 2:
            self.pg = self.f.alloc()
            self.f.init_data_page(self.pg, b'LVAL')
        r = self.f.add_row(self.pg, data)
        return (self.pg << 8) | r


class TableWriter:
    """Adds rows to a table, appending data pages as needed."""
    def __init__(self, f, td, owner_pg):
        self.f, self.td, self.owner = f, td, owner_pg
        self.pg = None
        self.pages = []

    def insert(self, row):
        if self.pg is None or self.f.page_free(self.pg) < len(row) + 2:
            self.pg = self.f.alloc()
            self.f.init_data_page(self.pg, struct.pack('<I', self.owner))
            self.pages.append(self.pg)
        self.f.add_row(self.pg, row)


# ---- the Druckdaten table -----------------------------------------------------
DRUCK_COLS = [  # name, jet type, size in bytes (text: 2 per char), fixed?
    ('LosName', 0x0A, 100, False),          # Text(50)
    ('TeileNr', 0x04, 4, True),             # Long Integer
    ('Etikettendaten', 0x0C, 0, False),     # Memo
    ('Tintendruckdaten', 0x0C, 0, False),
    ('Druckdaten1', 0x0C, 0, False),
    ('Druckdaten2', 0x0C, 0, False),
    ('Druckdaten3', 0x0C, 0, False),
    ('Printvars', 0x0C, 0, False),
]

# --deleted-column: the column that stood before DRUCK_COLS and was deleted.
DELETED_COLS = [('Alt', 0x04, 4, True)]   # Long Integer, row column number 0, fixed offset 0..3


def build_tdef(nrows, used_map, free_map, deleted=()):
    """deleted: columns that stood before DRUCK_COLS and were deleted since.  Jet hands
    out column numbers and fixed offsets when a column is created and never reuses them,
    so the remaining columns keep theirs and max_cols keeps counting the deleted ones."""
    assert all(c[3] for c in deleted), 'only deleted fixed columns handled'
    layout = [(c, True) for c in deleted] + [(c, False) for c in DRUCK_COLS]
    ncols = len(DRUCK_COLS)
    maxcols = len(layout)
    nvar = sum(1 for c in DRUCK_COLS if not c[3])
    p = bytearray(PG)
    p[0], p[1] = 0x02, 0x01
    struct.pack_into('<I', p, 12, 1625)          # constant seen in every Access TDEF
    struct.pack_into('<I', p, 16, nrows)
    p[24] = 0x01
    p[40] = 0x4E                                  # user table
    struct.pack_into('<HHH', p, 41, maxcols, nvar, ncols)
    struct.pack_into('<II', p, 47, 0, 0)          # no indexes
    struct.pack_into('<II', p, 55, used_map, free_map)
    o = 63
    fixoff, varidx = 0, 0
    for num, ((name, typ, size, fixed), gone) in enumerate(layout):
        if gone:
            fixoff += size
            continue
        e = bytearray(25)
        e[0] = typ
        struct.pack_into('<I', e, 1, 1625)
        struct.pack_into('<H', e, 5, num)
        struct.pack_into('<H', e, 7, varidx)
        struct.pack_into('<H', e, 9, num)
        struct.pack_into('<H', e, 11, 0x0409)     # general sort order, as Access writes it
        e[15] = 0x03 if fixed else 0x02           # 0x01 fixed length, 0x02 nullable/updatable
        e[16] = 0x00                              # no unicode compression (plain UTF-16LE)
        struct.pack_into('<H', e, 21, fixoff if fixed else 0)
        struct.pack_into('<H', e, 23, size)
        if fixed:
            fixoff += size
        else:
            varidx += 1
        p[o:o + 25] = e
        o += 25
    for name, *_ in DRUCK_COLS:
        nb = name.encode('utf-16-le')
        struct.pack_into('<H', p, o, len(nb))
        p[o + 2:o + 2 + len(nb)] = nb
        o += 2 + len(nb)
    p[o:o + 2] = b'\xff\xff'
    o += 2
    struct.pack_into('<I', p, 8, o)               # tdef_len
    struct.pack_into('<H', p, 2, PG - o - 8)      # free space, as in Access-made TDEFs
    return p


def main():
    ap = argparse.ArgumentParser(description='Build druckdaten.mdb (Jet4) from an empty Access database.')
    ap.add_argument('--deleted-column', action='store_true',
                    help='write Druckdaten as left after deleting its former first column '
                         '(Long Integer "Alt"): column numbers 1..8, rows with 9 columns')
    ap.add_argument('template', help='empty Jet4 database made by Access')
    ap.add_argument('out', help='file to write')
    ap.add_argument('extra', nargs='?', type=int, default=0, help='bulk rows to add (default 0)')
    args = ap.parse_intermixed_args()
    tpl, out, extra = args.template, args.out, args.extra
    deleted = DELETED_COLS if args.deleted_column else []
    f = File(open(tpl, 'rb').read())
    # fixed timestamp (2024-05-06 07:08:09) so the output is byte-for-byte reproducible
    now = (datetime.datetime(2024, 5, 6, 7, 8, 9) - datetime.datetime(1899, 12, 30)).total_seconds() / 86400.0
    objs = f.tdef(2)
    queries = f.tdef(4)
    assert [c['name'] for c in queries['cols']] == ['Attribute', 'Expression', 'Flag', 'LvExtra', 'Name1', 'Name2', 'ObjectId', 'Order']

    # MSysObjects' first data page (in the empty template: page 14, ~2.4 KB free)
    obj_pg = next(pg for pg in range(f.npages()) if f.b[f.off(pg)] == 1 and u32(f.b, f.off(pg) + 4) == 2)

    # 1. Druckdaten: TDEF, usage maps, data
    tdef_pg = f.alloc()
    umap_pg = f.alloc()
    f.init_data_page(umap_pg, b'\0\0\0\0')
    map_row = b'\x00' + struct.pack('<I', 0) + bytes(64)
    used = (umap_pg << 8) | f.add_row(umap_pg, map_row)
    free = (umap_pg << 8) | f.add_row(umap_pg, map_row)
    f.b[f.off(tdef_pg):f.off(tdef_pg) + PG] = build_tdef(0, used, free, deleted)
    td = f.tdef(tdef_pg)
    lval = LvalWriter(f)
    tw = TableWriter(f, td, tdef_pg)
    long_label = ''.join('^FO%d,%d^A0N,30,30^FDZeile %d: Prüfetikett ÄÖÜ äöü ß^FS\n' % (20, 40 * i, i) for i in range(120))
    rows = [
        dict(LosName=text('L2024-001'), TeileNr=4711, Etikettendaten=Memo('^XA^FO20,20^A0N,40,40^FDGrüße aus Köln^FS^XZ'),
             Tintendruckdaten=Memo('L2024-001 4711 Größe M'), Druckdaten1=Memo('D1;Straße;München'), Druckdaten2=None,
             Druckdaten3=None, Printvars=Memo('Datum=06.05.2024;Schicht=Früh')),
        dict(LosName=text('L2024-001'), TeileNr=4711, Etikettendaten=Memo('^XA^FO20,20^FDzweiter Satz, gleiches Los und Teil^FS^XZ'),
             Tintendruckdaten=None, Druckdaten1=Memo(''), Druckdaten2=Memo('D2'), Druckdaten3=None, Printvars=None),
        dict(LosName=text('L2024-001'), TeileNr=4712, Etikettendaten=Memo('^XA^FDTeil 4712^FS^XZ'),
             Tintendruckdaten=Memo('4712'), Druckdaten1=None, Druckdaten2=None, Druckdaten3=Memo('D3'), Printvars=Memo('')),
        dict(LosName=text('Los Ä-002'), TeileNr=815, Etikettendaten=Memo(long_label),
             Tintendruckdaten=Memo('x' * 1200), Druckdaten1=None, Druckdaten2=None, Druckdaten3=None,
             Printvars=Memo('Kunde=Müller & Söhne')),
        dict(LosName=None, TeileNr=None, Etikettendaten=None, Tintendruckdaten=None, Druckdaten1=None,
             Druckdaten2=None, Druckdaten3=None, Printvars=None),
    ]
    for i in range(extra):
        rows.append(dict(LosName=text('BULK-%05d' % (i // 10)), TeileNr=1000 + i % 10,
                         Etikettendaten=Memo('^XA^FDEtikett %d Grüße^FS^XZ' % i), Tintendruckdaten=Memo('T%d' % i),
                         Druckdaten1=None, Druckdaten2=None, Druckdaten3=None, Printvars=Memo('n=%d' % i)))
    for i, r in enumerate(rows):
        # stale "Alt" value: 4712 beside TeileNr 4711 in row 1, 4711 in every other row
        stale = {0: struct.pack('<i', 4712 if i == 0 else 4711)} if deleted else None
        tw.insert(pack_row(f, td, r, lval, stale))
    f.bump_rows(tdef_pg, len(rows))
    for pg in tw.pages:
        f.map_set(used, pg)
        f.map_set(free, pg)

    # 2. MSysObjects rows (table + query), on MSysObjects' existing data page
    table_id = tdef_pg
    query_id = -2147483639          # 0x80000009: next free id after the template's 0x80000008
    tables_container = 251658241    # MSysObjects.Id of "Tables" (also parent of queries)
    owner = bytes.fromhex('a633')   # MSysObjects.Owner value of the template's own objects
    for oid, name, typ in ((table_id, 'Druckdaten', 1), (query_id, 'ServerDruckdaten', 5)):
        r = pack_row(f, objs, dict(Id=oid, ParentId=tables_container, Name=text(name), Type=typ,
                                   DateCreate=('date', now), DateUpdate=('date', now), Owner=owner, Flags=0))
        f.add_row(obj_pg, r)
    f.bump_rows(2, 2)

    # 3. MSysQueries rows for ServerDruckdaten
    qpg = f.alloc()
    f.init_data_page(qpg, struct.pack('<I', 4))
    qrows = [(0, None, None, None, 0), (1, None, None, None, 1), (3, None, None, None, 0),
             (5, 'Druckdaten', None, None, None)]
    for col in ('LosName', 'TeileNr', 'Etikettendaten', 'Tintendruckdaten'):
        qrows.append((6, None, None, 'Druckdaten.' + col, 0))
    qrows.append((255, None, None, None, None))
    for attr, n1, n2, expr, flag in qrows:
        r = pack_row(f, queries, dict(ObjectId=query_id, Attribute=attr,
                                      Name1=text(n1) if n1 is not None else None,
                                      Name2=text(n2) if n2 is not None else None,
                                      Expression=Memo(expr) if expr is not None else None,
                                      Flag=flag))
        f.add_row(qpg, r)
    f.bump_rows(4, len(qrows))
    f.map_set(queries['used_map'], qpg)
    f.map_set(queries['free_map'], qpg)

    # 4. global free-page map (page 1, row 0): new pages are in use
    # The inline map has no bit for pages past its 512 (Jackcess, for one, takes such
    # pages as free), so a bigger file gets a reference map.  Its map pages are new
    # pages too and are marked in use by this same loop.
    i = 0
    while i < len(f.new_pages):
        f.map_set((1 << 8) | 0, f.new_pages[i], on=False, outside_on=True)
        i += 1

    open(out, 'wb').write(f.b)
    print('wrote %s: %d pages, %d Druckdaten rows, TDEF page %d' % (out, f.npages(), len(rows), tdef_pg))


if __name__ == '__main__':
    main()
