#!/usr/bin/env python3
# Zips the dist folder reproducibly: one top folder, the shipped files and SHA256SUMS in name
# order, every entry with the same date and mode and no extra fields (owner, access times).
"""usage: zip_dist.py DIST_DIR FILE_LIST TOP_FOLDER ZIP EPOCH_SECONDS"""
import os
import sys
import time
import zipfile


def shipped_names(file_list):
    with open(file_list, encoding="utf-8") as lines:
        names = {line.strip() for line in lines if line.strip()}
    return sorted(names | {"SHA256SUMS"})


def entry(top, name, date_time):
    info = zipfile.ZipInfo(f"{top}/{name}", date_time)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix, so the mode below is read back as such
    info.external_attr = 0o100644 << 16
    return info


def main(argv):
    if len(argv) != 6:
        sys.exit(__doc__)
    dist, file_list, top, out, epoch = argv[1:]
    date_time = time.gmtime(int(epoch))[:6]
    # Written beside and renamed, so a failed run never leaves a zip that looks complete.
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in shipped_names(file_list):
            with open(os.path.join(dist, name), "rb") as source:
                archive.writestr(entry(top, name, date_time), source.read(), compresslevel=9)
    os.replace(partial, out)


if __name__ == "__main__":
    main(sys.argv)
