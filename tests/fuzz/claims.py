#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Writes inputs of the PAR2 target whose packets claim what no reader may believe: slice sizes of
# 0, 6 and 2^62, 2^32 - 1 files, a file of 2^60 bytes, names outside the folder, exponents of
# 65535 and 2^32 - 1, packet lengths of 2^63 and more, a volume cut inside a packet, and floods of
# 300,000 packets. Each packet has its right MD5 and set ID, so that the claim itself is read.
#   claims.py FOLDER
import hashlib, os, struct, sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
md5 = lambda b: hashlib.md5(b).digest()
SEPARATOR = b"\n--next-file--\n"
TYPES = {"main": b"PAR 2.0\0Main\0\0\0\0", "desc": b"PAR 2.0\0FileDesc",
         "ifsc": b"PAR 2.0\0IFSC\0\0\0\0", "recv": b"PAR 2.0\0RecvSlic", "creator": b"PAR 2.0\0Creator\0"}

def packet(set_id, kind, body, length=None):
    hashed = set_id + TYPES[kind] + body
    return b"PAR2\0PKT" + struct.pack("<Q", length or 64 + len(body)) + md5(hashed) + hashed

def main_body(slice_size, ids, count=None):
    return struct.pack("<QI", slice_size, len(ids) if count is None else count) + b"".join(ids)

def describe(name, length, slices=1):
    """The File description and slice checksums of a file; its ID."""
    name = name.encode()
    head = md5(b"head")
    file_id = md5(head + struct.pack("<Q", length) + name)
    desc = file_id + md5(b"whole") + head + struct.pack("<Q", length) + name + b"\0" * (-len(name) % 4)
    return file_id, desc, file_id + (md5(b"slice") + b"\0\0\0\0") * slices

def a_set(slice_size, files, count=None, exponents=(0,), data=None):
    """An index and a volume, both right for what they claim."""
    described = [describe(*f) for f in files]
    ids = sorted((d[0] for d in described), key=lambda i: i[::-1])
    body = main_body(slice_size, ids, count)
    set_id = md5(body)
    critical = packet(set_id, "main", body) + b"".join(
        packet(set_id, "desc", d) + packet(set_id, "ifsc", c) for _, d, c in described)
    volume = b"".join(packet(set_id, "recv", struct.pack("<I", e) + (data or b"\0" * 8)) for e in exponents)
    return [critical, volume + critical]

def write(name, flags, files):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([flags]) + SEPARATOR.join(files))

for flags in (0, 1):  # without and with the set's checksum file
    write(f"slice-0-{flags}", flags, a_set(0, [("rapport.003", 952)]))
    write(f"slice-6-{flags}", flags, a_set(6, [("rapport.003", 952)]))
    write(f"slice-2^62-{flags}", flags, a_set(1 << 62, [("rapport.003", 952)]))
    write(f"files-2^32-{flags}", flags, a_set(1032, [("rapport.003", 952)], count=0xFFFFFFFF))
    write(f"length-2^60-{flags}", flags, a_set(1032, [("rapport.003", 1 << 60)]))
    write(f"length-2^60-sliced-{flags}", flags, a_set(1 << 40, [("rapport.003", 1 << 60, 32769)]))
    for name in ("../outside", "/etc/passwd", "sub/rapport.003", "..", "."):
        write(f"name-{name.replace('/', '_')}-{flags}", flags, a_set(1032, [("rapport.003", 952), (name, 100)]))
    write(f"exponents-{flags}", flags, a_set(1032, [("rapport.003", 952)], exponents=(65535, 0xFFFFFFFF)))
    write(f"exponents-2-{flags}", flags, a_set(8, [("rapport.003", 952)], exponents=(65535, 0xFFFFFFFF, 65534)))
    index, volume = a_set(1032, [("rapport.003", 952)])
    for length in (1 << 63, (1 << 64) - 4, len(index) + 4):
        write(f"packet-length-{length}-{flags}", flags, [index[:8] + struct.pack("<Q", length) + index[16:], volume])
    write(f"cut-in-a-packet-{flags}", flags, [index[: len(index) // 2], volume[: len(volume) - 30]])

# Floods: 300,000 Main packets of as many sets, and 300,000 recovery slices of one.
set_id = md5(b"flood")
write("flood-sets", 1, [b"".join(packet(md5(struct.pack("<I", i) * 3), "main", struct.pack("<QI", 1032, 0))
                                  for i in range(300000))])
index, volume = a_set(1032, [("rapport.003", 952)])
recv_set = index[32:48]
write("flood-slices", 0, [index, b"".join(packet(recv_set, "recv", struct.pack("<I", i % 70000)) for i in range(300000))])
