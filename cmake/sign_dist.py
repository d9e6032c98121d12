#!/usr/bin/env python3
# Signs a copy of the dist folder with the organisation's code-signing certificate, when one is
# configured, into a folder of its own with its own SHA256SUMS and zip; the dist folder is only read.
"""usage: sign_dist.py DIST_DIR FILE_LIST SIGNED_DIR TOP_FOLDER ZIP EPOCH_SECONDS CMAKE

From the environment:
  VELMAR_SIGN_PKCS12          the PKCS#12 file with the certificate, its key and its chain;
                              unset: nothing is signed, and a signed folder and zip left by an
                              earlier build are removed, so they never describe other sources
  VELMAR_SIGN_PASSWORD        its password, or
  VELMAR_SIGN_PASSWORD_FILE   a file that holds its password
  VELMAR_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server (optional; its answer carries its
                              own time, so a time-stamped signing is not reproducible)
  VELMAR_SIGN_PUBLISHER_URL   the publisher's address shown with the signature (optional)
"""
import os
import shutil
import subprocess
import sys
import tempfile

import zip_dist

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_PUBLISHER_URL = "http://tools.brannocksystems.example"

# What Windows shows as the signed content's name, one line per shipped program or library.
DESCRIPTIONS = {
    "VelmarUninstall3xandUp.exe": "Velmar Uninstaller",
    "DirscrubVelmar30.exe": "Velmar directory cleaner",
    "PelletSetup.exe": "Velmar TSP setup",
    "kill.exe": "Velmar Uninstaller process ender",
    "mypause.exe": "Velmar Uninstaller pause",
    "VelmarUninstall3xandUp_ENU.dll": "Velmar Uninstaller English language resources",
    "VelmarUninstall3xandUp_DEU.dll": "Velmar Uninstaller German language resources",
    "VelmarUninstall3xandUp_FRA.dll": "Velmar Uninstaller French language resources",
}


def fail(message):
    sys.exit(f"sign_dist: {message}")


def is_portable_executable(name):
    return name.lower().endswith((".exe", ".dll"))


def shipped_names(file_list):
    with open(file_list, encoding="utf-8") as lines:
        return sorted({line.strip() for line in lines if line.strip()})


def remove_stale(signed_dir, zip_path):
    if os.path.isdir(signed_dir):
        shutil.rmtree(signed_dir)
    if os.path.exists(zip_path):
        os.remove(zip_path)


def password_file(private_dir):
    """The password as a file for -readpass: it never appears on a command line."""
    given = os.environ.get("VELMAR_SIGN_PASSWORD_FILE")
    if given:
        return given
    password = os.environ.get("VELMAR_SIGN_PASSWORD")
    if password is None:
        fail("VELMAR_SIGN_PKCS12 is set but neither VELMAR_SIGN_PASSWORD nor "
             "VELMAR_SIGN_PASSWORD_FILE is")
    path = os.path.join(private_dir, "password")
    descriptor = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    with os.fdopen(descriptor, "w", encoding="utf-8") as out:
        out.write(password)
    return path


def sign_command(source, target, description, pass_path, epoch):
    command = ["osslsigncode", "sign", "-pkcs12", os.environ["VELMAR_SIGN_PKCS12"],
               "-readpass", pass_path, "-h", "sha256", "-n", description,
               "-i", os.environ.get("VELMAR_SIGN_PUBLISHER_URL") or DEFAULT_PUBLISHER_URL,
               "-time", str(epoch)]
    timestamp_url = os.environ.get("VELMAR_SIGN_TIMESTAMP_URL")
    if timestamp_url:
        command += ["-ts", timestamp_url]
    return command + ["-in", source, "-out", target]


def sign_into(dist_dir, names, work_dir, pass_path, epoch):
    for name in names:
        source = os.path.join(dist_dir, name)
        target = os.path.join(work_dir, name)
        if not is_portable_executable(name):
            shutil.copyfile(source, target)
            continue
        if name not in DESCRIPTIONS:
            fail(f"{name} ships but has no description to sign it with (add it to DESCRIPTIONS)")
        run = subprocess.run(sign_command(source, target, DESCRIPTIONS[name], pass_path, epoch),
                             capture_output=True, text=True, check=False)
        if run.returncode != 0:
            fail(f"osslsigncode could not sign {name}:\n{run.stdout}{run.stderr}")


def main(argv):
    if len(argv) != 8:
        sys.exit(__doc__)
    dist_dir, file_list, signed_dir, top, zip_path, epoch, cmake = argv[1:]
    if not os.environ.get("VELMAR_SIGN_PKCS12"):
        remove_stale(signed_dir, zip_path)
        return
    if shutil.which("osslsigncode") is None:
        fail("osslsigncode is missing (scripts/bootstrap installs it)")
    names = shipped_names(file_list)
    # Signed beside and renamed, so a failed run never leaves a folder that looks complete.
    work_dir = signed_dir + ".part"
    shutil.rmtree(work_dir, ignore_errors=True)
    os.makedirs(work_dir)
    private_dir = tempfile.mkdtemp(prefix="velmar-sign-")
    try:
        sign_into(dist_dir, names, work_dir, password_file(private_dir), int(epoch))
    except BaseException:
        shutil.rmtree(work_dir, ignore_errors=True)
        raise
    finally:
        shutil.rmtree(private_dir)
    subprocess.run([cmake, f"-DDIST_DIR={work_dir}", f"-DFILE_LIST={file_list}", "-P",
                    os.path.join(HERE, "WriteChecksums.cmake")], check=True)
    remove_stale(signed_dir, zip_path)
    os.replace(work_dir, signed_dir)
    zip_dist.main(["zip_dist.py", signed_dir, file_list, top, zip_path, epoch])


if __name__ == "__main__":
    main(sys.argv)
