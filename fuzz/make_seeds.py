#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/ from real frames.

Run it again after a change of the receive-tick target's step encoding (fuzz/README.md).
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
ACK, NAK, CR = b"\x06", b"\x15", b"\r"

# A preset as the recorder answers its 26 queries, in query order.
PRESET_REPLIES = [b"PS01", b"INUN", b"DFMD", b"CHST", b"AFM3", b"BR128", b"FS48", b"FTM3", b"PR00",
                  b"AM01", b"MT01", b"AK00", b"AT0030", b"CP01", b"SS00", b"SC03", b"SL40", b"AC01",
                  b"CT25", b"CL35", b"PMAL", b"EP01", b"RCSR", b"D1AB12CD", b"D2XY0001", b"D3ZZ9999"]
LINK_REPLIES = [b"STST", b"STPL", b"STRE", b"STTS", b"STED", b"TMRE", b"TMTN", b"TMTT", b"TR003",
                b"TI0012345", b"PW01", b"PW00", b"DS01", b"CDNC", b"RCPW", b"PW02", b"TR12"]


def frame(body):
    return b"@0" + body + CR


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# Steps of the receive-tick target: the first byte of a step picks it.
READ, QUIET, GATE, CONTROL = 0, 3, 4, 4  # GATE in the main window, CONTROL while the editor is shown
CONTROL_LIST, CONTROL_DEFAULT, CONTROL_READ, CONTROL_WRITE, CONTROL_CLOSE = 1, 3, 4, 5, 6


def read(data):
    """Reads of at most 32 bytes, each followed by a tick."""
    out = b""
    for i in range(0, len(data), 32):
        piece = data[i:i + 32]
        out += bytes([READ, len(piece)]) + piece
    return out


def quiet(ticks):
    return bytes([QUIET, ticks - 1])


def whole_read():
    return read(b"".join(frame(r) for r in PRESET_REPLIES))


def open_editor():
    return read(ACK + frame(b"STST")) + bytes([GATE]) + whole_read()


def main():
    for body in PRESET_REPLIES + LINK_REPLIES + [b"D3ab cd", b"BR0320", b"TI001234"]:
        write("classify", body.decode().replace(" ", "_"), b"@0" + body)
    write("classify", "second-character", b"@1STPL")

    write("receive_tick", "status-and-time",
          read(ACK + frame(b"STPL") + frame(b"TMRE") + frame(b"TI0012345")) + quiet(40))
    write("receive_tick", "open-edit-write-close",
          open_editor() + bytes([CONTROL, CONTROL_WRITE]) + read(ACK) * 24 + read(NAK) + bytes([CONTROL, CONTROL_CLOSE]))
    write("receive_tick", "select-preset-and-reread",
          open_editor() + bytes([CONTROL, CONTROL_LIST, 0, 3]) + read(ACK) + whole_read() + bytes([CONTROL, CONTROL_CLOSE]))
    write("receive_tick", "default-then-silence",
          open_editor() + bytes([CONTROL, CONTROL_DEFAULT]) + quiet(200) + bytes([CONTROL, CONTROL_READ]) + quiet(200))
    write("receive_tick", "noise-split-lines",
          read(b"\x00@0ST" + NAK + b"PL\r@@0TR0\x0012\r\n") + read(b"3\r" + ACK + b"@0D3AB") + read(b"CDEF\r"))

    write("preset_file", "reset-record", preset_file(reset=True))
    write("preset_file", "known-preset", preset_file(reset=False))
    write("preset_file", "sample-rate-only", frame(b"FS44"))


def dictionary(name, tokens):
    with open(os.path.join(HERE, name + ".dict"), "w") as f:
        for token in tokens:
            f.write('"' + "".join(c if c.isalnum() or c in " @?+-" else "\\x%02X" % ord(c) for c in token) + '"\n')


def write_dictionaries():
    codes = [r.decode() for r in PRESET_REPLIES + LINK_REPLIES] + ["INUB", "D1", "D2", "D3", "STS+", "FS16", "BR384"]
    dictionary("classify", ["@0", "@1"] + codes)
    dictionary("preset_file", ["@0" + c + "\r" for c in codes] + ["@0D1", "@0D2", "@0D3", "\r\n", "\r\r\n",
                                                                   "TAVRIN Preset data file\n"])
    dictionary("receive_tick", ["\x06", "\x15", "\x00", "@", "@0", "\r", "@0STST\r", "@0D3ZZ9999\r"])


def preset_file(reset):
    headers = ["Input Select", "Date Form", "Stereo / Mono", "Algorithm", "Bit Rate", "Sampling Rate",
               "File Extension", "Pre-Record", "Auto Mark", "Manual Track", "Auto Track", "Auto Track Time",
               "Seamless Play", "Silent Skip", "Silent Skip Time", "Silent Skip Level", "Auto CUE",
               "Auto CUE Time", "Auto CUE level", "Play Mode", "EDL play", "Remote Mode",
               "BWF ID1", "BWF ID2", "BWF ID3"]
    if reset:
        bodies = [b"INUB", b"DFMD", b"CHST", b"AFM3", b"BR128", b"FS48", b"FTMG", b"PR00", b"AM01", b"MT01",
                  b"AK01", b"AT0001", b"CP01", b"SS01", b"SC01", b"SL20", b"AC01", b"CT05", b"CL20", b"PMOF",
                  b"EP01", b"RCSS", b"D1      ", b"D2      ", b"D3      "]
    else:
        bodies = [b"INUB" if r == b"INUN" else r for r in PRESET_REPLIES[1:]]
    text = b"TAVRIN Preset data file\n\r\n"
    for header, body in zip(headers, bodies):
        text += b"[" + header.encode() + b"]\r\n" + frame(body) + b"\r\n"
    return text


if __name__ == "__main__":
    main()
    write_dictionaries()
