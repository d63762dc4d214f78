#!/usr/bin/env python3
"""Writes the binary and compressed .x test files from the descriptions
below (run from anywhere; files land next to this script). The text files
in this folder are hand-written; these are generated because a binary
token stream is tedious to write by hand."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def guid(text):
    a, b, c, d, e = text.split("-")
    return struct.pack("<IHH", int(a, 16), int(b, 16), int(c, 16)) + bytes.fromhex(d + e)


class Tokens:
    def __init__(self, doubles=False):
        self.out = bytearray()
        self.doubles = doubles

    def tok(self, code):
        self.out += struct.pack("<H", code)
        return self

    def name(self, s):
        self.tok(1)
        self.out += struct.pack("<I", len(s)) + s.encode()
        return self

    def string(self, s, terminator="<I"):
        """Writers end a string with a semicolon token stored as a DWORD or
        as a WORD; both forms occur here."""
        self.tok(2)
        self.out += struct.pack("<I", len(s)) + s.encode() + struct.pack(terminator, 20)
        return self

    def integer(self, v):
        self.tok(3)
        self.out += struct.pack("<I", v)
        return self

    def guid(self, g):
        self.tok(5)
        self.out += guid(g)
        return self

    def ints(self, *values):
        self.tok(6)
        self.out += struct.pack("<I", len(values)) + struct.pack("<%dI" % len(values), *values)
        return self

    def floats(self, *values):
        self.tok(7)
        fmt = "d" if self.doubles else "f"
        self.out += struct.pack("<I", len(values)) + struct.pack("<%d%s" % (len(values), fmt), *values)
        return self

    def open(self, type_name, object_name=None):
        self.name(type_name)
        if object_name is not None:
            self.name(object_name)
        return self.tok(10)

    def close(self):
        return self.tok(11)


def header(fmt, doubles):
    return b"xof 0303" + fmt + (b"0064" if doubles else b"0032")


def cube(doubles, fmt=b"bin "):
    t = Tokens(doubles)
    # A template written in binary form, with an array sized by a member and
    # an open restriction.
    (t.tok(31).name("Weights").tok(10).guid("8E2B7A10-3C11-4D5A-9F00-1234567890AB")
     .tok(41).name("count").tok(20)
     .tok(52).tok(42).name("values").tok(14).name("count").tok(15).tok(20)
     .tok(14).tok(18).tok(18).tok(18).tok(15).tok(11))
    t.open("Header").ints(1, 0, 1).close()
    t.open("Frame", "Cube")
    t.open("FrameTransformMatrix").floats(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 2, 0, 1).close()
    t.open("Mesh", "CubeMesh")
    t.ints(8)
    t.floats(-1, -1, -1, -1, 1, -1, 1, 1, -1, 1, -1, -1, -1, -1, 1, -1, 1, 1, 1, 1, 1, 1, -1, 1)
    faces = [[0, 1, 2, 3], [7, 6, 5, 4], [4, 5, 1, 0], [3, 2, 6, 7], [1, 5, 6, 2], [4, 0, 3, 7]]
    flat = [6]
    for f in faces:
        flat += [4] + f
    t.ints(*flat)
    t.open("MeshNormals")
    t.ints(6).floats(0, 0, -1, 0, 0, 1, -1, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 0)
    flat = [6]
    for i in range(6):
        flat += [4, i, i, i, i]
    t.ints(*flat).close()
    t.open("MeshTextureCoords").ints(8).floats(0, 1, 0, 0, 1, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1).close()
    t.open("Weights").ints(2).floats(0.25, 0.75).close()
    t.open("MeshMaterialList").ints(1, 1, 0)
    t.open("Material", "NormalMapStone").floats(0.8, 0.8, 0.8, 1, 32, 0.5, 0.5, 0.5, 0, 0, 0)
    t.open("TextureFilename").string("stone.dds").close()
    t.close()  # Material
    t.close()  # MeshMaterialList
    t.close()  # Mesh
    t.close()  # Frame
    return bytes(t.out)


def quad(doubles):
    """A unit quad in the xy plane, facing -z, uv following x and y."""
    t = Tokens(doubles)
    t.open("Mesh", "Quad")
    t.ints(4).floats(0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0)
    t.ints(1, 4, 0, 1, 2, 3)
    t.open("MeshNormals").ints(1).floats(0, 0, -1).ints(1, 4, 0, 0, 0, 0).close()
    t.open("MeshTextureCoords").ints(4).floats(0, 1, 1, 1, 1, 0, 0, 0).close()
    t.open("MeshMaterialList").ints(1, 1, 0)
    t.open("Material", "NormalMapQuad").floats(1, 1, 1, 1, 20, 0, 0, 0, 0, 0, 0)
    t.open("TextureFilename").string("quad.png", terminator="<H").close()
    t.close().close().close()
    return bytes(t.out)


def case_names():
    """Template names in whatever case the exporter wrote them."""
    t = Tokens()
    t.open("frame", "Box")
    t.open("MESH").ints(3).floats(0, 0, 0, 1, 0, 0, 0, 1, 0).ints(1, 3, 0, 1, 2)
    t.open("meshMaterialList").ints(1, 1, 0)
    t.open("MATERIAL").floats(1, 1, 1, 1, 20, 0, 0, 0, 0, 0, 0)
    t.open("TextureFileName").string("a.png").close()
    t.close().close().close().close()
    return bytes(t.out)


def mszip(body, block=512):
    """MSZIP: total size, then blocks each deflated against the previous
    32 KiB of output."""
    out = bytearray(struct.pack("<I", len(body) + 16))
    done = b""
    for i in range(0, len(body), block):
        chunk = body[i:i + block]
        if done:
            c = zlib.compressobj(9, zlib.DEFLATED, -15, zdict=done[-32768:])
        else:
            c = zlib.compressobj(9, zlib.DEFLATED, -15)
        data = c.compress(chunk) + c.flush()
        out += struct.pack("<HH", len(chunk), len(data) + 2) + b"CK" + data
        done += chunk
    return bytes(out)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    write("CubeBinary.x", header(b"bin ", False) + cube(False))
    write("QuadBinary64.x", header(b"bin ", True) + quad(True))
    write("CaseTemplateNamesBinary.x", header(b"bin ", False) + case_names())
    with open(os.path.join(HERE, "Cube.x"), "rb") as f:
        text = f.read()
    write("CubeCompressed.x", b"xof 0302tzip0032" + mszip(text[16:]))
    write("QuadCompressedBinary.x", header(b"bzip", True) + mszip(quad(True), block=64))
    # A compressed file cut off in the middle of a block.
    body = mszip(text[16:])
    write("BadCompressed.x", b"xof 0302tzip0032" + body[:len(body) // 2])
    # A binary list that claims more elements than the file holds.
    t = Tokens()
    t.open("Mesh").tok(6).out += struct.pack("<I", 0x40000000)
    write("BadBinaryList.x", header(b"bin ", False) + bytes(t.out))


if __name__ == "__main__":
    main()
