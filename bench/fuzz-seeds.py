#!/usr/bin/env python3
"""Seeds of the fuzz targets, made from real files.

    bench/fuzz-seeds.py OUT_DIR PROGRAM_DIR

OUT_DIR/zip holds small archives of every producer the test suite uses
(Info-ZIP zip, 7z, Python's zipfile, Tovo's own modules through tovo-cli in
PROGRAM_DIR), plain, encrypted (password "test"), streamed, ZIP64, with data
in front, damaged; OUT_DIR/labelstore the label store and labels file;
OUT_DIR/textlines history and favourites files; OUT_DIR/settings settings
files. Every seed is small, so the fuzzer runs fast.
"""
import io
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

out, prog = sys.argv[1], os.path.abspath(sys.argv[2])
cli = os.path.join(prog, "tovo-cli")
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
for kind in ("zip", "labelstore", "textlines", "settings"):
    os.makedirs(os.path.join(out, kind), exist_ok=True)

work = tempfile.mkdtemp(prefix="tovo-seeds-")
tree = os.path.join(work, "arbre")
os.makedirs(os.path.join(tree, "sous", "vide"))
files = {
    "lisez-moi.txt": b"Bonjour, ceci est un petit texte.\n" * 8,
    "sous/donnees.bin": bytes(range(256)) * 2,
    "sous/\u00e9t\u00e9.txt": "\u00e9t\u00e9 \u00e0 No\u00ebl\n".encode() * 4,
    "vide.txt": b"",
}
for name, data in files.items():
    path = os.path.join(tree, name)
    with open(path, "wb") as f:
        f.write(data)
os.symlink("lisez-moi.txt", os.path.join(tree, "lien"))


def seed(name, data):
    with open(os.path.join(out, "zip", name), "wb") as f:
        f.write(data)


