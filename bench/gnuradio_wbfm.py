#!/usr/bin/python3
"""GNU Radio's wideband FM receiver as a peer of tavik's software receiver (dsp/FmReceiver).

Runs a cu8 IQ file (as rtl_sdr writes it) through a GNU Radio flowgraph that does the work of
tavik's receiver up to the MPX: the bytes to complex samples, the station mixed to 0 Hz,
channel-filtered and decimated to 400 kHz in one freq_xlating_fir_filter_ccf, the quadrature
discriminator (analog.quadrature_demod_cf, the block wfm_rcv is built on; wfm_rcv itself
de-emphasises and filters to audio, which a multiplex measurement must not) and a decimation by
2 to 200 kS/s. The filters have the tap counts of tavik's (Kaiser windows for 60 dB). With
--level the channel's envelope goes through the same decimation too (tavik's RF level, without
the dB conversion). What tavik does beyond this is not done here: the RF level in dBuV, the
measured band's 76 kHz filter and the RDS bits (57 kHz BPSK demodulation and clock recovery).

Prints one line: the seconds of IQ, the CPU seconds (user + system, all of GNU Radio's block
threads) of the flowgraph's run and the real-time factor they give. CPU time, not wall time:
the machine is shared, and GNU Radio runs each block on a thread of its own.

    bench/gnuradio_wbfm.py FILE.cu8|FILE.sigmf-data --rate HZ --offset HZ [--level] [--out F]

scripts/bench-receivers runs it beside tavik's receiver on the same generated IQ.
"""

import argparse
import json
import math
import os
import resource
import sys

import numpy as np
from gnuradio import analog, blocks, filter, gr

CHANNEL_RATE = 400000.0
MPX_RATE = 200000.0
# tavik's receiver: 19 kHz deviation is 6000 ADC units.
HERTZ_PER_UNIT = 19000.0 / 6000.0


def kaiser_low_pass(taps, cutoff):
    """`taps` Kaiser-windowed sinc taps for 60 dB, `cutoff` as a fraction of the rate, DC gain 1."""
    n = np.arange(taps) - (taps - 1) / 2.0
    h = 2.0 * cutoff * np.sinc(2.0 * cutoff * n) * np.kaiser(taps, 0.1102 * (60.0 - 8.7))
    return (h / h.sum()).tolist()


def kaiser_count(width):
    """Kaiser's estimate of the taps for 60 dB over a transition of `width` (of the rate)."""
    return int(math.ceil((60.0 - 8.0) / (2.285 * 2.0 * math.pi * width))) + 1


class WidebandFm(gr.top_block):
    def __init__(self, path, rate, offset, level, out):
        gr.top_block.__init__(self, "gnuradio_wbfm")
        decimation = int(round(rate / CHANNEL_RATE))
        if abs(decimation * CHANNEL_RATE - rate) > 1e-6:
            raise SystemExit("the rate must be a whole multiple of 400000 Hz")
        # Channel: flat to 140 kHz, 60 dB down from 260 kHz (tavik's channel filter).
        channel_taps = (kaiser_count(120000.0 / rate) + 1) // 2 * 2
        channel = kaiser_low_pass(channel_taps, 200000.0 / rate)
        mpx_taps = kaiser_low_pass(kaiser_count(50000.0 / CHANNEL_RATE) + 2,
                                   100000.0 / CHANNEL_RATE)
        self.taps = (channel_taps, len(mpx_taps))

        source = blocks.file_source(gr.sizeof_char, path, False)
        # Unsigned bytes centred on 128 become signed by adding 128 (mod 256).
        signed = blocks.add_const_bb(128)
        to_complex = blocks.interleaved_char_to_complex(False, 127.5)
        tune = filter.freq_xlating_fir_filter_ccf(decimation, channel, offset, rate)
        gain = CHANNEL_RATE / (2.0 * math.pi * HERTZ_PER_UNIT)
        discriminator = analog.quadrature_demod_cf(gain)
        mpx = filter.fir_filter_fff(2, mpx_taps)
        sink = blocks.file_sink(gr.sizeof_float, out) if out else blocks.null_sink(gr.sizeof_float)
        self.connect(source, signed, to_complex, tune, discriminator, mpx, sink)
        if level:
            envelope = blocks.complex_to_mag()
            decimated = filter.fir_filter_fff(2, mpx_taps)
            self.connect(tune, envelope, decimated, blocks.null_sink(gr.sizeof_float))


def cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file", help="cu8 IQ (FILE.cu8 or a cu8 FILE.sigmf-data)")
    parser.add_argument("--rate", type=float, help="IQ samples/s (default: the SigMF metadata's)")
    parser.add_argument("--offset", type=float,
                        help="Hz of the station from the centre (default: the SigMF metadata's)")
    parser.add_argument("--level", action="store_true", help="also the envelope, decimated")
    parser.add_argument("--out", help="write the MPX (float32 at 200 kS/s) here")
    args = parser.parse_args()

    rate, offset = args.rate, args.offset
    meta_path = os.path.splitext(args.file)[0] + ".sigmf-meta"
    if os.path.exists(meta_path):
        with open(meta_path) as f:
            meta = json.load(f)
        if meta["global"]["core:datatype"] != "cu8":
            raise SystemExit("only cu8 IQ is read here")
        centre = meta["captures"][0]["core:frequency"]
        rate = rate or meta["global"]["core:sample_rate"]
        if offset is None:
            offset = meta["global"].get("tavik:station_frequency", centre) - centre
    if rate is None or offset is None:
        raise SystemExit("a raw cu8 file needs --rate and --offset")

    seconds = os.path.getsize(args.file) / 2.0 / rate
    graph = WidebandFm(args.file, rate, offset, args.level, args.out)
    before = cpu_seconds()
    graph.run()
    cpu = cpu_seconds() - before
    print("gnuradio %s: %.1f s of cu8 IQ at %.0f S/s (taps %d/%d%s): %.2f s CPU, "
          "real-time factor %.1f (CPU)" % (gr.version(), seconds, rate, graph.taps[0],
                                           graph.taps[1], ", with level" if args.level else "",
                                           cpu, seconds / cpu if cpu > 0 else float("inf")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
