#!/bin/bash
# Makes hashes.txt: one "name hash" line per password hash of the password "orvel-risk", each at
# or just past a threshold of the risk layer. Run in this directory; needs mkpasswd (whois),
# argon2, htpasswd (apache2-utils), md5sum/sha1sum and python3's standard library (3.11: crypt).
set -euo pipefail
P=orvel-risk
pbkdf2() { # passlib's form: $pbkdf2-<prf>$rounds$salt$digest, both in base64 with "." for "+", unpadded
    python3 -c 'import sys,hashlib,base64
prf,scheme,rounds,salt=sys.argv[2],sys.argv[3],int(sys.argv[4]),b"orvel-pbkdf2-salt"
ab64=lambda b: base64.b64encode(b).decode().rstrip("=").replace("+",".")
print(f"${scheme}${rounds}${ab64(salt)}${ab64(hashlib.pbkdf2_hmac(prf,sys.argv[1].encode(),salt,rounds))}")' "$P" "$@"
}
scrypt() { # passlib's form: $scrypt$ln=…,r=…,p=…$salt$digest
    python3 -c 'import sys,hashlib,base64
ln,r,p,salt=int(sys.argv[2]),int(sys.argv[3]),int(sys.argv[4]),b"orvel-scrypt-salt"
ab64=lambda b: base64.b64encode(b).decode().rstrip("=").replace("+",".")
d=hashlib.scrypt(sys.argv[1].encode(),salt=salt,n=2**ln,r=r,p=p,maxmem=2**29,dklen=32)
print(f"$scrypt$ln={ln},r={r},p={p}${ab64(salt)}${ab64(d)}")' "$P" "$@"
}
argon() { printf %s "$P" | argon2 orvelsalt16bytes "$@" -e; }
{
    echo "bcrypt-9 $(mkpasswd -m bcrypt -R 9 "$P")"
    echo "bcrypt-10 $(mkpasswd -m bcrypt -R 10 "$P")"
    echo "htpasswd-bcrypt-9 $(htpasswd -nbB -C 9 user "$P" | cut -d: -f2-)"
    echo "md5crypt $(mkpasswd -m md5crypt "$P")"
    echo "sha512crypt $(mkpasswd -m sha512crypt "$P")"
    echo "sha512crypt-4999 $(mkpasswd -m sha512crypt -R 4999 "$P")"
    echo "sha512crypt-5000 $(python3 -W ignore -c 'import sys,crypt; print(crypt.crypt(sys.argv[1], "$6$rounds=5000$orvelrisksalt"))' "$P")"
    echo "sha256crypt-4999 $(mkpasswd -m sha256crypt -R 4999 "$P")"
    echo "argon2id-19456-2 $(argon -id -k 19456 -t 2 -p 1)"
    echo "argon2id-19455-2 $(argon -id -k 19455 -t 2 -p 1)"
    echo "argon2id-47104-1 $(argon -id -k 47104 -t 1 -p 1)"
    echo "argon2id-4096-2 $(argon -id -k 4096 -t 2 -p 1)"
    echo "argon2id-7168-5 $(argon -id -k 7168 -t 5 -p 1)"
    echo "argon2id-7168-4 $(argon -id -k 7168 -t 4 -p 1)"
    echo "argon2i $(argon -i -k 65536 -t 3 -p 1)"
    echo "argon2d $(argon -d -k 65536 -t 3 -p 1)"
    echo "scrypt-7-N14-r32 $(mkpasswd -m scrypt -R 7 "$P")"
    echo "scrypt-7-N15-r32 $(mkpasswd -m scrypt -R 8 "$P")"
    echo "scrypt-ln16 $(scrypt 16 8 1)"
    echo "scrypt-ln17 $(scrypt 17 8 1)"
    echo "scrypt-ln16-p2 $(scrypt 16 8 2)"
    echo "pbkdf2-sha256-600000 $(pbkdf2 sha256 pbkdf2-sha256 600000)"
    echo "pbkdf2-sha256-599999 $(pbkdf2 sha256 pbkdf2-sha256 599999)"
    echo "pbkdf2-sha512-210000 $(pbkdf2 sha512 pbkdf2-sha512 210000)"
    echo "pbkdf2-sha512-209999 $(pbkdf2 sha512 pbkdf2-sha512 209999)"
    echo "pbkdf2-sha1-1300000 $(pbkdf2 sha1 pbkdf2 1300000)"
    echo "pbkdf2-sha1-1299999 $(pbkdf2 sha1 pbkdf2 1299999)"
    echo "yescrypt $(mkpasswd -m yescrypt "$P")"
    echo "md5-hex $(printf %s "$P" | md5sum | cut -d' ' -f1)"
    echo "sha1-hex $(printf %s "$P" | sha1sum | cut -d' ' -f1)"
    echo "sha256-hex $(printf %s "$P" | sha256sum | cut -d' ' -f1)"
} > hashes.txt