def run(args):
    # A warning (a link skipped, say) is no failure.
    done = subprocess.run(args, cwd=tree, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if done.returncode not in (0, 1):
        sys.exit("%s : code %d" % (" ".join(args), done.returncode))


def made(name, args):
    target = os.path.join(work, name)
    run(args(target))
    with open(target, "rb") as f:
        data = f.read()
    seed(name, data)
    return data


# Info-ZIP zip.
plain = made("infozip.zip", lambda t: ["zip", "-qr", t, "."])
made("infozip-symlink.zip", lambda t: ["zip", "-qry", t, "."])
made("infozip-stored.zip", lambda t: ["zip", "-qr0", t, "."])
made("infozip-password.zip", lambda t: ["zip", "-qr", "-P", "test", t, "."])
streamed = subprocess.run(["zip", "-q", "-", "lisez-moi.txt", "sous/donnees.bin"], cwd=tree, check=True,
                          stdout=subprocess.PIPE).stdout
seed("infozip-streamed.zip", streamed)

# 7z.
made("7z-deflate.zip", lambda t: ["7z", "a", "-tzip", "-bd", t, "."])
made("7z-aes.zip", lambda t: ["7z", "a", "-tzip", "-bd", "-mem=AES256", "-ptest", t, "."])
made("7z-bzip2.zip", lambda t: ["7z", "a", "-tzip", "-bd", "-mm=BZip2", t, "lisez-moi.txt"])

# Python's zipfile.
def zipfile_seed(name, **options):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", **options) as z:
        z.comment = b"commentaire de l'archive"
        z.writestr("dossier/", b"")
        z.writestr("dossier/texte.txt", b"du texte " * 20)
        info = zipfile.ZipInfo("donn\u00e9es \u00e9t\u00e9.txt", (2024, 5, 6, 7, 8, 10))
        info.comment = b"commentaire"
        info.extra = b"UT\x05\x00\x01\x00\x00\x00\x60"
        z.writestr(info, b"\x00\x01\x02" * 30)
    seed(name, buffer.getvalue())
    return buffer.getvalue()


zipfile_seed("zipfile-stored.zip", compression=zipfile.ZIP_STORED)
zipfile_seed("zipfile-deflated.zip", compression=zipfile.ZIP_DEFLATED)
zipfile_seed("zipfile-lzma.zip", compression=zipfile.ZIP_LZMA)
buffer = io.BytesIO()
with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
    with z.open("grand.txt", "w", force_zip64=True) as f:
        f.write(b"ZIP64 " * 100)
    z.writestr("petit.txt", b"ok")
seed("zipfile-zip64.zip", buffer.getvalue())


class Unseekable(io.RawIOBase):
    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


stream = Unseekable()
with zipfile.ZipFile(stream, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("flux.txt", b"ecrit sans retour en arriere " * 10)
    z.writestr("flux2.txt", b"second")
seed("zipfile-descriptor.zip", bytes(stream.data))

buffer = io.BytesIO()
with zipfile.ZipFile(buffer, "w") as z:
    for name in ("../dehors.txt", "/absolu.txt", "ligne\nsaut.txt", "\u202eexe.txt", "a" * 300):
        z.writestr(name, b"x")
seed("zipfile-hostile-names.zip", buffer.getvalue())

# Tovo's own writing module.
if not os.access(cli, os.X_OK):
    sys.exit("tovo-cli introuvable : %s" % cli)
made("tovo.zip", lambda t: [cli, "add", t, "-r", "."])
made("tovo-password.zip", lambda t: [cli, "add", t, "-r", "-p", "test", "lisez-moi.txt", "sous"])

# Shapes around the real ones: an empty archive, data in front (a
# self-extractor), a truncated archive and one without its directory.
seed("empty.zip", b"PK\x05\x06" + b"\x00" * 18)
seed("front-data.zip", b"#!/bin/sh\necho stub\nexit 0\n" + plain)
seed("truncated.zip", plain[: len(plain) * 2 // 3])
seed("no-directory.zip", plain[: plain.find(b"PK\x01\x02")])

# The label store, compiled by a run of tovo-cli, and the labels file.
store = os.path.join(prog, "libelles.dll")
if not os.path.exists(store):
    subprocess.run([cli, "list", os.path.join(work, "absente.zip")], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
shutil.copy(store, os.path.join(out, "labelstore", "libelles.dll"))
with open(os.path.join(root, "data", "fran\u00e7ais.tv"), "rb") as f:
    labels = f.read()
with open(os.path.join(out, "labelstore", "francais.tv"), "wb") as f:
    f.write(labels)
with open(os.path.join(out, "labelstore", "francais-court.tv"), "wb") as f:
    f.write(b"\r\n".join(labels.split(b"\r\n")[:12]) + b"\r\n")

# History and favourites.
for name in ("historique.txt", "favoris.txt"):
    shutil.copy(os.path.join(root, "data", name), os.path.join(out, "textlines", name))
with open(os.path.join(out, "textlines", "mixed.txt"), "wb") as f:
    f.write(b"/home/u/a.zip\r\n/home/u/\xc3\xa9t\xc3\xa9.zip\r/home/u/b.zip\n\n/bad/\xff\xfe.zip\r\n")

# Settings, as QSettings writes them.
with open(os.path.join(out, "settings", "tovo.ini"), "wb") as f:
    f.write(b"[tovo]\nHTML=1\nBulles=0\nDesacTaille=1\nDesacTest=0\nPolice=Arial\nTaille=10\n"
            b"Top=0x20\nLeft=12\nHeight=600\nWidth=-3\nSplitter1=200\nSplitter2=abc\n"
            b"Rep=/opt/tovo/tovo\nRepAjout=/home/u\nRepExtract=\"/home/u/d\\xe9p\\xf4t\"\n"
            b"RepCourant=@Variant(\\0\\0\\0\\n\\0\\0\\0\\x2\\0/)\nEtat=3\n")

shutil.rmtree(work)
print("seeds:", {k: len(os.listdir(os.path.join(out, k))) for k in ("zip", "labelstore", "textlines", "settings")})
