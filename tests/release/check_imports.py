#!/usr/bin/env python3
# Release check: every function a shipped program or library imports must be on the committed
# list, each with evidence that Windows 2000 has it, or the loader refuses the file on old Windows.
"""Usage: check_imports.py [--functions FILE] [--dlls FILE] FOLDER

Reads the import tables (ordinary and delay-load) and the PE header of every *.exe and *.dll in
FOLDER. Prints one line per problem and a summary; exits 1 on any problem, 0 if none, 2 if a
list cannot be read or FOLDER does not exist. Wine exports everything, so no run under Wine shows
a missing function: only the import table does.
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_FUNCTIONS = os.path.join(HERE, "floor_imports.tsv")
DEFAULT_DLLS = os.path.join(HERE, "floor_dlls.tsv")

# The Windows releases a list may name, as (major, minor) NT versions.
WINDOWS = {
    "NT3.1": (3, 10), "NT3.5": (3, 50), "NT3.51": (3, 51), "NT4": (4, 0),
    "2000": (5, 0), "XP": (5, 1), "2003": (5, 2), "Vista": (6, 0), "7": (6, 1),
    "8": (6, 2), "8.1": (6, 3), "10": (10, 0),
}
FLOOR = (5, 0)
FLOOR_NAME = "Windows 2000"
MACHINE_I386 = 0x14C
ORDINAL_FLAG = {4: 0x80000000, 8: 0x8000000000000000}


class PeError(Exception):
    """The file is not a PE image this check can read."""


class ListError(Exception):
    """A committed list is malformed."""


# ---------------------------------------------------------------- the committed lists

def dll_key(name):
    """KERNEL32.dll, kernel32 and Kernel32.DLL are one DLL."""
    name = name.strip()
    if name.lower().endswith(".dll"):
        name = name[:-4]
    return name.lower()


def read_rows(path, columns):
    """The tab-separated rows of a list, without comments and blank lines."""
    rows = []
    with open(path, encoding="utf-8") as handle:
        for number, line in enumerate(handle, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != columns or not all(f.strip() for f in fields):
                raise ListError(f"{path}:{number}: expected {columns} non-empty tab-separated "
                                f"fields, found {len(fields)}")
            rows.append((number, [f.strip() for f in fields]))
    return rows


def windows_version(path, number, name):
    if name not in WINDOWS:
        raise ListError(f"{path}:{number}: unknown Windows '{name}' "
                        f"(one of: {', '.join(WINDOWS)})")
    return name


def load_dlls(path):
    """{dll key: oldest Windows} from rows: DLL, oldest Windows, evidence."""
    dlls = {}
    for number, (dll, oldest, _evidence) in read_rows(path, 3):
        dlls[dll_key(dll)] = windows_version(path, number, oldest)
    return dlls


def load_functions(path):
    """{(dll key, function): oldest Windows} from rows: DLL, function, oldest, evidence."""
    functions = {}
    for number, (dll, function, oldest, _evidence) in read_rows(path, 4):
        key = (dll_key(dll), function)
        if key in functions:
            raise ListError(f"{path}:{number}: {dll}!{function} is listed twice")
        functions[key] = windows_version(path, number, oldest)
    return functions


# ---------------------------------------------------------------- reading a PE file

def u16(data, offset):
    return struct.unpack_from("<H", data, offset)[0]


def u32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


def u64(data, offset):
    return struct.unpack_from("<Q", data, offset)[0]


def c_string(data, offset):
    end = data.find(b"\0", offset)
    if offset >= len(data) or end < 0:
        raise PeError(f"string at file offset {offset:#x} runs past the end")
    return data[offset:end].decode("ascii", "replace")


def parse_headers(data):
    """DOS header, PE signature, file header, optional header, data directories, sections."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise PeError("no MZ header")
    pe = u32(data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE signature")
    machine, section_count = u16(data, pe + 4), u16(data, pe + 6)
    optional_size = u16(data, pe + 20)
    opt = pe + 24
    magic = u16(data, opt)
    if magic not in (0x10B, 0x20B):
        raise PeError(f"unknown optional header magic {magic:#x}")
    wide = magic == 0x20B
    directories_at = opt + (112 if wide else 96)
    directory_count = u32(data, directories_at - 4)
    directories = [(u32(data, directories_at + 8 * i), u32(data, directories_at + 8 * i + 4))
                   for i in range(min(directory_count, 16))]
    table = opt + optional_size
    sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8)
                for i in range(section_count)]
    return {
        "machine": machine,
        "pointer_size": 8 if wide else 4,
        "image_base": u64(data, opt + 24) if wide else u32(data, opt + 28),
        "os_version": (u16(data, opt + 40), u16(data, opt + 42)),
        "subsystem_version": (u16(data, opt + 48), u16(data, opt + 50)),
        "directories": directories,
        # (virtual size, virtual address, raw size, raw offset)
        "sections": sections,
    }


def file_offset(image, rva):
    for virtual_size, address, raw_size, raw_offset in image["sections"]:
        if address <= rva < address + max(virtual_size, raw_size):
            if rva - address >= raw_size:
                raise PeError(f"RVA {rva:#x} lies in a section's uninitialised tail")
            return raw_offset + rva - address
    raise PeError(f"RVA {rva:#x} lies in no section")


def directory(image, index):
    directories = image["directories"]
    return directories[index] if index < len(directories) else (0, 0)


