#!/usr/bin/python3
# Synthesises the game's music, wind and two effects with numpy, then encodes them to MP3 with lame.
import os
import shutil
import subprocess
import sys
import tempfile
import wave

import numpy as np

RATE = 44100


# ---------------------------------------------------------------- helpers

def add_wrapped(buf, start, sig):
    """Mix sig into buf from sample start, wrapping past the end so loops stay seamless."""
    n = len(buf)
    idx = (start + np.arange(len(sig))) % n
    np.add.at(buf, idx, sig)


def add_clipped(buf, start, sig):
    """Mix sig into buf from sample start, dropping what falls outside."""
    end = min(len(buf), start + len(sig))
    if start < end:
        buf[start:end] += sig[: end - start]


def periodic_freq(f, length_s):
    """Nearest frequency with a whole number of cycles in the loop."""
    return round(f * length_s) / length_s


def midi_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def circular_convolve(x, ir):
    """Convolution that wraps around: the reverb tail of the loop's end lands at its start."""
    n = len(x)
    h = np.zeros(n)
    h[: len(ir)] = ir
    return np.fft.irfft(np.fft.rfft(x) * np.fft.rfft(h), n)


def linear_convolve(x, ir):
    n = len(x) + len(ir) - 1
    size = 1 << (n - 1).bit_length()
    return np.fft.irfft(np.fft.rfft(x, size) * np.fft.rfft(ir, size), size)[: len(x)]


def reverb_ir(rng, seconds, decay_s, predelay_s=0.02, brightness_hz=5000.0):
    """Exponentially decaying noise, darker as it fades: a plain hall."""
    n = int(seconds * RATE)
    t = np.arange(n) / RATE
    noise = rng.normal(size=n) * np.exp(-t / decay_s)
    spectrum = np.fft.rfft(noise)
    freqs = np.fft.rfftfreq(n, 1 / RATE)
    spectrum /= 1 + (freqs / brightness_hz) ** 2
    ir = np.fft.irfft(spectrum, n)
    pre = int(predelay_s * RATE)
    ir = np.concatenate([np.zeros(pre), ir])[:n]
    return ir / np.sqrt(np.sum(ir ** 2))


def decaying_partials(freqs, amps, decays, seconds, attack_s=0.002, phases=None):
    n = int(seconds * RATE)
    t = np.arange(n) / RATE
    out = np.zeros(n)
    for i, (f, a, d) in enumerate(zip(freqs, amps, decays)):
        ph = 0.0 if phases is None else phases[i]
        out += a * np.sin(2 * np.pi * f * t + ph) * np.exp(-t / d)
    attack = max(1, int(attack_s * RATE))
    out[:attack] *= np.linspace(0, 1, attack)
    return out


def lowpass(x, cutoff_hz):
    """Brick-wall lowpass below the codec's own cut, so encoding keeps the peaks where we put them."""
    spectrum = np.fft.rfft(x)
    freqs = np.fft.rfftfreq(len(x), 1 / RATE)
    spectrum *= 1 / (1 + (freqs / cutoff_hz) ** 8)
    return np.fft.irfft(spectrum, len(x))


def band_noise(rng, n, lo_hz, hi_hz):
    """White noise at unit RMS with gentle slopes below lo_hz and above hi_hz: a hiss, not a tone."""
    spectrum = np.fft.rfft(rng.normal(size=n))
    freqs = np.fft.rfftfreq(n, 1 / RATE)
    spectrum *= (freqs / lo_hz) ** 2 / (1 + (freqs / lo_hz) ** 2) / (1 + (freqs / hi_hz) ** 4)
    out = np.fft.irfft(spectrum, n)
    return out / np.sqrt(np.mean(out ** 2))


def compress(x, ratio, window_s=0.015):
    """Evens out the level: each stretch's distance below the loudest, in decibels, cut ratio to one."""
    w = max(1, int(window_s * RATE))
    env = np.sqrt(np.convolve(x ** 2, np.ones(w) / w, mode="same")) + 1e-12
    gain = (env / env.max()) ** (1.0 / ratio - 1.0)
    return x * np.convolve(gain, np.ones(w) / w, mode="same")


def soft_limit(x, drive):
    """Gentle saturation that lifts loudness while keeping peaks rounded."""
    return np.tanh(drive * x) / np.tanh(drive)


def write_wav(path, data):
    data = np.atleast_2d(data.T).T if data.ndim == 1 else data
    pcm = np.clip(np.round(data * 32767.0), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(pcm.shape[1])
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())


