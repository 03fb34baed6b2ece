#!/usr/bin/python3
# Makes the JWT fixtures with PyJWT (Debian's python3-jwt) and python3-cryptography:
#   /usr/bin/python3 make-jwts.py   (run in this directory)
# The claims use fixed instants, so the tests pin the clock instead of depending on today.
import jwt
from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import ec, rsa

claims = {
    "iss": "https://login.example.test/",
    "sub": "user-42",
    "aud": "orders-api",
    "iat": 1767225600,  # 2026-01-01T00:00:00Z
    "nbf": 1767225600,
    "exp": 1767232800,  # two hours later
    "jti": "b6f1c0de",
    "scope": "orders:read",
}
rsa_key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
ec_key = ec.generate_private_key(ec.SECP256R1())
tokens = {
    "jwt-hs256.txt": jwt.encode(claims, "orvel-test-secret-that-is-long-enough", algorithm="HS256",
                                headers={"kid": "hmac-1"}),
    "jwt-rs256.txt": jwt.encode(claims, rsa_key, algorithm="RS256", headers={"kid": "rsa-2026"}),
    "jwt-es256.txt": jwt.encode({**claims, "aud": ["orders-api", "billing-api"]}, ec_key, algorithm="ES256"),
    "jwt-none.txt": jwt.encode({"sub": "admin", "admin": True}, None, algorithm="none"),
}
for name, token in tokens.items():
    with open(name, "w") as out:
        out.write(token + "\n")
