#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/<target>/: small inputs of the kinds the tests
write, a few per target. TIFF and video seeds are made with ImageMagick's convert and ffmpeg.
Run from anywhere: python3 fuzz/make_corpus.py"""
import os
import shutil
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
SEP = b"\n--8<--\n"  # kFuzzFileSeparator


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def frames(width, height, count):
    return bytes((3 * f + 5 * y + 7 * x) & 0xFF for f in range(count) for y in range(height) for x in range(width))


def sequence_header():
    write("sequence_header", "par", b"RESOLUTION: 16x8\nFRAMES/S: 1904\nFRAMES: 40\nFIRSTFRAME: -5\nTRIGGER: 3\n")
    write("sequence_header", "dsc-crlf", b"FRAMES/S: 2000.5\r\nRESOLUTION: 256x64\r\nFRAMES: 2048\r\nnote: x\r\nTRIGGER: 1e3")
    write("sequence_header", "bad-values", b"RESOLUTION: 0x4\nFRAMES: 3.5e9\nFRAMES/S: -1\n")


def bld_source():
    write("bld_source", "frames", b"RESOLUTION: 16x8\nFRAMES/S: 1000\nFRAMES: 6\n" + SEP + frames(16, 8, 5) + b"\x01\x02")
    write("bld_source", "no-header", SEP + frames(8, 4, 2))
    write("bld_source", "big-claim", b"RESOLUTION: 50000x40000\nFRAMES: 9\n" + SEP + frames(4, 4, 1))


def photron_source():
    cih = (b"#Camera Information Header\r\nRecord Rate(fps) : 250.5\r\nTotal Frame : 3\r\nStart Frame : -3\r\n"
           b"Correct Trigger Frame : 2\r\nImage Width : 3\r\nImage Height : 2\r\nColor Type : Mono\r\n"
           b"Color Bit : 12\r\nEffectiveBit Depth : 12\r\nEffectiveBit Side : Lower\r\nFile Format : MRaw\r\n")
    write("photron_source", "cih12", cih + SEP + bytes.fromhex("ABC123FFF0008007F00100FFE000"))
    write("photron_source", "cih10", b"#Camera Information Header\r\nImage Width : 4\r\nImage Height : 1\r\n"
          b"Color Bit : 10\r\n" + SEP + bytes(range(0, 250, 7)))
    write("photron_source", "cih16", b"#Camera Information Header\r\nImage Width : 4\r\nImage Height : 1\r\n"
          b"Color Bit : 16\r\nEffectiveBit Depth : 12\r\nEffectiveBit Side : Higher\r\n" + SEP + bytes(range(0, 32)))
    cihx = (b"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cih>"
            b"<recordInfo><recordRate>250.5</recordRate></recordInfo>"
            b"<frameInfo><totalFrame>7</totalFrame><startFrame>-3</startFrame>"
            b"<correctTriggerFrame>2</correctTriggerFrame></frameInfo>"
            b"<imageDataInfo><resolution><width>6</width><height>4</height></resolution>"
            b"<colorInfo><type>Mono</type><bit>8</bit></colorInfo>"
            b"<effectiveBit><depth>8</depth><side>Lower</side></effectiveBit></imageDataInfo>"
            b"<imageFileInfo><fileFormat>MRaw</fileFormat></imageFileInfo></cih>\n")
    write("photron_source", "cihx8", cihx + SEP + frames(6, 4, 3))


def tiff_source(tmp):
    for name, args in [("grey8-2pages", ["-size", "8x4", "xc:gray40", "xc:gray60", "-depth", "8"]),
                       ("grey16-lzw", ["-size", "6x3", "gradient:", "-depth", "16", "-compress", "LZW"]),
                       ("tiles", ["-size", "16x16", "gradient:", "-depth", "8", "-define", "tiff:tile-geometry=16x16"])]:
        path = os.path.join(tmp, name + ".tif")
        subprocess.run(["convert"] + args + ["-colorspace", "Gray", "-type", "Grayscale", path], check=True)
        with open(path, "rb") as f:
            write("tiff_source", name, f.read())


def video_source(tmp):
    for name, args in [("ffv1.avi", ["-c:v", "ffv1", "-pix_fmt", "gray"]),
                       ("mjpeg.avi", ["-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", "20"]),
                       ("ffv1.mkv", ["-c:v", "ffv1", "-pix_fmt", "yuv420p"])]:
        path = os.path.join(tmp, name)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=16x16:rate=25:duration=0.12"]
                       + args + ["-fflags", "+bitexact", "-flags:v", "+bitexact", path], check=True)
        with open(path, "rb") as f:
            write("video_source", name.replace(".", "-"), f.read())


def smp_header():
    samples = struct.pack("<8h", 0, 1, -1, 32767, -32768, 100, -100, 7)
    def file(text, head):
        header = text + b"=\r\n" + b"a comment\r\n" + b"\x00\x04\x1a"
        return header.ljust(head, b"\x00") + samples
    write("smp_header", "one-channel", file(b"head=64\r\nnchans=1\r\nsftot=16000\r\nL1=0,1,first\r\n", 64))
    write("smp_header", "scan", file(b"head=96\r\nnchans=2\r\nscan=(0, 1;0 2)\r\nmsb=first\r\nview0=-1,1\r\n", 96))
    write("smp_header", "bad-scan", file(b"head=32\r\nnchans=3\r\nscan=0,1,1\r\n", 48))


def registry_text():
    write("registry_text", "film", b"VarnikData Registry Version 1\n;; HKEY_CURRENT_USER\n\n[Software]\n\n"
          b"[Software\\\\VarnikData\\\\tremax\\\\Film]\n\"XPos\"=\"120\"\n"
          b"@=\"C:\\\\dir\\\\\\\"q\\\"\\x0009\\x00e9\"\n\"Count\"=dword:ffffffff\n\n")
    write("registry_text", "empty", b"VarnikData Registry Version 1\n")


def link_message():
    def message(selector, wparam, lparam, msg=None, sender=None):
        out = bytes([0, selector])
        if selector & 1:
            out += struct.pack("<H", msg)
        out += struct.pack("<II", wparam, lparam)
        if selector & 8:
            out += struct.pack("<I", sender)
        return out
    def block(data):
        return bytes([1]) + struct.pack("<H", len(data)) + data
    times = struct.pack("<3d", 0.5, 2.0, 1.25)
    partner = 0x00012345
    write("link_message", "cursor", block(times) + message(2, partner, 0x01020000))
    write("link_message", "times-and-replies",
          bytes([4]) + struct.pack("<iiid", 2048, 10, 5, 4000.0) + block(times) + message(2, partner, 0x01010000)
          + bytes([3]) + struct.pack("<ii", 12, 3) + bytes([8]) + b"/tmp/a.s" + block(b"\0" * 64)
          + message(2, partner, 0x020A0000) + message(2, 16, 0x020B0000) + message(0, partner, 0x020C0000)
          + message(0, 3, 0x03000000))
    write("link_message", "header-item", bytes([2, 11]) + b"hspsync=1.5" + message(4, partner, 0x04000000)
          + message(9, partner, 0x04000000, msg=0xC001, sender=7))


def version_file():
    write("version_file", "announcement", b"3.1.0.7\r\nhttps://example.org/tremax/setup.exe\r\nunused\r\n"
          b"New: Photron files.\r\n\r\nFaster playback.\r\n")
    write("version_file", "lf-only", b"  3.0.0.3  \nhttp://example.org/t.zip\n")
    write("version_file", "one-line", b"3.0.0.3")


def tools_menu():
    write("tools_menu", "file-and-args", b"%f -x \"%d\" %p/%0 %1 %%" + SEP + b"/data/run 3/run357.bld" + SEP
          + b"/opt/tremax/tremax\n--fast")
    write("tools_menu", "foreign-file", b"%a %f" + SEP + b"/data/movie.avi" + SEP + b"")
    write("tools_menu", "quotes", b"\"%f\" \"\"%w\"\"" + SEP + b"/data/say \"hi\".smp" + SEP + b"x")


def output_target():
    # Options: frames, the old file's mode, the pixel's x and y, whether the export is stopped;
    # then the name, inside the folder of planted things.
    for name, options, target in [("new", b"\x05\x00\x01\x01\x01", b"new.smp"),
                                  ("old-read-only", b"\x09\x02\x00\x00\x01", b"old.smp"),
                                  ("through-link", b"\x03\x01\x02\x01\x01", b"link.smp"),
                                  ("own-frames", b"\x03\x00\x00\x00\x01", b"sub/../seq.bld"),
                                  ("own-header-hard-link", b"\x02\x00\x00\x00\x01", b"hard.smp"),
                                  ("fifo", b"\x02\x00\x00\x00\x01", b"topipe.smp"),
                                  ("folder", b"\x02\x00\x00\x00\x01", b"dir.smp"),
                                  ("dangling-link", b"\x02\x00\x00\x00\x01", b"dangling.smp"),
                                  ("stopped", b"\x27\x00\x00\x00\x00", b"old.smp"),
                                  ("no-folder", b"\x02\x00\x00\x00\x01", b"none/x.smp")]:
        write("output_target", name, options + SEP + target)


def recent_merge():
    # MaxItems, then the lines of: this instance's additions, the stored list, what it removed,
    # its hidden entries.
    write("recent_merge", "two-instances", b"\x09" + SEP + b"/d/c.bld" + SEP + b"/d/b.bld\n/d/a.bld" + SEP + b"" + SEP + b"")
    write("recent_merge", "removed-and-case", b"\x03" + SEP + b"/d/Alpha.bld" + SEP + b"/d/alpha.bld\n/d/gone.bld\n/d/x.bld"
          + SEP + b"/d/gone.bld" + SEP + b"/d/old.bld")
    write("recent_merge", "cleared", b"\x09" + SEP + b"" + SEP + b"/d/a.bld\n\n/d/a.bld" + SEP + b"/d/a.bld" + SEP + b"/d/a.bld")


def main():
    if os.path.isdir(CORPUS):
        shutil.rmtree(CORPUS)
    sequence_header()
    bld_source()
    photron_source()
    smp_header()
    registry_text()
    link_message()
    version_file()
    tools_menu()
    output_target()
    recent_merge()
    with tempfile.TemporaryDirectory() as tmp:
        tiff_source(tmp)
        video_source(tmp)


if __name__ == "__main__":
    main()