def decode(path, channels):
    """Decode with mpg123 (gapless, so the encoder's delay and padding are trimmed)."""
    raw = subprocess.run(["mpg123", "-q", "--gapless", "-e", "s16", "-r", str(RATE), "-s", path],
                         check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype="<i2").reshape(-1, channels).astype(np.float64) / 32768.0


def encode(data, path, kbps, tmp):
    """Encode to CBR MP3, re-encoding until the decoded peak sits on the target (the codec moves peaks)."""
    channels = 1 if data.ndim == 1 else data.shape[1]
    target = np.max(np.abs(data))
    wav = os.path.join(tmp, os.path.basename(path) + ".wav")
    mode = "m" if channels == 1 else "j"
    gain = 1.0
    for _ in range(4):
        write_wav(wav, np.clip(data * gain, -1.0, 1.0))
        subprocess.run(["lame", "--quiet", "--noreplaygain", "-q", "2", "-b", str(kbps), "-m", mode,
                        "--resample", "44.1", wav, path], check=True)
        peak = np.max(np.abs(decode(path, channels)))
        if abs(20 * np.log10(peak / target)) < 0.1:
            break
        gain *= target / peak
    return decode(path, channels)


def report(path, pcm, loop):
    peak = np.max(np.abs(pcm))
    line = "wrote %s %d bytes, %.2f s, %d ch, peak %.2f dBFS" % (
        path, os.path.getsize(path), len(pcm) / RATE, pcm.shape[1], 20 * np.log10(peak))
    if loop:
        seam = np.max(np.abs(pcm[0] - pcm[-1]))
        inside = np.max(np.abs(np.diff(pcm[:RATE], axis=0)))
        line += ", seam step %.4f vs first-second step %.4f" % (seam, inside)
    else:
        line += ", peak at %.3f s" % (np.argmax(np.max(np.abs(pcm), axis=1)) / RATE)
    print(line, flush=True)


# ---------------------------------------------------------------- music

MUSIC_BPM = 60.0
# One eight-bar phrase in A minor (harmonic minor for the G sharp): (beat, midi note, beats held).
MELODY = [
    (0, 69, 1), (1, 72, 1), (2, 76, 2),
    (4, 77, 1), (5, 76, 1), (6, 72, 2),
    (8, 74, 1), (9, 77, 1), (10, 81, 1.5), (11.5, 79, 0.5),
    (12, 76, 2), (14, 71, 1), (15, 68, 1),
    (16, 69, 1), (17, 72, 1), (18, 76, 1), (19, 81, 1),
    (20, 77, 1.5), (21.5, 76, 0.5), (22, 74, 2),
    (24, 71, 1), (25, 74, 1), (26, 68, 1), (27, 71, 1),
    (28, 69, 3),
]
# Chord per bar: root, third, fifth (midi, low octave).
CHORDS = [(45, 48, 52), (41, 45, 48), (38, 41, 45), (40, 44, 47),
          (45, 48, 52), (38, 41, 45), (40, 44, 47), (45, 48, 52)]
PHRASES = 3  # three passes of the phrase: plain, an octave up, plain with a counter line


def music_box_note(freq, rng, seconds=4.0):
    """A plucked steel tine: strong fundamental, a faint octave and a short inharmonic ting."""
    freqs = [freq, 2.0 * freq, 3.0 * freq, 5.43 * freq]
    amps = [1.0, 0.30, 0.08, 0.22]
    decays = [1.6, 0.7, 0.35, 0.06]
    keep = [i for i, f in enumerate(freqs) if f < 16000]
    note = decaying_partials([freqs[i] for i in keep], [amps[i] for i in keep], [decays[i] for i in keep],
                             seconds, phases=rng.random(len(keep)) * 2 * np.pi)
    click = rng.normal(size=int(0.003 * RATE)) * np.exp(-np.arange(int(0.003 * RATE)) / 30.0) * 0.05
    note[: len(click)] += click
    return note


def organ_chord(notes, seconds, length):
    """Soft reed organ pad: a few harmonics, slow swell in and out."""
    n = int(length * RATE)
    t = np.arange(n) / RATE
    out = np.zeros(n)
    for m in notes:
        f = midi_hz(m + 12)
        for h, a in ((1, 1.0), (2, 0.45), (3, 0.2), (4, 0.1)):
            out += a * np.sin(2 * np.pi * f * h * t * (1 + 0.0007 * (h - 1)))
    env = np.clip(t / 0.9, 0, 1) * np.clip((seconds + 1.2 - t) / 1.2, 0, 1)
    return out * env / len(notes)


