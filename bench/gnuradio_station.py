#!/usr/bin/python3
"""Synthetic FM stereo broadcast station with RDS, written as a SigMF IQ capture.

An independent signal source for checking an FM receiver / measurement
program.  It uses only GNU Radio 3.10 (resampling, FM modulation, carrier,
echo filter), gr-rds (RDS group/bit generation, and decoding in the self
check) and numpy.  Run it with the system Python that has GNU Radio:

    /usr/bin/python3 gnuradio_station.py --out /tmp/st1 --cn 40
    /usr/bin/python3 gnuradio_station.py --out /tmp/st2 --programme noise
    /usr/bin/python3 gnuradio_station.py --out /tmp/st3 --programme clipped
    /usr/bin/python3 gnuradio_station.py --out /tmp/st4 --frequency-error 5000
    /usr/bin/python3 gnuradio_station.py --out /tmp/st5 --no-carrier
    /usr/bin/python3 gnuradio_station.py --out /tmp/st6 --rate 2400000 \\
        --format cf32 --echo 8,-6

Output: PATH.sigmf-data (cu8: interleaved unsigned 8-bit I,Q with
u = clip(floor(127.5*v + 128), 0, 255), i.e. v = (u - 127.5)/127.5 as
rtl_sdr files are read; cf32: little-endian float32 I,Q, full scale 1.0) and
PATH.sigmf-meta.  One JSON object describing what was made (and the self
checks, under "checks") is printed on stdout; progress goes to stderr.

Signal model (all MPX values in kHz of deviation):
  * MPX built at 228 kHz (12 x 19 kHz, 96 x 2375 Hz), time t = 0 at the first
    IQ sample.  L/R programme: "tones" = L 1 kHz, R 400 Hz, equal amplitude;
    "noise" = independent Gaussian noise per channel, brick-wall low-passed
    to 15 kHz (drawn in the FFT domain over the whole, circular, buffer);
    "clipped" = the noise programme's composite driven --clip-drive dB above
    --deviation and hard-clipped at +-deviation on the 228 kHz samples.
  * 50 us pre-emphasis (exact 1 + j*2*pi*f*50us: per tone, or on the noise
    spectrum) on L and R.
  * audio = (L+R) + (L-R)*sin(2*w19*t), scaled so max|audio| over the 228 kHz
    samples of the buffer equals --deviation (for "clipped": the clip level).
  * pilot = --pilot * sin(w19*t)  (zero phase at t = 0).
  * RDS: gr-rds encoder output (information+checkword bits, 1 bit per byte,
    NOT differentially coded -- it is exactly what rds.decoder takes back)
    -> differential coding (d[k] = d[k-1] xor b[k]) -> biphase symbol pair
    (+a,-a), a = 2*d-1, impulses half a bit (96 samples) apart -> root-raised-
    cosine, roll-off 1, T = 1/2375 s (i.e. H(f) = cos(pi*f*td/4), td = 1/1187.5
    s) -> scaled so the shaped waveform's peak is --rds kHz -> times
    sin(3*w19*t + --rds-phase), i.e. in phase (default) with the pilot's third
    harmonic.  The first half-symbol of bit k is centred on
    t = k/1187.5 - 20 ms.
  * MPX resampled to the IQ rate with filter.rational_resampler_fff (Kaiser
    low-pass: flat to 80 kHz, >= 90 dB down from 148 kHz; its delay is
    compensated exactly so IQ sample n is MPX time n/rate).
  * analog.frequency_modulator_fc, sensitivity 2*pi*1000/rate rad per kHz.
  * echo (--echo): y = m(t) + g*exp(j*phase)*m(t - delay) applied to the FM
    signal at zero IF before the carrier shift, so the echo's carrier is
    turned by exactly PHASE_DEG against the direct ray; the fractional-sample
    delay is a Kaiser-windowed sinc (65 taps about the delay point) in one
    complex FIR (filter.fft_filter_ccc) together with the direct tap.
  * complex carrier at tuning-offset + frequency-error Hz, amplitude
    10^(level/20) of full scale (the direct ray; an echo adds to it).
  * complex white Gaussian noise, N0 = C/(CN*200e3), C = direct-ray carrier
    power, over the whole sampled band (numpy, seeded).  --no-carrier writes
    the noise only (CN then refers to the carrier that would be there;
    default 30 dB when --cn is not given).

Approximations: RDS root-raised-cosine truncated at +-8 half-bits (-60 dB);
cu8 quantisation adds noise (about 45.7 dB C/N at -12 dBFS, 1.2 MS/s,
reported as checks.quantisation_cn_db); with a rate where 20 ms is not a
whole number of IQ samples the MPX/IQ time alignment is within half a sample
(rates should have a small ratio to 228 kHz: 1.2, 2.4, 2.048 MS/s are fine);
GNU Radio's carrier NCO takes a float32 phase step, so the carrier is off by
up to ~0.01 Hz (measured as checks.channel_fit.carrier_frequency_error_hz);
true_peak_khz is the largest IQ-rate sample, which can lie up to ~0.2 kHz
(1.2 MS/s) below the continuous peak, so with tones it can come out a few
tens of Hz below sample_peak_khz;
gr-rds also sends group 4A clock time from the wall clock, so RDS bits
differ between runs (everything else is reproducible with --seed).
"""

