// Makes the token fixtures with Node's own crypto module (no packages):
//   node make-tokens.mjs   (run in this directory)
// Every instant is fixed, so the tests hand the risk layer an explicit clock.
import { generateKeyPairSync, createHmac, sign } from 'node:crypto';
import { writeFileSync } from 'node:fs';

const t0 = 1780790400; // 2026-06-07T00:00:00Z
const hour = 3600;
const secret = 'orvel-risk-fixture-secret-of-32b';
const { privateKey, publicKey } = generateKeyPairSync('rsa', { modulusLength: 2048 });
const publicJwk = publicKey.export({ format: 'jwk' });

const segment = (value) => Buffer.from(JSON.stringify(value)).toString('base64url');
function token(header, claims) {
    const input = `${segment(header)}.${segment(claims)}`;
    let signature = '';
    if (header.alg === 'HS256') signature = createHmac('sha256', secret).update(input).digest('base64url');
    if (header.alg === 'RS256') signature = sign('sha256', Buffer.from(input), privateKey).toString('base64url');
    return `${input}.${signature}`;
}

const base = { iss: 'https://login.example.test/', sub: 'user-42' };
const hourLong = { ...base, iat: t0, exp: t0 + hour };
const tokens = {
    'day-long.jwt': [{ alg: 'HS256', typ: 'JWT' }, { ...base, iat: t0, nbf: t0, exp: t0 + 24 * hour }],
    'day-and-a-second.jwt': [{ alg: 'HS256', typ: 'JWT' }, { ...base, iat: t0, exp: t0 + 24 * hour + 1 }],
    'alg-none.jwt': [{ alg: 'none', typ: 'JWT' }, hourLong],
    'no-exp.jwt': [{ alg: 'HS256', typ: 'JWT' }, { ...base, iat: t0 }],
    'rs256-jku.jwt': [{ alg: 'RS256', jku: 'https://keys.example.test/jwks.json' }, hourLong],
    'rs256-x5u.jwt': [{ alg: 'RS256', x5u: 'https://keys.example.test/signer.pem' }, hourLong],
    'rs256-jwk.jwt': [{ alg: 'RS256', jwk: publicJwk }, hourLong],
    'rs256-kid.jwt': [{ alg: 'RS256', kid: 'rsa-2026' }, hourLong],
    'hs256-jku.jwt': [{ alg: 'HS256', jku: 'https://keys.example.test/jwks.json' }, hourLong],
    'hs256-jwk.jwt': [{ alg: 'HS256', jwk: { kty: 'oct', k: Buffer.from(secret).toString('base64url') } }, hourLong],
};
for (const [name, [header, claims]] of Object.entries(tokens)) writeFileSync(name, token(header, claims) + '\n');