def drone(length_s, n):
    """Low A and E held under everything; every partial fits the loop a whole number of times."""
    t = np.arange(n) / RATE
    out = np.zeros((n, 2))
    swell = 0.75 + 0.25 * np.sin(2 * np.pi * t * 4 / length_s) * np.sin(2 * np.pi * t * 3 / length_s + 1.0)
    for base, level in ((55.0, 1.0), (82.41, 0.45)):
        for side, detune in ((0, 0.0), (1, 0.13)):
            f0 = periodic_freq(base + detune, length_s)
            for h in range(1, 7):
                f = periodic_freq(f0 * h, length_s)
                out[:, side] += level * np.sin(2 * np.pi * f * t + h) / h ** 1.6
    return out * swell[:, None]


def make_music(rng):
    beat = 60.0 / MUSIC_BPM
    phrase_beats = 32
    length_s = PHRASES * phrase_beats * beat
    n = int(round(length_s * RATE))
    box = np.zeros((n, 2))
    pad = np.zeros((n, 2))
    for p in range(PHRASES):
        base = p * phrase_beats
        for b, note, held in MELODY:
            m = note + (12 if p == 1 else 0)
            pan = 0.5 + 0.25 * np.sin(m * 1.7)
            sig = music_box_note(midi_hz(m), rng) * (0.9 + 0.1 * rng.random())
            start = int(round((base + b) * beat * RATE))
            add_wrapped(box[:, 0], start, sig * (1 - pan))
            add_wrapped(box[:, 1], start, sig * pan)
            if p == 2 and held >= 1:
                # Counter line: the note a sixth below, quieter, half a beat late.
                low = music_box_note(midi_hz(m - 9), rng) * 0.35
                add_wrapped(box[:, 0], start + int(0.5 * beat * RATE), low * 0.6)
                add_wrapped(box[:, 1], start + int(0.5 * beat * RATE), low * 0.4)
        for bar, chord in enumerate(CHORDS):
            start = int(round((base + bar * 4) * beat * RATE))
            # Music-box bass: root on the first beat, fifth on the third.
            for off, m, lvl in ((0, chord[0] + 12, 0.45), (2, chord[2] + 12, 0.3)):
                sig = music_box_note(midi_hz(m), rng) * lvl
                add_wrapped(box[:, 0], start + int(off * beat * RATE), sig * 0.55)
                add_wrapped(box[:, 1], start + int(off * beat * RATE), sig * 0.45)
            organ = organ_chord(chord, 4 * beat, 4 * beat + 1.5)
            add_wrapped(pad[:, 0], start, organ)
            add_wrapped(pad[:, 1], start, organ)
    dry = box * 0.55 + pad * 0.10 + drone(length_s, n) * 0.16
    wet = np.stack([circular_convolve(dry[:, c], reverb_ir(rng, 3.5, 0.9)) for c in range(2)], axis=1)
    mix = dry * 0.75 + wet * 0.55
    mix /= np.max(np.abs(mix))
    mix = soft_limit(mix, 1.3)
    return mix * 10 ** (-0.3 / 20) / np.max(np.abs(mix))


# ---------------------------------------------------------------- wind

def periodic_curve(rng, n, lowest, highest, sharp=1.0):
    """Smooth random curve in [0, 1] that repeats exactly over the loop (harmonics lowest..highest)."""
    t = np.arange(n) / n
    c = np.zeros(n)
    for k in range(lowest, highest + 1):
        c += rng.normal() / np.sqrt(k) * np.sin(2 * np.pi * k * t + rng.random() * 2 * np.pi)
    c = (c - c.min()) / (c.max() - c.min())
    return c ** sharp