def thunk_entries(data, image, table_rva):
    """The functions one import name table names: ('name', text) or ('ordinal', number)."""
    size = image["pointer_size"]
    offset = file_offset(image, table_rva)
    entries = []
    while True:
        value = u64(data, offset) if size == 8 else u32(data, offset)
        if value == 0:
            return entries
        if value & ORDINAL_FLAG[size]:
            entries.append(("ordinal", value & 0xFFFF))
        else:
            entries.append(("name", c_string(data, file_offset(image, value & 0x7FFFFFFF) + 2)))
        offset += size


def ordinary_imports(data, image):
    """[(DLL name, entries)] from the import directory's 20-byte descriptors."""
    rva, _size = directory(image, 1)
    if rva == 0:
        return []
    imports, offset = [], file_offset(image, rva)
    while True:
        name_table, _stamp, _chain, name_rva, address_table = struct.unpack_from(
            "<IIIII", data, offset)
        if name_rva == 0 and address_table == 0:
            return imports
        dll = c_string(data, file_offset(image, name_rva))
        # Some linkers leave no name table; the address table holds the same thunks on disk.
        imports.append((dll, thunk_entries(data, image, name_table or address_table)))
        offset += 20


def delay_imports(data, image):
    """[(DLL name, entries)] from the delay-load directory's 32-byte descriptors."""
    rva, size = directory(image, 13)
    if rva == 0:
        return []
    imports, offset = [], file_offset(image, rva)
    # The list ends with an empty descriptor or with the directory, whichever comes first: some
    # linkers point the directory at a single descriptor with no empty one after it.
    end = offset + size if size else len(data)
    while offset + 32 <= end:
        attributes, name, _module, _iat, name_table = struct.unpack_from("<IIIII", data, offset)
        if name == 0:
            return imports
        # Attribute bit 0 clear: the old layout, which holds addresses rather than RVAs.
        base = 0 if attributes & 1 else image["image_base"]
        dll = c_string(data, file_offset(image, name - base))
        imports.append((dll, thunk_entries(data, image, name_table - base)))
        offset += 32
    return imports


# ---------------------------------------------------------------- judging one file

def version_text(version):
    return f"{version[0]}.{version[1]}"


def header_problems(image):
    problems = []
    if image["machine"] != MACHINE_I386:
        problems.append(f"machine {image['machine']:#06x} is not i386 (0x014c)")
    for field in ("os_version", "subsystem_version"):
        if image[field] > FLOOR:
            label = field.replace("os_", "operating-system ").replace("_", " ")
            problems.append(f"PE header {label} {version_text(image[field])} is higher than "
                            f"{version_text(FLOOR)} ({FLOOR_NAME})")
    return problems


def import_problems(imports, kind, functions, dlls):
    """Problems with one file's imports; kind is '' or 'delay-load '."""
    problems = []
    for dll, entries in imports:
        key = dll_key(dll)
        label = key.upper()
        if key not in dlls:
            problems.append(f"{kind}import from {dll}, a DLL not on the list of DLLs "
                            f"{FLOOR_NAME} has")
        elif WINDOWS[dlls[key]] > FLOOR:
            problems.append(f"{kind}import from {dll}, which the list dates to Windows "
                            f"{dlls[key]}")
        for what, value in entries:
            if what == "ordinal":
                problems.append(f"{kind}{label}!#{value} imported by ordinal, which cannot be "
                                f"checked against the list")
            elif (key, value) not in functions:
                problems.append(f"{kind}{label}!{value} is not on the committed list")
            elif WINDOWS[functions[(key, value)]] > FLOOR:
                problems.append(f"{kind}{label}!{value} needs Windows "
                                f"{functions[(key, value)]}, newer than {FLOOR_NAME}")
    return problems


def check_file(path, functions, dlls):
    """(problems, number of imported functions) for one PE file."""
    with open(path, "rb") as handle:
        data = handle.read()
    try:
        image = parse_headers(data)
        ordinary, delayed = ordinary_imports(data, image), delay_imports(data, image)
    except (PeError, struct.error) as error:
        return [f"cannot read the PE file: {error}"], 0
    problems = header_problems(image)
    problems += import_problems(ordinary, "", functions, dlls)
    problems += import_problems(delayed, "delay-load ", functions, dlls)
    count = sum(len(entries) for _dll, entries in ordinary + delayed)
    return problems, count


def pe_files(folder):
    return sorted(name for name in os.listdir(folder)
                  if name.lower().endswith((".exe", ".dll"))
                  and os.path.isfile(os.path.join(folder, name)))


def check_folder(folder, functions, dlls):
    """Prints each problem and the summary; returns the number of problems."""
    names = pe_files(folder)
    total_problems, total_imports = 0, 0
    if not names:
        print(f"{folder}: no .exe or .dll files to check")
        total_problems += 1
    for name in names:
        problems, count = check_file(os.path.join(folder, name), functions, dlls)
        for problem in problems:
            print(f"{name}: {problem}")
        total_problems += len(problems)
        total_imports += count
    print(f"checked {len(names)} files, {total_imports} imported functions against "
          f"{len(functions)} listed: {total_problems} problem(s)")
    return total_problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--functions", default=DEFAULT_FUNCTIONS)
    parser.add_argument("--dlls", default=DEFAULT_DLLS)
    args = parser.parse_args(argv)
    try:
        functions, dlls = load_functions(args.functions), load_dlls(args.dlls)
    except (OSError, ListError) as error:
        print(f"check_imports: {error}", file=sys.stderr)
        return 2
    if not os.path.isdir(args.folder):
        print(f"check_imports: no folder {args.folder}", file=sys.stderr)
        return 2
    return 1 if check_folder(args.folder, functions, dlls) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
