# Writes the demo's sound files (standard library only): two Standard MIDI
# Files, two WAVE effects and a short CD track, into demo-src/. They are
# kept in the repository; the build copies them into both demo folders.
#   demo-src/sound/theme.mid   format 1, three tracks, tempo changes; looped
#   demo-src/sound/fanfare.mid format 0, played once
#   demo-src/sound/chime.wav   16-bit 22050 Hz mono bell, played once
#   demo-src/sound/rain.wav    8-bit 11025 Hz mono noise, looped
#   demo-src/cd/track02.wav    16-bit 11025 Hz mono tune (about 6 s)
#   demo-src/cd/track03.wav    a shorter second track
import math, os, random, struct, wave

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'demo-src')

def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))

def track(events):
    """events: (absolute tick, bytes) pairs; sorted stably; end of track added."""
    events = sorted(events, key=lambda e: e[0])
    out, now = b'', 0
    for t, data in events:
        out += vlq(t - now) + data
        now = t
    out += vlq(0) + b'\xff\x2f\x00'
    return b'MTrk' + struct.pack('>I', len(out)) + out

def smf(fmt, division, tracks):
    return b'MThd' + struct.pack('>IHHH', 6, fmt, len(tracks), division) + b''.join(tracks)

def tempo(us):
    return b'\xff\x51\x03' + us.to_bytes(3, 'big')

def note(ch, key, vel, start, length):
    return [(start, bytes([0x90 | ch, key, vel])), (start + length, bytes([0x80 | ch, key, 0]))]

def theme():
    d = 480
    bar = 4 * d
    # C F G Am progression twice, then a slower ending
    chords = [(60, 64, 67), (65, 69, 72), (67, 71, 74), (69, 72, 76)] * 2
    melody = [72, 74, 76, 79, 77, 76, 74, 72, 69, 71, 72, 74, 76, 74, 72, 71,
              72, 76, 79, 84, 81, 79, 77, 76, 74, 76, 77, 79, 76, 74, 72, 72]
    conductor = [(0, tempo(500000)), (0, b'\xff\x03\x05Theme'),
                 (4 * bar, tempo(428571)),     # faster in the second half
                 (7 * bar, tempo(600000)),     # slower for the last bar
                 (4 * bar, b'\xff\x06\x06middle')]  # a marker standing alone
    mel = [(0, bytes([0xC0, 73])), (0, bytes([0xB0, 7, 127])), (0, bytes([0xB0, 10, 80])),
           (0, bytes([0xB0, 91, 40]))]
    for i, k in enumerate(melody):
        mel += note(0, k, 115, i * d, d - 40)
    acc = [(0, bytes([0xC2, 32])), (0, bytes([0xC1, 0])), (0, bytes([0xB1, 7, 110])), (0, bytes([0xB2, 7, 120])), (0, bytes([0xB1, 10, 40])),
           (0, bytes([0xB1, 93, 30])),
           (0, b'\xf0\x05\x7e\x7f\x09\x01\xf7')]  # GM system on
    for b, ch in enumerate(chords):
        for k in ch:
            acc += note(1, k - 12, 80, b * bar, bar - 60)
        acc += note(2, ch[0] - 24, 110, b * bar, d * 2 - 30)
        acc += note(2, ch[0] - 24, 100, b * bar + 2 * d, d * 2 - 30)
    drums = []
    for beat in range(8 * 4):
        drums += note(9, 42, 50, beat * d, d // 2)
        if beat % 2 == 0:
            drums += note(9, 36, 90, beat * d, d // 2)
    return smf(1, d, [track(conductor), track(mel), track(acc + drums)])

def fanfare():
    d = 96
    ev = [(0, tempo(400000)), (0, bytes([0xC0, 56])), (0, bytes([0xB0, 7, 110]))]
    seq = [(67, 1), (67, 1), (67, 1), (72, 3), (76, 1), (79, 4)]
    t = 0
    for k, n in seq:
        ev += note(0, k, 110, t, n * d - 10)
        ev += note(0, k - 12, 90, t, n * d - 10)
        t += n * d
    return smf(0, d, [track(ev)])

def write_wav(path, rate, width, samples):
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(width)
        w.setframerate(rate)
        if width == 1:
            w.writeframes(bytes(max(0, min(255, int(128 + s * 127))) for s in samples))
        else:
            w.writeframes(b''.join(struct.pack('<h', max(-32767, min(32767, int(s * 32767))))
                                   for s in samples))

def chime(rate=22050):
    n = int(rate * 1.2)
    out = []
    for i in range(n):
        t = i / rate
        env = math.exp(-t * 4)
        out.append(0.5 * env * (math.sin(2 * math.pi * 880 * t) + 0.5 * math.sin(2 * math.pi * 1320 * t)
                                + 0.25 * math.sin(2 * math.pi * 2200 * t)) / 1.75)
    return out

def rain(rate=11025):
    rnd = random.Random(7)
    n = rate * 2
    out, low = [], 0.0
    for i in range(n):
        low = 0.8 * low + 0.2 * rnd.uniform(-1, 1)
        out.append(0.5 * low)
    # ends where it starts so the loop does not click
    fade = rate // 50
    for i in range(fade):
        out[i] *= i / fade
        out[-1 - i] *= i / fade
    return out

def tune(rate, keys, beat):
    out = []
    for k in keys:
        f = 440 * 2 ** ((k - 69) / 12)
        n = int(rate * beat)
        for i in range(n):
            t = i / rate
            env = min(1, t * 50) * math.exp(-t * 3)
            out.append(0.45 * env * (math.sin(2 * math.pi * f * t) + 0.3 * math.sin(4 * math.pi * f * t)))
    return out

def main():
    files = {
        'sound/theme.mid': theme(),
        'sound/fanfare.mid': fanfare(),
    }
    game = ROOT
    os.makedirs(os.path.join(game, 'sound'), exist_ok=True)
    os.makedirs(os.path.join(game, 'cd'), exist_ok=True)
    for name, data in files.items():
        open(os.path.join(game, name), 'wb').write(data)
    write_wav(os.path.join(game, 'sound/chime.wav'), 22050, 2, chime())
    write_wav(os.path.join(game, 'sound/rain.wav'), 11025, 1, rain())
    write_wav(os.path.join(game, 'cd/track02.wav'), 11025, 2,
              tune(11025, [60, 64, 67, 72, 67, 64, 65, 69, 72, 77, 72, 69, 67, 71, 74, 79], 0.375))
    write_wav(os.path.join(game, 'cd/track03.wav'), 11025, 2,
              tune(11025, [72, 67, 64, 60], 0.5))

if __name__ == '__main__':
    main()
