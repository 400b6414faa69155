#!/usr/bin/env python3
"""Signing keys and signed update lists for the updater.

A signed list is the update list's first line,

    version|download URL|sha256=<hex of the setup program's SHA-256>|expires=YYYY-MM-DD

(the fields after the URL in any order; the list may be acted on until the end of that day, UTC),
followed by one line per signing key, "sig=<key id>:<base64 of r||s>": an ECDSA P-256 signature
(SHA-256) of the first line's bytes, r and s 32 bytes each, big-endian; the key id is the first 8 hex
digits of the SHA-256 of the key's point 04||X||Y. An updater built with public keys (the CMake setting
PELMOR_UPDATE_PUBLIC_KEY: base64 of 04||X||Y, ';' between keys) accepts only a list that one of them
signed on its own line, that names the setup program's digest and has not expired; updaters without a
key read the first line alone and never run a setup program.

  update_list.py keygen --private KEY.pem [--public KEY.pub] [--passphrase-env NAME]
  update_list.py public --private KEY.pem                     print the public key and its key id
  update_list.py sign --private KEY.pem [--private KEY2.pem ...] --version 1.6 --url URL
                      (--setup FILE | --no-digest) [--expires-in-days 30] [--out FILE]
  update_list.py verify (--public B64[;B64...] | --private KEY.pem ...) --list FILE [--setup FILE]

A private key protected by a passphrase takes it from the environment variable that --passphrase-env
names (once for all keys, or once per --private in the same order), or asks for it on the terminal.
"""
import argparse
import base64
import binascii
import datetime
import getpass
import hashlib
import os
import re
import sys

# cryptography is imported only where a key is used: ./run's site serves an unsigned list without it.


def generate_key():
    from cryptography.hazmat.primitives.asymmetric import ec

    return ec.generate_private_key(ec.SECP256R1())


def load_private_key(path, passphrase_env=None):
    from cryptography.hazmat.primitives import serialization
    from cryptography.hazmat.primitives.asymmetric import ec

    with open(path, "rb") as f:
        pem = f.read()
    try:
        key = serialization.load_pem_private_key(pem, password=None)
    except TypeError:
        # Encrypted: the passphrase comes from the environment or the terminal, never the command line.
        if passphrase_env:
            if passphrase_env not in os.environ:
                raise ValueError(f"{path}: the environment has no {passphrase_env}")
            secret = os.environ[passphrase_env]
        else:
            secret = getpass.getpass(f"Passphrase for {path}: ")
        key = serialization.load_pem_private_key(pem, password=secret.encode("utf-8"))
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise ValueError(f"{path}: not a P-256 private key")
    return key


def save_private_key(key, path, passphrase=None):
    from cryptography.hazmat.primitives import serialization

    protection = (serialization.BestAvailableEncryption(passphrase.encode("utf-8")) if passphrase
                  else serialization.NoEncryption())
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8, protection)
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(pem)


def public_point(key):
    from cryptography.hazmat.primitives import serialization

    return key.public_key().public_bytes(serialization.Encoding.X962,
                                         serialization.PublicFormat.UncompressedPoint)


def public_key_text(key):
    """The build setting's form: base64 of 04 || X || Y."""
    return base64.b64encode(public_point(key)).decode("ascii")


def key_id(point):
    return hashlib.sha256(point).hexdigest()[:8]