import argparse
import contextlib
import ctypes
import json
import math
import os
import sys
import time

import numpy as np
from gnuradio import analog, blocks, filter, gr
import pmt
import rds

F_MPX = 228000.0          # MPX sample rate: 12 x 19 kHz, 96 x 2375 Hz
F_PILOT = 19000.0
RDS_BIT_RATE = 1187.5
SAMPLES_PER_BIT = 192     # at 228 kHz
PAD_S = 0.02              # MPX generated this long before t=0 and after the end
PERIOD_228 = 1140         # 5 ms: whole periods of 1 kHz, 400 Hz, 19 kHz, 57 kHz
TAU_PRE = 50e-6


def log(*a):
    print(*a, file=sys.stderr, flush=True)


@contextlib.contextmanager
def stdout_to_devnull():
    """gr-rds prints chatter with std::cout; keep stdout clean for the JSON."""
    sys.stdout.flush()
    libc = ctypes.CDLL(None)
    saved = os.dup(1)
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    try:
        yield
    finally:
        libc.fflush(None)          # C stdio buffer may still hold text
        os.dup2(saved, 1)
        os.close(saved)
        os.close(devnull)


def num(x):
    """Integral floats as ints in the JSON."""
    x = float(x)
    return int(x) if x.is_integer() else x


def r(x, nd=4):
    return None if x is None else round(float(x), nd)


# ---------------------------------------------------------------- RDS bits
def rds_encoder_bits(args, nbits):
    """Run gr-rds's encoder for nbits bits (0/1, not differentially coded)."""
    with stdout_to_devnull():
        tb = gr.top_block()
        enc = rds.encoder(0, args.pty, True, args.ps, args.af * 1e6, True,
                          False, args.pi_country, args.pi_area, args.pi_ref,
                          args.rt)
        head = blocks.head(1, nbits)
        sink = blocks.vector_sink_b()
        tb.connect(enc, head, sink)
        tb.run()
        bits = np.array(sink.data(), dtype=np.uint8)
    return bits


def rrc_beta1(u):
    """Root-raised-cosine, roll-off 1, u = t/T; value at u=0 is 1."""
    u = np.asarray(u, dtype=float)
    den = 1.0 - 16.0 * u * u
    out = np.empty_like(u)
    sing = np.abs(den) < 1e-9
    out[~sing] = np.cos(2 * np.pi * u[~sing]) / den[~sing]
    out[sing] = np.pi / 4            # limit at |u| = 1/4
    return out


def rds_baseband(bits, length):
    """Differential + biphase coding, RRC shaping at 228 kHz; peak 1."""
    d = np.bitwise_xor.accumulate(bits.astype(np.uint8))   # d[k]=d[k-1]^b[k], d[-1]=0
    a = 2.0 * d - 1.0
    sym = np.empty(2 * len(a))                 # half-bit symbols: +a, -a
    sym[0::2], sym[1::2] = a, -a
    half = SAMPLES_PER_BIT // 2
    span = 8                                   # pulse kept over +-8 half-bits
    # Polyphase: pulse of symbol i centred on sample 96*i; row m of hp holds
    # the pulse samples 96*(m - span) + p, p = 0..95.
    hp = rrc_beta1((np.arange(-span * half, (span + 1) * half)) / half).reshape(2 * span + 1, half)
    y = np.zeros((len(sym) + 2 * span + 1, half))
    for m in range(2 * span + 1):
        y[m:m + len(sym)] += sym[:, None] * hp[m]
    y = y.ravel()[span * half:span * half + length]
    return y / np.max(np.abs(y))


