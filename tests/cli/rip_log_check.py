#!/usr/bin/env python3
"""Prints, one a line and in the order a rip log gives them, the lines a rip of a disc
image must have written, computed here apart from Quillon: each track's CRC-32 (zlib),
its AccurateRip v1 and v2 sums (accuraterip-checksum, of the Debian whipper package), the
CUETools database's TOC id and CRC of the disc, and the SHA-256 of the log above its
last line.

rip_log_check.py IMAGE.bin CORRECTION LOG SECTORS...

The image holds audio tracks of SECTORS sectors each, one after another from LBA 0. A
rip with the read offset correction CORRECTION gives the image's audio with the samples
the correction needs from beyond the disc as silence.
"""
import base64
import hashlib
import os
import subprocess
import sys
import tempfile
import wave
import zlib


def main():
    image_path, correction, log_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    sectors = [int(s) for s in sys.argv[4:]]
    with open(image_path, 'rb') as f:
        audio = bytearray(f.read())
    silent = abs(correction) * 4
    if correction > 0:
        audio[len(audio) - silent:] = bytes(silent)
    elif correction < 0:
        audio[:silent] = bytes(silent)

    starts = [sum(sectors[:i]) for i in range(len(sectors))]
    lines = []
    with tempfile.TemporaryDirectory() as folder:
        for number, (start, length) in enumerate(zip(starts, sectors), 1):
            track = bytes(audio[start * 2352:(start + length) * 2352])
            wav_path = os.path.join(folder, 'track.wav')
            with wave.open(wav_path, 'wb') as wav:
                wav.setnchannels(2)
                wav.setsampwidth(2)
                wav.setframerate(44100)
                wav.writeframes(track)
            sums = []
            for version in ('--accuraterip-v1', '--accuraterip-v2'):
                out = subprocess.run(['accuraterip-checksum', version, wav_path, str(number), str(len(sectors))],
                                     check=True, capture_output=True, text=True).stdout
                sums.append(int(out.split()[-1], 16))
            lines.append('Track %2d' % number)
            lines.append('    Copy CRC %08X' % zlib.crc32(track))
            lines.append('    AccurateRip v1 %08X' % sums[0])
            lines.append('    AccurateRip v2 %08X' % sums[1])

    fields = ''.join('%08X' % s for s in starts[1:]) + '%08X' % sum(sectors)
    digest = hashlib.sha1(fields.ljust(800, '0').encode('ascii')).digest()
    toc_id = base64.b64encode(digest).decode('ascii').translate(str.maketrans('+/=', '._-'))
    lines.insert(0, 'CTDB TOC id: ' + toc_id)

    # Ten sectors left out at the start, ten and what makes a whole number of ten-sector
    # strides at the end.
    stride = 5880 * 4
    end = len(audio) - stride - len(audio) % stride
    lines.append('    CTDB CRC %08X' % zlib.crc32(bytes(audio[stride:end])))

    with open(log_path, 'rb') as f:
        log = f.read()
    above = log[:log.rstrip(b'\n').rfind(b'\n') + 1]
    lines.append('SHA-256 ' + hashlib.sha256(above).hexdigest())
    print('\n'.join(lines))


if __name__ == '__main__':
    main()
