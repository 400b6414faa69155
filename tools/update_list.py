#!/usr/bin/env python3
"""Signing keys and signed update lists for the updater.

A signed list is the update list's first line, "version|download URL[|sha256=<hex>]", followed by a
second line "sig=<base64 of r||s>": an ECDSA P-256 signature (SHA-256) of the first line's bytes, r and s
32 bytes each, big-endian. An updater built with the matching public key (the CMake setting
PELMOR_UPDATE_PUBLIC_KEY, base64 of the uncompressed point 04||X||Y) accepts only such lists, and only a
setup program with the named SHA-256; updaters without a key read the first line alone.

  update_list.py keygen --private KEY.pem [--public KEY.pub]   make a key pair; print the public key
  update_list.py public --private KEY.pem                      print the public key of a private key
  update_list.py sign --private KEY.pem --version 1.6 --url URL [--setup FILE] [--out FILE]
  update_list.py sign --private KEY.pem --line "first line" [--out FILE]
  update_list.py verify (--public B64 | --private KEY.pem) --list FILE [--setup FILE]
"""
import argparse
import base64
import binascii
import hashlib
import os
import sys

# cryptography is imported only where a key is used: ./run's site serves an unsigned list without it.


def generate_key():
    from cryptography.hazmat.primitives.asymmetric import ec

    return ec.generate_private_key(ec.SECP256R1())


def load_private_key(path):
    from cryptography.hazmat.primitives import serialization
    from cryptography.hazmat.primitives.asymmetric import ec

    with open(path, "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise ValueError(f"{path}: not a P-256 private key")
    return key


def save_private_key(key, path):
    from cryptography.hazmat.primitives import serialization

    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(pem)


def public_key_text(key):
    """The build setting's form: base64 of 04 || X || Y."""
    from cryptography.hazmat.primitives import serialization

    point = key.public_key().public_bytes(serialization.Encoding.X962,
                                          serialization.PublicFormat.UncompressedPoint)
    return base64.b64encode(point).decode("ascii")


def sha256_file(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def first_line(version, url, setup=None):
    line = f"{version}|{url}"
    if setup is not None:
        line += f"|sha256={sha256_file(setup)}"
    return line


def signature_line(key, line):
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import ec, utils

    der = key.sign(line.encode("utf-8"), ec.ECDSA(hashes.SHA256()))
    r, s = utils.decode_dss_signature(der)
    return "sig=" + base64.b64encode(r.to_bytes(32, "big") + s.to_bytes(32, "big")).decode("ascii")


def signed_list(key, line):
    if "\r" in line or "\n" in line:
        raise ValueError("the first line may not contain a line break")
    return f"{line}\r\n{signature_line(key, line)}\r\n".encode("utf-8")


def verify_list(public_text, data, setup=None):
    """None when the list is signed by the key (and names the setup's digest); else what is wrong."""
    from cryptography.exceptions import InvalidSignature
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import ec, utils

    try:
        point = base64.b64decode(public_text, validate=True)
        public = ec.EllipticCurvePublicKey.from_encoded_point(ec.SECP256R1(), point)
    except ValueError:
        return "the public key is not base64 of a P-256 point"
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    lines = data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n")
    if len(lines) < 2 or not lines[1].rstrip(b" \t").startswith(b"sig="):
        return "no signature line"
    try:
        raw = base64.b64decode(lines[1].rstrip(b" \t")[4:], validate=True)
    except binascii.Error:
        return "the signature is not base64"
    if len(raw) != 64:
        return "the signature is not 64 bytes"
    der = utils.encode_dss_signature(int.from_bytes(raw[:32], "big"), int.from_bytes(raw[32:], "big"))
    try:
        public.verify(der, lines[0], ec.ECDSA(hashes.SHA256()))
    except InvalidSignature:
        return "bad signature"
    if setup is not None:
        fields = lines[0].decode("utf-8", "replace").split(",")[0].split("|")
        if len(fields) < 3 or fields[2].strip().lower() != f"sha256={sha256_file(setup)}":
            return "the list does not name the setup program's SHA-256"
    return None


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="command", required=True)
    keygen = sub.add_parser("keygen")
    keygen.add_argument("--private", required=True)
    keygen.add_argument("--public")
    public = sub.add_parser("public")
    public.add_argument("--private", required=True)
    sign = sub.add_parser("sign")
    sign.add_argument("--private", required=True)
    sign.add_argument("--line")
    sign.add_argument("--version")
    sign.add_argument("--url")
    sign.add_argument("--setup")
    sign.add_argument("--out")
    verify = sub.add_parser("verify")
    verify.add_argument("--public")
    verify.add_argument("--private")
    verify.add_argument("--list", required=True)
    verify.add_argument("--setup")
    args = ap.parse_args(argv)

    if args.command == "keygen":
        key = generate_key()
        save_private_key(key, args.private)
        if args.public:
            with open(args.public, "w", encoding="ascii") as f:
                f.write(public_key_text(key) + "\n")
        print(public_key_text(key))
    elif args.command == "public":
        print(public_key_text(load_private_key(args.private)))
    elif args.command == "sign":
        key = load_private_key(args.private)
        if args.line is not None:
            line = args.line
        elif args.version and args.url:
            line = first_line(args.version, args.url, args.setup)
        else:
            ap.error("sign needs --line, or --version and --url")
        data = signed_list(key, line)
        if args.out:
            with open(args.out, "wb") as f:
                f.write(data)
        else:
            sys.stdout.buffer.write(data)
    else:
        if not args.public and not args.private:
            ap.error("verify needs --public or --private")
        try:
            public_text = args.public or public_key_text(load_private_key(args.private))
        except ValueError as e:
            print(f"the private key cannot be read: {e}")
            return 1
        with open(args.list, "rb") as f:
            problem = verify_list(public_text, f.read(), args.setup)
        print(problem or "good")
        return 1 if problem else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
