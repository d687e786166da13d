#!/usr/bin/env python3
# Writes the seed inputs under corpus/<fuzz program>/. Run from anywhere;
# the files are committed, so this only documents how they were made.
import os, struct
base = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus')
def w(t, name, data):
    with open(os.path.join(base,t,name),'wb') as f: f.write(data)
# The first byte selects how the text is read: 0 UTF-8, 1 UTF-16, 2 Latin-1.
def u8(s): return b'\x00'+s.encode('utf-8')
def u16(s): return b'\x01'+s.encode('utf-16-le','surrogatepass')
def l1(s): return b'\x02'+s.encode('latin-1')
t='fuzz_wordtext'
w(t,'white',u8('FF7F'))
w(t,'red-lower',u8('1f00'))
w(t,'bit15-set',u8('FFFF'))
w(t,'short',u8('A'))
w(t,'three-digits',u8('7C0'))
w(t,'blanks-inside',u8(' F\tF7F'))
w(t,'not-hex',u8('G0Z1'))
w(t,'long',u8('0123456789ABCDEF0123'))
w(t,'rgb-text',u8('FF8000'))
w(t,'fullwidth-digits',u16('\uff11\uff12\uff13\uff14'))
w(t,'lone-surrogate',u16('\ud800FF'))
w(t,'empty',b'\x00')
w(t,'latin1-accent',l1('é07F'))
t='fuzz_offset'
for name,s in [('sample','1A0'),('lower','1a0'),('blanks',' 400 \t'),('max','7FFFFFE0'),
               ('past-max','7FFFFFE1'),('nine-digits','000001A00'),('zeros','0'*40+'1A0'),
               ('prefix-0x','0x1A0'),('sign','-1A0'),('empty',''),('inner-blank','1 A0'),
               ('huge','FFFFFFFFFFFFFFFFFFFF')]:
    w(t,name,u8(s))
w(t,'unicode-blanks',u16('\u00a01A0\u3000'))
w(t,'arabic-digits',u16('\u0661\u0662'))
w(t,'latin1-nbsp',l1('\xa0400'))
ex = ['16711680','9435','1','#TRUE#','#FALSE#','1','255','16711680','"blank"','"blank"','"blank"','"blank"']
def dat(lines, end='\r\n'): return (end.join(lines)+end).encode('latin-1')
t='fuzz_pickersettings'
w(t,'example',dat(ex))
w(t,'lf-only',dat(ex,'\n'))
w(t,'cr-only',dat(ex,'\r'))
w(t,'short',dat(ex[:5]))
w(t,'empty',b'')
w(t,'narrow-fractional',dat(['0','6000.5','-1','True','0','5','1.5','-2147483648','2147483647','"blank"','x','"blank"']))
w(t,'bad-pointer',dat(['1','9435','1','#TRUE#','#TRUE#','6']+ex[6:]))
w(t,'exponent',dat(['1e3','9.435E3','.5','#true#','false','+0','1e999','-.5e1','"blank"','"blank"','"blank"','  7 ']))
w(t,'wide',dat(['1','65535','9','#FALSE#','#FALSE#','0']+ex[6:]))
w(t,'too-wide',dat(['1','65536','9','#FALSE#','#FALSE#','0']+ex[6:]))
w(t,'empty-options',dat(['','','','','','']+ex[6:]))
t='fuzz_updateconfig'
w(t,'plain',b'Cindral Palette Editor\r\n0.2.0\r\nhttp://update.cindral.org/CindralSetup.exe\r\n')
w(t,'checksum',b'Cindral\n0.2.0\nhttps://example.org/x/setup.deb\nsha256='+b'ab'*32+b'\n')
w(t,'checksum-upper',b'Cindral\n0.2.0\nhttps://example.org/x/setup.deb\nsha256='+b'AB'*32)
w(t,'checksum-short',b'Cindral\n0.2.0\nhttps://example.org/setup.deb\nsha256=abc\n')
w(t,'bom-cr',b'\xef\xbb\xbfTitle\r0.1.9\rhttp://h/f\r')
w(t,'no-file-name',b'T\n1\nhttp://host/\n')
w(t,'dotdot',b'T\n1\nhttp://host/..\n')
w(t,'backslash',b'T\n1\nhttp://host/a\\..\\b\n')
w(t,'control',b'T\n1\nhttp://host/a\x01b\x7f\n')
w(t,'two-lines',b'T\n1')
w(t,'empty',b'')
w(t,'invalid-utf8',b'T\xff\xfe\n\xc3\n http://h/\xe2\x80\xae.exe\n')
t='fuzz_updateprogress'
def prog(a,b,loc): return struct.pack('<qqB',a,b,loc)
w(t,'kilobytes',prog(1005,4000,0))
w(t,'megabytes',prog(1234567,9876543,1))
w(t,'boundary',prog(999999,1000000,2))
w(t,'zero',prog(0,0,0))
w(t,'negative',prog(-1000,-5,1))
t='fuzz_jetpattern'
# The first byte: pattern length in bytes, bit 7 set for UTF-16 texts.
def jp(p, n, utf16=False):
    enc = (lambda s: s.encode('utf-16-le','surrogatepass')) if utf16 else (lambda s: s.encode('utf-8'))
    pb = enc(p)
    return bytes([(0x80 if utf16 else 0)|len(pb)])+pb+enc(n)