# ---------------------------------------------------------------- MPX
def make_mpx(args, rng, bits):
    n = int(math.ceil((args.seconds + 2 * PAD_S) * F_MPX / PERIOD_228)) * PERIOD_228
    n += PERIOD_228           # spare tail for the resampler's look-ahead
    t = np.arange(n) / F_MPX - PAD_S
    if args.programme == "tones":
        # pre-emphasis of a sine: gain |H| and phase arg H, H = 1 + j*w*tau
        def tone(freq):
            h = 1 + 2j * np.pi * freq * TAU_PRE
            return abs(h) * np.sin(2 * np.pi * freq * t + np.angle(h))
        left, right = tone(1000.0), tone(400.0)
    else:
        # White Gaussian noise drawn directly as its spectrum (i.i.d. complex
        # Gaussian bins), kept up to 15 kHz and pre-emphasised; the buffer is
        # circular, which a stationary noise does not mind.
        f = np.fft.rfftfreq(n, 1 / F_MPX)
        keep = (f > 0) & (f <= 15000.0)
        hpre = (1 + 2j * np.pi * f[keep] * TAU_PRE) / np.sqrt(2)
        def channel():
            spectrum = np.zeros(len(f), complex)
            spectrum[keep] = hpre * (rng.standard_normal(keep.sum()) + 1j * rng.standard_normal(keep.sum()))
            return np.fft.irfft(spectrum, n)
        left, right = channel(), channel()

    w19 = 2 * np.pi * F_PILOT * t
    audio = (left + right) + (left - right) * np.sin(2 * w19)
    info = {}
    if args.programme == "clipped":
        audio *= args.deviation * 10 ** (args.clip_drive / 20) / np.max(np.abs(audio))
        info["clipped_fraction"] = float(np.mean(np.abs(audio) > args.deviation))
        audio = np.clip(audio, -args.deviation, args.deviation)
    else:
        audio *= args.deviation / np.max(np.abs(audio))
    mpx = audio + args.pilot * np.sin(w19)
    if args.rds > 0:
        d = rds_baseband(bits, n)
        mpx += args.rds * d * np.sin(3 * w19 + np.radians(args.rds_phase))
        info_d = d
    else:
        info_d = None
    return mpx, t, info, info_d