def make_wind(rng):
    length_s = 30.0
    hop = 441
    size = hop * 4
    frames = int(length_s * RATE) // hop
    n = frames * hop
    freqs = np.fft.rfftfreq(size, 1 / RATE)
    window = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(size) / size)  # periodic Hann: overlaps add to 2

    # Gusts every few seconds; each howl swells on its own and bends with the gusts.
    gust = 0.2 + 0.8 * periodic_curve(rng, frames, 3, 10, sharp=1.5)
    howl_curves = [periodic_curve(rng, frames, 4, 14, sharp=2.0) for _ in range(3)]
    pitch_curves = [periodic_curve(rng, frames, 1, 6) for _ in range(3)]
    pan = periodic_curve(rng, frames, 2, 5)
    howl_base = [310.0, 470.0, 690.0]

    rumble = 1.0 / np.sqrt(1 + (freqs / 220.0) ** 4) * (freqs > 25)
    hiss = np.exp(-((np.log(freqs + 1) - np.log(1800)) ** 2) / 0.6)
    out = np.zeros((n, 2))
    for m in range(frames):
        g = gust[m]
        mag = (0.25 + 1.0 * g) * rumble + (0.01 + 0.04 * g) * hiss
        for k in range(3):
            fc = howl_base[k] * (0.85 + 0.45 * pitch_curves[k][m] + 0.20 * g)
            width = 8.0 + 30.0 * (1 - howl_curves[k][m])
            mag = mag + (3.0 * howl_curves[k][m] * (0.3 + 0.7 * g)) * np.exp(-((freqs - fc) / width) ** 2)
        left = 0.65 + 0.35 * (pan[m] - 0.5)
        start = m * hop
        for side, level in ((0, left), (1, 1.3 - left)):
            spectrum = mag * level * np.exp(2j * np.pi * rng.random(len(freqs)))
            frame = np.fft.irfft(spectrum, size) * window
            idx = (start + np.arange(size)) % n
            out[idx, side] += frame
    # A little shared signal so the two sides sound like one wind.
    out = np.stack([out[:, 0] * 0.8 + out[:, 1] * 0.2, out[:, 1] * 0.8 + out[:, 0] * 0.2], axis=1)
    return out * 10 ** (-0.3 / 20) / np.max(np.abs(out))


# ---------------------------------------------------------------- glass

def tinkle(rng, lo, hi, partials, decay_lo, decay_hi, seconds=0.4):
    freqs = rng.uniform(lo, hi, partials)
    amps = rng.uniform(0.3, 1.0, partials)
    decays = rng.uniform(decay_lo, decay_hi, partials)
    return decaying_partials(freqs, amps / partials, decays, seconds, attack_s=0.0005,
                             phases=rng.random(partials) * 2 * np.pi)


def make_glass(rng):
    """A window smashed: it has to carry over the music from across the room at a third of full volume,
    so the first second is a dense crash squeezed loud, with the impact still on top of it."""
    length_s = 2.4
    n = int(length_s * RATE)
    t = np.arange(n) / RATE
    t0 = 0.01
    crash_end = 1.0
    held = (t >= t0) & (t < crash_end)
    # The crash: hundreds of shards ringing at once over a grainy bright hiss.
    grains = np.zeros(n)
    for gt in rng.uniform(t0, crash_end + 0.1, 500):
        grains[int(gt * RATE)] += rng.uniform(0.3, 1.0)
    grain_env = linear_convolve(grains, np.exp(-np.arange(int(0.03 * RATE)) / (0.006 * RATE)))
    crash = band_noise(rng, n, 1800.0, 11000.0) * (0.35 + grain_env) * 0.25 * (t >= t0)
    for st in np.sort(rng.uniform(t0, crash_end + 0.1, 260)):
        shard = tinkle(rng, 2000, 12000, 4, 0.01, 0.1) * rng.uniform(0.3, 1.0)
        add_clipped(crash, int(st * RATE), shard * 3.0)
    # Evened out and saturated so its average sits near its peaks; it swells in behind the impact, sags a
    # little and dies away as the last pieces land.
    crash = compress(crash, 3.0)
    crash = np.tanh(crash / np.sqrt(np.mean(crash[held] ** 2)))
    crash *= np.where(t < crash_end, 1.0 - 0.15 * t / crash_end, 0.85 * np.exp(-(t - crash_end) / 0.12))
    crash *= 0.35 + 0.65 * np.clip((t - t0) / 0.08, 0, 1)
    out = crash * 0.7
    # Falling shards after it, thinning out; a second cluster where they hit the floor.
    tail = np.zeros(n)
    times = np.concatenate([crash_end - 0.1 + rng.exponential(0.4, 50), 1.15 + rng.exponential(0.15, 30)])
    for st in np.sort(times[times < length_s - 0.25]):
        level = rng.uniform(0.3, 1.0) * np.exp(-(st - crash_end) / 0.45)
        add_clipped(tail, int(st * RATE), tinkle(rng, 2500, 12000, 4, 0.015, 0.12) * level)
    out += tail / np.max(np.abs(tail))
    # The impact: a hard crack, the pane's ringing modes and a low thump, squeezed on its own so the
    # attack stays the loudest moment.
    impact = np.zeros(n)
    start = int(t0 * RATE)
    crack_n = int(0.12 * RATE)
    crack = band_noise(rng, crack_n, 500.0, 12000.0) * np.exp(-np.arange(crack_n) / (0.015 * RATE))
    add_clipped(impact, start, crack / np.max(np.abs(crack)))
    ring = tinkle(rng, 1200, 9000, 30, 0.05, 0.5, 1.0)
    add_clipped(impact, start, ring * 0.6 / np.max(np.abs(ring)))
    thud_t = np.arange(int(0.4 * RATE)) / RATE
    thud = np.sin(2 * np.pi * 80 * thud_t) + 0.5 * np.sin(2 * np.pi * 140 * thud_t)
    thud *= np.exp(-thud_t / 0.08)
    add_clipped(impact, start, thud * 0.6)
    out += soft_limit(impact, 6.0)
    fade = int(0.05 * RATE)
    out[-fade:] *= np.linspace(1, 0, fade)
    out = soft_limit(out / np.max(np.abs(out)), 3.5)
    out = lowpass(out, 14000.0)
    return out * 10 ** (-1.0 / 20) / np.max(np.abs(out))


