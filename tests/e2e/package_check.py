#!/usr/bin/python3
"""Makes the packages with cpack, unpacks each into an empty folder and starts
the game there (under Wine for the Windows zip): it must open its window with
a solved front and end with exit code 0 on Escape.

    package_check.py --build-dir DIR --cpack CPACK --generators "ZIP|TGZ;DEB"
                     --e2e voxra_e2e.py --exe-name NAME -- E2E_ARGS...
"""

import argparse
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import zipfile


def fail(message):
    print("FAILED package: %s" % message)
    return 1


def unpack(path, into):
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as z:
            z.extractall(into)
            for info in z.infolist():   # zipfile drops the modes
                mode = (info.external_attr >> 16) & 0o777
                if mode:
                    os.chmod(os.path.join(into, info.filename), mode)
    elif path.endswith(".tar.gz"):
        with tarfile.open(path) as t:
            t.extractall(into)
    elif path.endswith(".deb"):
        subprocess.run(["dpkg-deb", "-x", path, into], check=True)
    else:
        raise ValueError(path)


def game_folder(root, exe_name):
    for dirpath, _, files in os.walk(root):
        if exe_name in files:
            return dirpath
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build-dir", required=True)
    ap.add_argument("--cpack", required=True)
    ap.add_argument("--generators", required=True)
    ap.add_argument("--e2e", required=True)
    ap.add_argument("--exe-name", required=True)
    ap.add_argument("rest", nargs=argparse.REMAINDER)
    args = ap.parse_args()
    rest = [a for a in args.rest if a != "--"]
    # The game path of the build tree is replaced by the unpacked one.
    if "--exe" in rest:
        i = rest.index("--exe")
        del rest[i:i + 2]

    scratch = tempfile.mkdtemp(prefix="voxra-package-")
    try:
        out = os.path.join(scratch, "out")
        status = 0
        for gen in args.generators.split(";"):
            r = subprocess.run([args.cpack, "-G", gen, "-B", out, "--config",
                                os.path.join(args.build_dir, "CPackConfig.cmake")],
                               cwd=args.build_dir, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
            if r.returncode != 0:
                print(r.stdout)
                return fail("cpack -G %s failed" % gen)
        made = sorted(f for f in os.listdir(out)
                      if f.endswith((".zip", ".tar.gz", ".deb")))
        print("packages: %s" % ", ".join(made))
        if not made:
            return fail("cpack made no package")
        for name in made:
            into = os.path.join(scratch, "unpacked-" + name)
            os.makedirs(into)
            unpack(os.path.join(out, name), into)
            folder = game_folder(into, args.exe_name)
            if not folder:
                status |= fail("%s holds no %s" % (name, args.exe_name))
                continue
            files = sorted(os.listdir(folder))
            data = sorted(os.listdir(os.path.join(folder, "Data"))) \
                if os.path.isdir(os.path.join(folder, "Data")) else []
            print("%s: %s; Data/: %s" % (name, " ".join(files), " ".join(data)))
            wanted = ["Data%d.dll" % n for n in range(1, 9)]
            if data != wanted:
                status |= fail("%s: Data/ holds %s" % (name, data))
                continue
            if not args.exe_name.endswith(".exe"):
                for extra in ("voxra.desktop", "voxra.png"):
                    if extra not in files:
                        status |= fail("%s has no %s" % (name, extra))
            r = subprocess.run([sys.executable, args.e2e, "--case", "package", "--exe",
                                os.path.join(folder, args.exe_name), "--workdir", folder] + rest)
            if r.returncode != 0:
                status |= fail("%s: the unpacked game did not run" % name)
        if status == 0:
            print("passed package: %d packages unpacked and started" % len(made))
        return status
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