def sha256_file(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def expiry(days, today=None):
    """The day `days` days after today (UTC)."""
    today = today or datetime.datetime.now(datetime.timezone.utc).date()
    return (today + datetime.timedelta(days=days)).isoformat()


def first_line(version, url, digest=None, expires=None):
    """The list's first line; refused when an updater would read it otherwise."""
    if not re.fullmatch(r"[0-9.]{1,16}", version) or not re.search(r"[0-9]", version):
        raise ValueError(f"version {version!r}: digits and dots only, at most 16")
    if not url or re.search(r'[\s,"|]', url):
        raise ValueError(f"URL {url!r}: no blanks, commas, quotes or bars")
    line = f"{version}|{url}"
    if digest is not None:
        line += f"|sha256={digest}"
    if expires is not None:
        line += f"|expires={expires}"
    return line


def signature_line(key, line):
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import ec, utils

    der = key.sign(line.encode("utf-8"), ec.ECDSA(hashes.SHA256()))
    r, s = utils.decode_dss_signature(der)
    raw = base64.b64encode(r.to_bytes(32, "big") + s.to_bytes(32, "big")).decode("ascii")
    return f"sig={key_id(public_point(key))}:{raw}"


def signed_list(keys, line):
    if "\r" in line or "\n" in line:
        raise ValueError("the first line may not contain a line break")
    return "\r\n".join([line] + [signature_line(k, line) for k in keys] + [""]).encode("utf-8")


def list_fields(line):
    """The fields after the URL, by name (as the updater reads them: the first comma-delimited field)."""
    fields = {}
    for field in line.split(",")[0].split("|")[2:]:
        name, _, value = field.strip().partition("=")
        fields.setdefault(name.lower(), value)
    return fields


def verify_list(public_texts, data, setup=None, today=None):
    """None when one of the keys signed the list on its own line, and the list names a digest (the
    setup's, when given) and has not expired; else what is wrong."""
    from cryptography.exceptions import InvalidSignature
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import ec, utils

    try:
        points = [base64.b64decode(t.strip(), validate=True) for t in public_texts if t.strip()]
        keys = {key_id(p): ec.EllipticCurvePublicKey.from_encoded_point(ec.SECP256R1(), p) for p in points}
    except (ValueError, binascii.Error):
        return "a public key is not base64 of a P-256 point"
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    lines = data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n")
    signed = False
    # As the updater reads them: the lines "sig=" right after the first, eight at most.
    for sig in lines[1:9]:
        sig = sig.rstrip(b" \t").decode("ascii", "replace")
        if not sig.startswith("sig="):
            break
        ident, _, raw = sig[4:].rpartition(":")
        key = keys.get(ident.lower()) if ident else (next(iter(keys.values())) if len(keys) == 1 else None)
        try:
            raw = base64.b64decode(raw, validate=True)
        except binascii.Error:
            continue
        if key is None or len(raw) != 64:
            continue
        der = utils.encode_dss_signature(int.from_bytes(raw[:32], "big"), int.from_bytes(raw[32:], "big"))
        try:
            key.verify(der, lines[0], ec.ECDSA(hashes.SHA256()))
            signed = True
        except InvalidSignature:
            pass
    if not signed:
        return "not signed by any of the keys"
    fields = list_fields(lines[0].decode("utf-8", "replace"))
    if "sha256" not in fields:
        return "the list names no setup program's SHA-256"
    if setup is not None and fields["sha256"].lower() != sha256_file(setup):
        return "the list does not name the setup program's SHA-256"
    if "expires" not in fields:
        return "the list has no expiry"
    if not re.fullmatch(r"\d{4}-\d{2}-\d{2}", fields["expires"]):
        return f"the expiry {fields['expires']!r} is not YYYY-MM-DD"
    today = today or datetime.datetime.now(datetime.timezone.utc).date()
    if datetime.date.fromisoformat(fields["expires"]) < today:
        return f"the list expired on {fields['expires']}"
    return None


def load_keys(paths, passphrase_envs):
    if len(passphrase_envs) not in (0, 1, len(paths)):
        raise ValueError("give --passphrase-env once, or once per --private")
    envs = passphrase_envs * len(paths) if len(passphrase_envs) == 1 else passphrase_envs or [None] * len(paths)
    return [load_private_key(p, e) for p, e in zip(paths, envs)]


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="command", required=True)
    keygen = sub.add_parser("keygen")
    keygen.add_argument("--private", required=True)
    keygen.add_argument("--public")
    keygen.add_argument("--passphrase-env", help="protect the key with the passphrase in this variable")
    public = sub.add_parser("public")
    public.add_argument("--private", required=True)
    sign = sub.add_parser("sign")
    sign.add_argument("--private", required=True, action="append")
    sign.add_argument("--version", required=True)
    sign.add_argument("--url", required=True)
    digest = sign.add_mutually_exclusive_group(required=True)
    digest.add_argument("--setup", help="the setup program whose SHA-256 the list names")
    digest.add_argument("--no-digest", action="store_true",
                        help="name no setup program: no updater with a key will act on the list")
    sign.add_argument("--expires-in-days", type=int, default=30)
    sign.add_argument("--out")
    verify = sub.add_parser("verify")
    verify.add_argument("--public", action="append", default=[])
    verify.add_argument("--private", action="append", default=[])
    verify.add_argument("--list", required=True)
    verify.add_argument("--setup")
    for p in (public, sign, verify):
        p.add_argument("--passphrase-env", action="append", default=[])
    args = ap.parse_args(argv)

    try:
        if args.command == "keygen":
            passphrase = os.environ.get(args.passphrase_env) if args.passphrase_env else None
            if args.passphrase_env and not passphrase:
                ap.error(f"the environment has no passphrase in {args.passphrase_env}")
            key = generate_key()
            save_private_key(key, args.private, passphrase)
            if args.public:
                with open(args.public, "w", encoding="ascii") as f:
                    f.write(public_key_text(key) + "\n")
            print(public_key_text(key))
        elif args.command == "public":
            key = load_keys([args.private], args.passphrase_env)[0]
            print(public_key_text(key), key_id(public_point(key)))
        elif args.command == "sign":
            if args.expires_in_days < 0:
                ap.error("--expires-in-days must not be negative")
            keys = load_keys(args.private, args.passphrase_env)
            sha = sha256_file(args.setup) if args.setup else None
            line = first_line(args.version, args.url, sha, expiry(args.expires_in_days))
            data = signed_list(keys, line)
            if args.out:
                with open(args.out, "wb") as f:
                    f.write(data)
            else:
                sys.stdout.buffer.write(data)
        else:
            if not args.public and not args.private:
                ap.error("verify needs --public or --private")
            texts = [t for p in args.public for t in p.split(";")]
            texts += [public_key_text(k) for k in load_keys(args.private, args.passphrase_env)]
            with open(args.list, "rb") as f:
                problem = verify_list(texts, f.read(), args.setup)
            print(problem or "good")
            return 1 if problem else 0
    except ValueError as e:
        print(f"update_list.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