# ---------------------------------------------------------------- lantern

HINGE_MODES = [(610.0, 0.045), (1270.0, 0.035), (1980.0, 0.028), (3150.0, 0.02), (4420.0, 0.012)]


def creak(rng, seconds, rate_from, rate_peak, rate_to, pitch):
    """Stick-slip friction: a stuttering pulse train ringing the hinge's metal modes."""
    n = int(seconds * RATE)
    pulses = np.zeros(n)
    t = 0.0
    while t < seconds:
        x = t / seconds
        rate = rate_from + (rate_peak - rate_from) * np.sin(np.pi * x) ** 0.7 + (rate_to - rate_from) * x
        env = np.sin(np.pi * x) ** 0.6
        pulses[int(t * RATE)] += env * rng.uniform(0.6, 1.0)
        t += (1.0 / max(rate, 20.0)) * rng.uniform(0.85, 1.15)
    modes = decaying_partials([f * pitch for f, _ in HINGE_MODES], [1.0, 0.7, 0.5, 0.35, 0.2],
                              [d for _, d in HINGE_MODES], 0.25, attack_s=0.0003)
    return linear_convolve(pulses, modes)


def make_lantern(rng):
    length_s = 3.2
    n = int(length_s * RATE)
    out = np.zeros(n)
    add_clipped(out, int(0.05 * RATE), creak(rng, 1.0, 45.0, 190.0, 70.0, 1.0))
    add_clipped(out, int(1.45 * RATE), creak(rng, 0.85, 60.0, 150.0, 40.0, 0.9) * 0.8)
    # Chain links knocking together as the lantern swings.
    for lo, hi, count, level in ((0.25, 1.0, 22, 0.35), (1.2, 1.75, 14, 0.25), (2.1, 2.9, 16, 0.22)):
        for t in np.sort(rng.uniform(lo, hi, count)):
            link = tinkle(rng, 1800, 7000, 3, 0.008, 0.035, 0.12)
            add_clipped(out, int(t * RATE), link * level * rng.uniform(0.4, 1.0) * 3.0)
    fade = int(0.08 * RATE)
    out[-fade:] *= np.linspace(1, 0, fade)
    out = lowpass(out, 14000.0)
    return out * 10 ** (-1.0 / 20) / np.max(np.abs(out))


# ---------------------------------------------------------------- main

SOUNDS = [
    ("spooky_song2.mp3", make_music, 96, True, 1101),
    ("wind.mp3", make_wind, 96, True, 1202),
    ("glass_breaks.mp3", make_glass, 192, False, 1303),  # dense and loud: fewer bits lift its peaks
    ("lantern.mp3", make_lantern, 96, False, 1404),
]


def main(out_dir):
    for tool in ("lame", "mpg123"):
        if shutil.which(tool) is None:
            sys.exit("sounds.py: %s not found" % tool)
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for name, make, kbps, loop, seed in SOUNDS:
            data = make(np.random.default_rng(seed))
            path = os.path.join(out_dir, name)
            report(path, encode(data, path, kbps, tmp), loop)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Resources")