# ---------------------------------------------------------------- filters
def resampler_taps(interp, decim):
    """Kaiser low-pass at interp*228 kHz: pass 80 kHz, stop 148 kHz, 90 dB.

    The length is chosen so the resampler's delay is a whole number of
    output samples.  GNU Radio's rational resampler output m is the
    interpolated signal at input time m*decim/interp - delay_in with
    delay_in = (N-1)/(2*interp) - (T-1), T = taps per phase (measured)."""
    fs_up = interp * F_MPX
    atten, f_pass, f_stop = 90.0, 80e3, 148e3
    beta = 0.1102 * (atten - 8.7)
    n = int(math.ceil((atten - 8) / (2.285 * 2 * np.pi * (f_stop - f_pass) / fs_up))) + 1
    n |= 1
    while True:
        t_per = -(-n // interp)
        d_up = (n - 1) // 2 - (t_per - 1) * interp
        if d_up % decim == 0:
            break
        n += 2
    fc = (f_pass + f_stop) / 2 / fs_up
    k = np.arange(n) - (n - 1) / 2
    h = 2 * fc * np.sinc(2 * fc * k) * np.kaiser(n, beta)
    h *= interp / h.sum()
    return h, d_up // decim        # taps, delay in output samples (<0: ahead)


def echo_taps(delay_samples, gain):
    """Direct tap at index c plus gain * windowed sinc centred at c + delay."""
    half = 32
    c = half
    ntaps = c + int(math.ceil(delay_samples)) + half + 1
    k = np.arange(ntaps)
    x = k - c - delay_samples
    # Kaiser window (beta 8) evaluated at the fractional distance from the delay point
    w = np.where(np.abs(x) <= half,
                 np.i0(8.0 * np.sqrt(np.clip(1 - (x / half) ** 2, 0, 1))) / np.i0(8.0), 0.0)
    frac = np.sinc(x) * w
    frac /= frac.sum()
    taps = gain * frac.astype(complex)
    taps[c] += 1.0
    return taps, c


# ---------------------------------------------------------------- checks
def smooth_below(n, mult=1):
    """Largest k*mult <= n with k having no prime factor above 5 (fast FFTs)."""
    k = max(1, n // mult)
    while True:
        m = k
        for p in (2, 3, 5):
            while m % p == 0:
                m //= p
        if m == 1:
            return k * mult
        k -= 1


def band_lowpass(x, fs, fcut):
    X = np.fft.rfft(x)
    X[np.fft.rfftfreq(len(x), 1 / fs) > fcut] = 0
    return np.fft.irfft(X, len(x))


def read_iq(path, fmt, start, count):
    if fmt == "cu8":
        u = np.fromfile(path, dtype=np.uint8, count=2 * count, offset=2 * start)
        v = (u.astype(np.float64) - 127.5) / 127.5
        return v[0::2] + 1j * v[1::2]
    return np.fromfile(path, dtype=np.complex64, count=count, offset=8 * start).astype(complex)


def fm_reference(mpx_seg, fs, f_carrier, n0):
    """Unit FM signal times carrier, from the MPX samples the modulator got."""
    ph = np.cumsum(mpx_seg.astype(np.float64)) * (2 * np.pi * 1000.0 / fs)
    car = np.exp(2j * np.pi * f_carrier * (n0 + np.arange(len(mpx_seg))) / fs)
    return np.exp(1j * ph), car


def fft_delay(x, d):
    """Band-limited (circular) delay by d samples."""
    f = np.fft.fftfreq(len(x))
    return np.fft.ifft(np.fft.fft(x) * np.exp(-2j * np.pi * f * d))


def check_fm_and_channel(args, data_path, mpx_path, fs, n_total, amp, f_carrier):
    """Demodulate a piece of the written IQ and compare with the MPX; fit the
    written IQ against an independently rebuilt direct ray (+ FFT-delayed
    echo) to measure level, echo and residual noise (C/N)."""
    res = {}
    n0 = int(min(0.1 * fs, n_total // 4))
    cnt = smooth_below(int(min(0.5 * fs, n_total - n0 - 2)) + 1) - 1   # cnt+1: FFT size
    x = read_iq(data_path, args.format, n0, cnt + 1)
    mpx = np.memmap(mpx_path, dtype=np.float32, mode="r")[n0:n0 + cnt + 1].astype(np.float64)
    inst = np.angle(x[1:] * np.conj(x[:-1])) * fs / (2 * np.pi) - f_carrier
    err = inst / 1000.0 - mpx[1:]
    lp = band_lowpass(inst / 1000.0, fs, 100e3) - band_lowpass(mpx[1:], fs, 100e3)
    e = slice(2000, len(lp) - 2000)
    res["fm_demod_vs_mpx"] = {
        "samples": cnt, "start_s": r(n0 / fs),
        "error_rms_khz": r(np.sqrt(np.mean(err ** 2))),
        "error_rms_khz_lowpassed_100k": r(np.sqrt(np.mean(lp[e] ** 2))),
        "error_max_khz_lowpassed_100k": r(np.max(np.abs(lp[e]))),
    }
    if args.echo:
        res["fm_demod_vs_mpx"]["note"] = "echo present: multipath distortion is part of the error"

    # channel fit
    u, car = fm_reference(mpx, fs, f_carrier, n0)
    regs = [u * car]
    if args.echo:
        regs.append(fft_delay(u, args.echo[0] * 1e-6 * fs) * car)
    m = slice(4000, len(u) - 4000)            # away from the circular-delay edges
    A = np.stack([g[m] for g in regs], 1)
    y = x[m]
    # The carrier may drift in phase (float32 phase increments in GNU Radio):
    # fit the channel on 10 blocks, take the phase slope as a frequency error,
    # remove it and fit once more.
    nb = 10
    edges = np.linspace(0, len(y), nb + 1).astype(int)
    phs = []
    for i in range(nb):
        cb, *_ = np.linalg.lstsq(A[edges[i]:edges[i + 1]], y[edges[i]:edges[i + 1]], rcond=None)
        phs.append(np.angle(cb[0]))
    mids = (edges[:-1] + edges[1:]) / 2
    slope = np.polyfit(mids, np.unwrap(phs), 1)[0]            # rad per sample
    A = A * np.exp(1j * slope * np.arange(len(y)))[:, None]
    coef, *_ = np.linalg.lstsq(A, y, rcond=None)
    resid = y - A @ coef
    p_res = np.mean(np.abs(resid) ** 2)
    ch = {"carrier_frequency_error_hz": r(slope * fs / (2 * np.pi), 5),
          "level_rel_direct": r(abs(coef[0]) / amp, 5),
          "level_dbfs": r(20 * np.log10(abs(coef[0])), 3),
          "residual_cn_db": r(10 * np.log10(amp ** 2 / (p_res / fs * 200e3)), 2)}
    if args.echo:
        rel = coef[1] / coef[0]
        ch["echo_rel_db"] = r(20 * np.log10(abs(rel)), 3)
        ch["echo_phase_deg"] = r(np.degrees(np.angle(rel)), 2)
    res["channel_fit"] = ch
    return res


def check_rds(args, data_path, fs, n_total, f_carrier, tx_bits, rds_d, made):
    """FM-demodulate the first seconds of the written IQ, measure pilot and
    57 kHz subcarrier, recover the RDS bits (matched RRC filter, biphase
    decision, differential decoding) and decode them with gr-rds's own
    rds.decoder + rds.parser."""
    q = int(fs) // math.gcd(int(fs), 38000)
    nseg = smooth_below(int(min(3.0 * fs, n_total - 1)), 2 * q)
    if nseg < 2 * q:
        return {"error": "capture too short"}
    x = read_iq(data_path, args.format, 0, nseg + 1)
    inst = np.angle(x[1:] * np.conj(x[:-1])) * fs / (2 * np.pi) - f_carrier  # Hz; sample j is time (j+1)/fs
    nd = nseg * 38000 // int(fs)               # 38 kHz = 16 samples per half-bit
    X = np.fft.rfft(inst)
    k19, k57 = nd // 2, 3 * nd // 2            # exact bins
    res = {}
    pil = X[k19]
    res["pilot_khz_measured"] = r(2 * abs(pil) / nseg / 1000.0)
    pil_phase0 = np.angle(pil) + np.pi / 2 - 2 * np.pi * F_PILOT / fs   # sin phase at t=0
    res["pilot_sin_phase_at_t0_deg"] = r(np.degrees(np.angle(np.exp(1j * pil_phase0))), 2)

    kb = int(2375 * nseg // fs)
    ks = np.arange(k57 - kb, k57 + kb + 1)
    fb = (ks - k57) * fs / nseg
    def to_baseband(weights):
        Z = np.zeros(nd, complex)
        Z[(ks - k57) % nd] = X[ks] * weights
        return np.fft.ifft(Z) * (2 * nd / nseg) / 1000.0     # complex envelope, kHz
    z_flat = to_baseband(np.ones(len(ks)))
    z_mf = to_baseband(np.cos(np.pi * fb / (2 * 2375.0)))
    psi = np.angle(np.mean(z_mf[800:-800] ** 2)) / 2           # BPSK phase (mod pi)
    env = np.real(z_flat * np.exp(-1j * psi))[800:-800]
    res["rds_peak_khz_measured_incl_noise"] = r(np.max(np.abs(env)))
    # least-squares amplitude against the transmitted (peak 1) RDS waveform:
    # envelope sample i is time i/38000 + 1/fs, the 228 kHz waveform is 6x denser
    t_env = np.arange(800, nd - 800) / 38000.0 + 1 / fs
    ref = np.interp((t_env + PAD_S) * F_MPX, np.arange(len(rds_d)), rds_d)
    res["rds_khz_measured_fit"] = r(abs(np.dot(env, ref)) / np.dot(ref, ref))
    # carrier phase of the RDS vs three times the pilot phase (mod 180 deg)
    rel = np.degrees(psi + np.pi / 2 - 3 * (np.angle(pil) + np.pi / 2))
    res["rds_phase_vs_3x_pilot_deg_mod180"] = r((rel + 90) % 180 - 90, 2)

    s = np.real(z_mf * np.exp(-1j * psi))
    best = None
    for off in range(32):                     # bit timing search (one bit = 32 samples)
        s1 = s[off::32]
        s2 = s[off + 16::32]
        m = min(len(s1), len(s2))
        metric = np.mean(np.abs(s1[:m] - s2[:m]))
        if best is None or metric > best[0]:
            best = (metric, off, s1[:m], s2[:m])
    _, off, s1, s2 = best
    d = (s1 - s2 > 0).astype(np.uint8)
    eye = np.abs(s1 - s2) / 2
    res["rds_eye_min_over_mean"] = r(np.min(eye[20:-20]) / np.mean(eye[20:-20]), 3)
    b = np.bitwise_xor(d[1:], d[:-1])
    res["rds_bit_rate_assumed"] = RDS_BIT_RATE
    res["rds_bits_recovered"] = int(len(b))
    # bit errors against what the encoder produced (best alignment)
    errs = None
    ref = tx_bits.astype(np.uint8)
    for sh in range(0, 200):
        mlen = min(len(b), len(ref) - sh)
        e = int(np.count_nonzero(b[:mlen] != ref[sh:sh + mlen]))
        if errs is None or e < errs[0]:
            errs = (e, sh, mlen)
    res["rds_bit_errors"] = errs[0]
    res["rds_bits_compared"] = errs[2]

    with stdout_to_devnull():
        tb = gr.top_block()
        src = blocks.vector_source_b(b.tolist())
        dec = rds.decoder(False, False)
        par = rds.parser(False, False, 0)
        dbg = blocks.message_debug()
        tb.connect(src, dec)
        tb.msg_connect(dec, "out", par, "in")
        tb.msg_connect(par, "out", dbg, "store")
        tb.run()                  # ends once the bits are through; messages are delivered
        msgs = [pmt.to_python(dbg.get_message(i)) for i in range(dbg.num_messages())]
    got = {}
    for typ, txt in msgs:
        got.setdefault(int(typ), txt)
        if int(typ) in (1, 4):
            got[int(typ)] = txt      # keep the last PS/RT (complete ones)
    res["decoded_pi"] = got.get(0)
    res["decoded_ps"] = got.get(1)
    res["decoded_rt"] = got.get(4)
    res["decoded_pty"] = got.get(2)
    res["parser_messages"] = len(msgs)
    res["rds_decode_ok"] = bool(
        res["decoded_pi"] == made["pi"] and res["decoded_ps"] == made["ps"]
        and res["decoded_rt"] is not None and res["decoded_rt"].rstrip() == made["rt"].rstrip())
    return res


def check_noise_band(args, data_path, fs, n_total, amp, f_carrier):
    """Noise power in a 200 kHz band around where the carrier would be."""
    cnt = smooth_below(int(min(fs, n_total)))
    x = read_iq(data_path, args.format, 0, cnt)
    P = np.abs(np.fft.fft(x)) ** 2 / cnt ** 2      # power per bin, sums to mean|x|^2
    f = np.fft.fftfreq(cnt, 1 / fs)
    band = np.abs(f - f_carrier) <= 100e3
    p_band = P[band].sum() - (P[0] if band[0] else 0)
    return {"noise_power_in_200k_dbfs": r(10 * np.log10(p_band), 2),
            "cn_db_vs_would_be_carrier": r(10 * np.log10(amp ** 2 / p_band), 2)}


# ---------------------------------------------------------------- main
def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--out", required=True, help="output path without extension")
    p.add_argument("--format", choices=["cu8", "cf32"], default="cu8")
    p.add_argument("--rate", type=float, default=1200000.0, help="IQ sample rate, Hz")
    p.add_argument("--seconds", type=float, default=10.0)
    p.add_argument("--station", type=float, default=98.5, help="nominal frequency, MHz")
    p.add_argument("--tuning-offset", type=float, default=250000.0,
                   help="station lies this many Hz above the capture centre")
    p.add_argument("--frequency-error", type=float, default=0.0,
                   help="carrier is this many Hz off the nominal frequency")
    p.add_argument("--cn", type=float, default=None,
                   help="C/N in dB, noise measured in 200 kHz (default: no noise)")
    p.add_argument("--echo", default=None, help="DELAY_US,REL_DB[,PHASE_DEG]")
    p.add_argument("--level-dbfs", type=float, default=-12.0)
    p.add_argument("--programme", choices=["tones", "noise", "clipped"], default="tones")
    p.add_argument("--clip-drive", type=float, default=6.0,
                   help="clipped: dB the composite peak is driven above --deviation")
    p.add_argument("--deviation", type=float, default=67.5, help="audio peak, kHz")
    p.add_argument("--pilot", type=float, default=6.75, help="kHz")
    p.add_argument("--rds", type=float, default=3.0, help="kHz peak, 0 = no RDS")
    p.add_argument("--rds-phase", type=float, default=0.0,
                   help="57 kHz phase vs sin(3*pilot phase), degrees (0 or 90 usual)")
    p.add_argument("--no-carrier", action="store_true", help="noise only (empty channel)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--pi-country", type=int, default=13)
    p.add_argument("--pi-area", type=int, default=3)
    p.add_argument("--pi-ref", type=int, default=147)
    p.add_argument("--ps", default="GR TEST")
    p.add_argument("--rt", default="Radio text from GNU Radio")
    p.add_argument("--pty", type=int, default=14)
    p.add_argument("--af", type=float, default=89.8, help="AF1 sent in group 0A, MHz")
    p.add_argument("--no-check", action="store_true", help="skip the self checks")
    a = p.parse_args()
    if a.echo:
        parts = [float(v) for v in a.echo.split(",")]
        if len(parts) not in (2, 3):
            p.error("--echo DELAY_US,REL_DB[,PHASE_DEG]")
        a.echo = parts + [0.0] * (3 - len(parts))
    if not (1 <= a.pi_country <= 15 and 0 <= a.pi_area <= 15 and 0 <= a.pi_ref <= 255):
        p.error("--pi-country 1..15, --pi-area 0..15, --pi-ref 0..255")
    for s in (a.ps, a.rt):
        if not all(32 <= ord(c) < 127 for c in s):
            p.error("PS/RT: printable ASCII only")
    if a.echo and a.echo[0] < 0:
        p.error("--echo: the delay must not be negative")
    if a.no_carrier and a.cn is None:
        a.cn = 30.0
    return a


def main():
    t_start = time.time()
    args = parse_args()
    fs = args.rate
    n_total = int(round(args.seconds * fs))
    amp = 10 ** (args.level_dbfs / 20)
    station_hz = round(args.station * 1e6, 3)
    centre_hz = station_hz - args.tuning_offset
    f_carrier = args.tuning_offset + args.frequency_error   # carrier in the capture
    if abs(f_carrier) + 100e3 > fs / 2:
        log("warning: station (+-100 kHz) does not fit in the sampled band")
    ss = np.random.SeedSequence(args.seed)
    rng_prog, rng_noise = [np.random.default_rng(s) for s in ss.spawn(2)]
    data_path = args.out + ".sigmf-data"
    tmp_iq = args.out + ".tmp-iq.cf32"
    tmp_mpx = args.out + ".tmp-mpx.f32"
    tmp_mpx228 = args.out + ".tmp-mpx228.f32"
    out = {"rate": num(fs), "format": args.format, "centre_hz": num(centre_hz),
           "station_hz": num(station_hz), "frequency_error_hz": num(args.frequency_error),
           "cn_db": args.cn,
           "echo": None if not args.echo else {
               "delay_us": args.echo[0], "rel_db": args.echo[1], "phase_deg": args.echo[2],
               "method": "Kaiser-windowed-sinc fractional delay at the IQ rate, "
                         "applied to the zero-IF FM signal (relative carrier phase exact)"},
           "carrier": not args.no_carrier, "programme": None, "seconds": args.seconds,
           "pi": None, "ps": None, "rt": None,
           "true_peak_khz": None, "sample_peak_khz": None, "per_second_true_peak_khz": None,
           "pilot_khz": None, "rds_khz": None, "mpx_power_dbr": None}
    checks = {}
    tx_bits = None

    if not args.no_carrier:
        # ---- MPX at 228 kHz
        nbits_needed = int(math.ceil((args.seconds + 3 * PAD_S + 0.01) * RDS_BIT_RATE)) + 4
        if args.rds > 0:
            tx_bits = rds_encoder_bits(args, nbits_needed)
            pi = int("".join(str(v) for v in tx_bits[:16]), 2)   # block A of group 1
            pi_formula = (args.pi_country & 0xF) << 12 | (args.pi_area & 0xF) << 8 | args.pi_ref
            if pi != pi_formula:
                log("warning: PI from encoder %04X != formula %04X" % (pi, pi_formula))
            out["pi"] = "%04X" % pi
            out["ps"] = (args.ps[:8]).ljust(8)
            out["rt"] = (args.rt[:64]).ljust(64)
        mpx228, t228, info, rds_d = make_mpx(args, rng_prog, tx_bits)
        log("%.1f s: MPX built" % (time.time() - t_start))
        mpx228.astype(np.float32).tofile(tmp_mpx228)
        out["programme"] = args.programme
        out.update({k: r(v, 6) for k, v in info.items()})

        # ---- GNU Radio: resample, FM, echo, carrier
        g = math.gcd(int(round(fs)), int(F_MPX))
        interp, decim = int(round(fs)) // g, int(F_MPX) // g
        rtaps, delay_out = resampler_taps(interp, decim)
        skip = int(round(PAD_S * fs)) + delay_out          # IQ n <-> MPX time n/fs
        tb = gr.top_block()
        src = blocks.file_source(4, tmp_mpx228, False)
        rs = filter.rational_resampler_fff(interp, decim, rtaps.tolist())
        sk_m = blocks.skiphead(4, skip)
        hd_m = blocks.head(4, n_total)
        snk_m = blocks.file_sink(4, tmp_mpx, False)
        snk_m.set_unbuffered(False)
        fm = analog.frequency_modulator_fc(2 * np.pi * 1000.0 / fs)
        chain = [rs, fm]
        c = 0
        if args.echo:
            etaps, c = echo_taps(args.echo[0] * 1e-6 * fs,
                                 10 ** (args.echo[1] / 20) * np.exp(1j * np.radians(args.echo[2])))
            chain.append(filter.fft_filter_ccc(1, etaps.tolist()))
        sk_i = blocks.skiphead(8, skip + c)
        carrier = analog.sig_source_c(fs, analog.GR_COS_WAVE, f_carrier, amp, 0)
        mul = blocks.multiply_cc()
        hd_i = blocks.head(8, n_total)
        snk_i = blocks.file_sink(8, tmp_iq, False)
        snk_i.set_unbuffered(False)
        tb.connect(src, rs, sk_m, hd_m, snk_m)
        tb.connect(*chain, sk_i, (mul, 0))
        tb.connect(carrier, (mul, 1))
        tb.connect(mul, hd_i, snk_i)
        log("flowgraph: resampler %d/%d, %d taps, delay %d out samples" %
            (interp, decim, len(rtaps), delay_out))
        tb.run()
        log("%.1f s: flowgraph done" % (time.time() - t_start))
        os.remove(tmp_mpx228)
        if os.path.getsize(tmp_iq) != 8 * n_total:
            raise RuntimeError("flowgraph produced %d samples, wanted %d"
                               % (os.path.getsize(tmp_iq) // 8, n_total))

        # ---- peaks and power of the modulating signal
        mpx_fs = np.memmap(tmp_mpx, dtype=np.float32, mode="r")
        edge = int(round(0.05 * fs))
        out["true_peak_khz"] = r(np.max(np.abs(mpx_fs[edge:n_total - edge])))
        per_sec = []
        for k in range(int(args.seconds + 1e-9)):
            blk = mpx_fs[int(round(k * fs)):int(round((k + 1) * fs))]
            per_sec.append(r(np.max(np.abs(blk))))
        out["per_second_true_peak_khz"] = per_sec
        win = (t228 >= 0.05) & (t228 < args.seconds - 0.05)
        out["sample_peak_khz"] = r(np.max(np.abs(mpx228[win])))
        cap = (t228 >= 0) & (t228 < args.seconds)
        out["mpx_power_dbr"] = r(10 * np.log10(2 * np.mean(mpx228[cap] ** 2) / 19.0 ** 2))
        out["pilot_khz"] = args.pilot
        out["rds_khz"] = args.rds
        del mpx_fs

    # ---- noise, quantisation, write
    noise_sigma = 0.0
    if args.cn is not None:
        n0 = amp ** 2 / (10 ** (args.cn / 10) * 200e3)
        noise_sigma = math.sqrt(n0 * fs / 2)            # per I and Q
    chunk = 1 << 20
    p_noise = p_quant = 0.0
    with open(data_path, "wb") as fo:
        for st in range(0, n_total, chunk):
            m = min(chunk, n_total - st)
            if args.no_carrier:
                x = np.zeros(m, complex)
            else:
                x = np.fromfile(tmp_iq, dtype=np.complex64, count=m, offset=8 * st).astype(complex)
            if noise_sigma > 0:
                nz = noise_sigma * (rng_noise.standard_normal(m) + 1j * rng_noise.standard_normal(m))
                p_noise += np.sum(np.abs(nz) ** 2)
                x = x + nz
            if args.format == "cf32":
                x.astype(np.complex64).tofile(fo)
            else:
                iq = np.empty(2 * m)
                iq[0::2], iq[1::2] = x.real, x.imag
                u = np.clip(np.floor(iq * 127.5 + 128.0), 0, 255)
                p_quant += np.sum(((u - 127.5) / 127.5 - iq) ** 2)
                u.astype(np.uint8).tofile(fo)
    if not args.no_carrier:
        os.remove(tmp_iq)

    meta = {"global": {"core:datatype": "cu8" if args.format == "cu8" else "cf32_le",
                       "core:sample_rate": float(fs),
                       "core:version": "1.0.0",
                       "core:description": "GNU Radio synthetic FM stereo station with RDS "
                                           "(%s programme)" % (args.programme
                                                              if not args.no_carrier else "no carrier"),
                       "tavik:station_frequency": float(station_hz),
                       "tavik:full_scale_dbuv": 100.0},
            "captures": [{"core:sample_start": 0, "core:frequency": float(centre_hz)}],
            "annotations": []}
    with open(args.out + ".sigmf-meta", "w") as fm_:
        json.dump(meta, fm_, indent=2)
        fm_.write("\n")

    log("%.1f s: %s written" % (time.time() - t_start, data_path))

    # ---- self checks on the written file
    if noise_sigma > 0:
        checks["cn_db_from_generated_noise"] = r(
            10 * np.log10(amp ** 2 / (p_noise / n_total / fs * 200e3)), 3)
    if args.format == "cu8" and p_quant > 0:
        checks["quantisation_cn_db"] = r(10 * np.log10(amp ** 2 / (p_quant / n_total / fs * 200e3)), 2)
    if not args.no_check:
        if args.no_carrier:
            checks.update(check_noise_band(args, data_path, fs, n_total, amp, f_carrier))
        else:
            checks.update(check_fm_and_channel(args, data_path, tmp_mpx, fs, n_total, amp, f_carrier))
            if args.rds > 0:
                checks.update(check_rds(args, data_path, fs, n_total, f_carrier, tx_bits, rds_d, out))
    if not args.no_carrier:
        os.remove(tmp_mpx)
    out["checks"] = checks
    out["run_time_s"] = r(time.time() - t_start, 2)
    print(json.dumps(out))


if __name__ == "__main__":
    main()