for name,(p,n) in {'prefix':('ab','Abc'),'accent':('ÉCO','école'),'decomposed':('e\u0301','École'),
    'sigma':('ΟΔΟΣ','οδος'),'astral':('\U00010400','\U00010428x'),'any-one':('a?c','abc'),
    'star-backtrack':('a*bc','abxbc'),'digit':('a#','a1x'),'set':('a[bc]','ACx'),
    'negated-set':('a[!bc]','adx'),'range':('[b-d]','Cx'),'backwards-range':('[z-a]','m'),
    'hyphen':('[-x]','-a'),'empty-set':('a[]b','ab'),'unclosed':('[ab','[abc'),
    'bracketed-star':('[*]','*x'),'bracket-bracket':('[[]','[x'),'percent':('%_','%_x'),
    'kelvin':('\u212a','k'),'long-star':('*a*a*a*a*b','a'*60),'empty':('','')}.items():
    w(t,name,jp(p,n))
w(t,'invalid-utf8',bytes([3])+b'a\xff\xc3'+b'a\xff\xc3b')
w(t,'utf16-lone-surrogate',jp('\ud800*','\ud800x',True))
w(t,'utf16-prefix',jp('é','É cole',True))

# ROM images for the palette lister: small DS file systems (palette file,
# archive with a nested archive, LZ10 and LZ11 streams, an overlay), a
# lying one, and a GBA-like image with a palette among code.
t='fuzz_romfs'
os.makedirs(os.path.join(base,t), exist_ok=True)
def colours(n, seed=0):
    return b''.join(struct.pack('<H', ((i+seed)%32) | ((i//2)%32)<<5 | (31-i%32)<<10) for i in range(n))
def rlcn(c):
    return b'RLCN\xff\xfe\x00\x01' + struct.pack('<IHH', 0x28+len(c), 0x10, 1) + b'TTLP' + struct.pack('<IIIII', 0x18+len(c), 3, 0, len(c), 0x10) + c
def narc(members):
    data = b''; entries = b''
    for m in members:
        entries += struct.pack('<II', len(data), len(data)+len(m)); data += m
    btaf = b'BTAF' + struct.pack('<IHH', 12+len(entries), len(members), 0) + entries
    gmif = b'GMIF' + struct.pack('<I', 8+len(data)) + data
    return b'NARC\xfe\xff\x00\x01' + struct.pack('<IHH', 16+len(btaf)+len(gmif), 0x10, 2) + btaf + gmif
def lz(d, kind=0x10):
    # Literals only: valid for both kinds.
    out = struct.pack('<I', len(d) << 8 | kind)
    for i in range(0, len(d), 8):
        out += b'\x00' + d[i:i+8]
    return out
def ds(files, overlays=1):
    # Root holds the files; the first `overlays` are overlays.
    names = b''.join(bytes([len(n)]) + n for n, _ in files[overlays:]) + b'\x00'
    fnt = struct.pack('<IHH', 8, overlays, 1) + names
    fat_at = 0x60 + len(fnt); at = fat_at + 8*len(files); fat = b''; body = b''
    for _, d in files:
        fat += struct.pack('<II', at+len(body), at+len(body)+len(d)); body += d
    head = b'FUZZGAME\x00\x00\x00\x00FUZZ'.ljust(0x40, b'\x00') + struct.pack('<IIII', 0x60, len(fnt), fat_at, len(fat))
    return head.ljust(0x60, b'\x00') + fnt + fat + body
files = [(b'', rlcn(colours(16))), (b'a.nclr', rlcn(colours(16, 3))),
         (b'b.narc', narc([b'text', rlcn(colours(16)), narc([rlcn(colours(32))])])),
         (b'c.lz', lz(rlcn(colours(16, 5)))), (b'd.lz', lz(narc([rlcn(colours(16))]), 0x11))]
w(t,'ds-filesystem', ds(files))
lying = bytearray(ds(files))
# File 1 ends far past the image, file 2 starts after its end.
fat_at = struct.unpack_from('<I', lying, 0x48)[0]
struct.pack_into('<I', lying, fat_at + 12, 0xFFFFFFF0)
struct.pack_into('<I', lying, fat_at + 16, 0x7FFFFFFF)
w(t,'ds-lying-fat', bytes(lying))
w(t,'lz-truncated', ds([(b'x.lz', lz(rlcn(colours(16)))[:30])], 0))
code = bytes((i*37+11) % 256 for i in range(0x400))
w(t,'gba-scan', b'\xff'*0xC0 + code[:0x100] + b'\xff\xff' + colours(16) + b'\xff\xff' + code)
t='fuzz_palettefile'
os.makedirs(os.path.join(base,t), exist_ok=True)
# The first byte is the extension: 0 none, 1 .pal, 2 .gpl, 3 .act, 4 .bin, 5 .png.
w(t,'jasc',b'\x01JASC-PAL\r\n0100\r\n2\r\n255 255 255\r\n255 0 0\r\n')
w(t,'jasc-lf-short',b'\x01JASC-PAL\n0100\n3\n1 2 3\n')
w(t,'gimp',b'\x02GIMP Palette\nName: game.nds 1A0\nColumns: 16\n#\n255 255 255\tFF7F\n  0   0 255\t007C\n')
w(t,'gimp-named',b'\x02GIMP Palette\n# comment\n12 34 56 dark teal\n')
w(t,'act-772',b'\x03'+bytes([255,0,0,0,255,0])+bytes(762)+b'\x00\x02\xff\xff')
w(t,'act-768',b'\x03'+bytes(range(256))*3)
w(t,'raw',b'\x04\xff\x7f\x1f\x00\xe0\x03\x00\x7c')
w(t,'raw-odd',b'\x00\xff\x7f\x1f')
def png(entries):
    import zlib
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    width = len(entries)
    raw = b''.join(b'\x00' + bytes(range(width)) for _ in range(1))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, 1, 8, 3, 0, 0, 0))
            + chunk(b'PLTE', b''.join(bytes(e) for e in entries))
            + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
w(t,'png-indexed',b'\x05'+png([(255,255,255),(255,0,0),(0,0,255)]))
w(t,'png-truncated',b'\x05'+png([(1,2,3)])[:30])
w(t,'gif-table',b'\x05GIF89a\x02\x00\x01\x00\x81\x00\x00'+bytes([255,255,255,0,0,255,31,0,0])+b'\x2c\x00\x00\x00\x00\x02\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b')
