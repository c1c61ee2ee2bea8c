# Writes the demo game (Shift-JIS, CR LF) and its archived twin.
import struct, os
d=os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'demo')
def sj(s): return s.replace('\n','\r\n').encode('cp932')
story = '''/ mirt demo: a short story of our own
~FONTCOLOR 255,255,255,0
~FONTSIZE 20
~BOXSIZE 20,330,620,470
~BOXCOL 0,0,96,160
~TXTPOS 40,350
~TXTSPR 8
~NVMODE 1,1,500
!visits:0!
*TOP
!visits:1!
"ようこそ、Ｍｉｒｔの世界へ。"\\n
"これは我々が作った小さなデモです。"\\n
"文字は一文字ずつ表示されます。"\\p
&name:"旅人"
"あなたの名前は「"%name%"」です。"\\n
"クリックで次へ進みます。"\\r
"これは待たない改行です。"\\n
~WAIT 600
"少し"\\w"待って"\\w"から、続きます。"\\p
~GOTO !pictures.txt
'''
ch2 = '''/ chapter two
"第二章：終わりに"\\n
"訪問回数は"'visits'"回です。"\\n
"右クリックでメッセージを隠せます。"\\p
"おしまい。ありがとうございました。"\\n
~EXIT
'''
# Further chapters, each its own file under tools/demo/ (UTF-8, LF), played
# in this order between start.txt and chapter2.txt.
chapters = ['pictures.txt', 'sounds.txt', 'words.txt']
extra = [(n, sj(open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'demo', n),
                     encoding='utf-8').read())) for n in chapters]
init = '10\n25\n50\n75\n100\nstart.txt\n\n\n\n'
open(d+'/init.def','wb').write(sj(init))
open(d+'/start.txt','wb').write(sj(story))
open(d+'/chapter2.txt','wb').write(sj(ch2))
for n, b in extra:
    open(d+'/'+n,'wb').write(b)
# the same story as a scenario archive with inverted bytes
os.makedirs(d+'/archived', exist_ok=True)
entries=[('start.txt',sj(story)),('chapter2.txt',sj(ch2))]+extra
off=4+52*len(entries); dirb=struct.pack('<I',len(entries)); data=b''
for n,b in entries:
    dirb+=struct.pack('<II',len(b),off+len(data))+b'\0\0'+n.encode().ljust(42,b'\0'); data+=bytes(255-x for x in b)
open(d+'/archived/scenario.dat','wb').write(dirb+data)
# the archived twin takes its pictures from the graphics archive (line 7),
# written by build/make_demo_pictures
open(d+'/archived/init.def','wb').write(sj(init.replace('start.txt','scenario.dat').replace('.dat\n\n', '.dat\ngraphic.dat\n', 1)))
# The two wait-indicator pictures: 16 x 16, 24-bit, the lower-left pixel's
# colour (magenta) transparent. Line wait: a white arrow; page wait: a gold
# square.
def bmp24(w, h, pixel):
    row = (w * 3 + 3) & ~3
    body = b''
    for y in range(h - 1, -1, -1):
        r = b''.join(bytes((b, g, rr)) for rr, g, b in (pixel(x, y) for x in range(w)))
        body += r + b'\0' * (row - w * 3)
    head = b'BM' + struct.pack('<IHHI', 54 + len(body), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return head + info + body
key = (255, 0, 255)
arrow = lambda x, y: (255, 255, 255) if 3 <= y <= 12 and abs(x - 7.5) <= (12 - y) * 0.6 else key
square = lambda x, y: (255, 200, 0) if 3 <= x <= 12 and 3 <= y <= 12 else key
for folder in (d, d + '/archived'):
    open(folder + '/icon1.bmp', 'wb').write(bmp24(16, 16, arrow))
    open(folder + '/icon2.bmp', 'wb').write(bmp24(16, 16, square))
