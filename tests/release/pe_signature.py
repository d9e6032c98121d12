#!/usr/bin/env python3
# Reads the places of a PE file that signing touches or must not touch, for signing_test.sh.
"""usage: pe_signature.py code-byte FILE            offset of a byte inside the code section
       pe_signature.py only-signature-added UNSIGNED SIGNED
              exit 0 when SIGNED is UNSIGNED with nothing changed but the header checksum and
              the certificate table's directory entry, and the table appended at the end"""
import struct
import sys


def header_offsets(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit("not a PE file")
    optional = pe + 24
    sections = optional + struct.unpack_from("<H", data, pe + 20)[0]
    return pe, optional, sections


def code_byte(data):
    pe, _, sections = header_offsets(data)
    for index in range(struct.unpack_from("<H", data, pe + 6)[0]):
        entry = sections + 40 * index
        name = data[entry:entry + 8].rstrip(b"\0")
        size, raw = struct.unpack_from("<II", data, entry + 16)
        if name == b".text" and size > 0:
            return raw + size // 2
    sys.exit("no code section")


def only_signature_added(unsigned, signed):
    _, optional, _ = header_offsets(unsigned)
    if struct.unpack_from("<H", unsigned, optional)[0] != 0x10B:
        sys.exit("not a 32-bit PE file")
    # The checksum (4 bytes at 64) and directory entry 4, the certificate table (8 bytes at 128).
    allowed = set(range(optional + 64, optional + 68)) | set(range(optional + 128, optional + 136))
    if len(signed) <= len(unsigned):
        sys.exit("nothing appended")
    changed = [i for i in range(len(unsigned)) if unsigned[i] != signed[i] and i not in allowed]
    if changed:
        sys.exit(f"{len(changed)} bytes outside the signature changed, the first at {changed[0]}")
    table_offset, table_size = struct.unpack_from("<II", signed, optional + 128)
    if table_offset < len(unsigned) or table_offset + table_size != len(signed):
        sys.exit(f"the certificate table ({table_offset}, {table_size} bytes) is not the end")


def main(argv):
    if len(argv) == 3 and argv[1] == "code-byte":
        with open(argv[2], "rb") as f:
            print(code_byte(f.read()))
    elif len(argv) == 4 and argv[1] == "only-signature-added":
        with open(argv[2], "rb") as a, open(argv[3], "rb") as b:
            only_signature_added(a.read(), b.read())
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
