'use strict';

const assert = require('assert');
const { test } = require('node:test');
const { encodeFrame, FrameDecoder, limits } = require('../lib/frame');

const frames = [
  { name: 'JSON only', json: '{"protocol":1,"ok":true,"result":{"printers":[]}}', blobs: [] },
  { name: 'empty JSON', json: '', blobs: [] },
  { name: 'Chinese text', json: '{"message":"找不到指定打印机"}', blobs: [] },
  {
    name: 'blobs, one of them empty',
    json: '{"a":1}',
    blobs: [Buffer.from([1, 2, 3]), Buffer.alloc(0), Buffer.from('\x89PNG')],
  },
];

test('a frame split at any byte decodes to what was encoded', () => {
  for (const { name, json, blobs } of frames) {
    const bytes = Buffer.concat(encodeFrame(json, blobs));
    for (let split = 0; split <= bytes.length; split++) {
      const decoder = new FrameDecoder();
      const decoded = [...decoder.push(bytes.subarray(0, split)), ...decoder.push(bytes.subarray(split))];
      assert.deepStrictEqual(decoded, [{ json, blobs }], `${name}, split at ${split}`);
    }
    const byteByByte = new FrameDecoder();
    const decoded = [...bytes].flatMap((byte) => byteByByte.push(Buffer.from([byte])));
    assert.deepStrictEqual(decoded, [{ json, blobs }], `${name}, one byte at a time`);
  }
});

test('frames back to back in one chunk each decode', () => {
  const bytes = Buffer.concat(frames.flatMap(({ json, blobs }) => encodeFrame(json, blobs)));
  const decoded = new FrameDecoder().push(bytes);
  assert.deepStrictEqual(
    decoded,
    frames.map(({ json, blobs }) => ({ json, blobs })),
  );
});

test('the layout is little-endian lengths around the JSON and each blob', () => {
  const bytes = Buffer.concat(encodeFrame('{}', [Buffer.from([0xaa, 0xbb])]));
  assert.strictEqual(bytes.toString('hex'), '020000007b7d01000000' + '0200000000000000' + 'aabb');
});

// One buffer stands for every blob at a limit, so nothing large is touched.
const big = Buffer.allocUnsafe(limits.maxBlobLength + 1);
const atLimit = big.subarray(0, limits.maxBlobLength);

test('a request over a limit is refused before sending, at the limit it is framed', () => {
  const cases = [
    { name: 'JSON of 1 MiB', json: 'x'.repeat(limits.maxJsonLength), blobs: [], ok: true },
    { name: 'JSON one byte longer', json: 'x'.repeat(limits.maxJsonLength + 1), blobs: [], ok: false },
    { name: '200 blobs', json: '{}', blobs: Array(200).fill(Buffer.alloc(1)), ok: true },
    { name: '201 blobs', json: '{}', blobs: Array(201).fill(Buffer.alloc(1)), ok: false },
    { name: 'a 32 MiB blob', json: '{}', blobs: [atLimit], ok: true },
    { name: 'a blob one byte longer', json: '{}', blobs: [big], ok: false },
    { name: '256 MiB in all', json: '{}', blobs: Array(8).fill(atLimit), ok: true },
    { name: 'one byte more in all', json: '{}', blobs: [...Array(8).fill(atLimit), Buffer.alloc(1)], ok: false },
  ];
  for (const { name, json, blobs, ok } of cases) {
    if (ok) {
      assert.doesNotThrow(() => encodeFrame(json, blobs, 'id'), name);
    } else {
      assert.throws(
        () => encodeFrame(json, blobs, 'id'),
        { name: 'KestruneError', code: 'KSR-1003', message: '消息帧超过允许大小', requestId: 'id' },
        name,
      );
    }
  }
});

function header(jsonLength, blobCount, blobLengths = []) {
  const bytes = Buffer.alloc(8 + 8 * blobLengths.length);
  bytes.writeUInt32LE(jsonLength, 0);
  bytes.writeUInt32LE(blobCount, 4);
  blobLengths.forEach((length, i) => bytes.writeBigUInt64LE(BigInt(length), 8 + 8 * i));
  return bytes;
}

test('an answer over a limit fails at the field that carries it', () => {
  const cases = [
    { name: 'JSON length', bytes: header(limits.maxJsonLength + 1, 0).subarray(0, 4) },
    { name: 'blob count', bytes: header(0, limits.maxBlobCount + 1) },
    { name: 'blob length', bytes: header(0, 1, [limits.maxBlobLength + 1]) },
    { name: 'blob total', bytes: header(0, 9, Array(9).fill(limits.maxBlobLength)), before: 8 },
  ];
  for (const { name, bytes, before = 0 } of cases) {
    const decoder = new FrameDecoder();
    // The blob total can only be exceeded once earlier blobs arrived.
    const withBlobs = before === 0 ? [bytes] : fakeBlobs(bytes, before);
    assert.throws(() => withBlobs.forEach((chunk) => decoder.push(chunk)), { code: 'EPROTO' }, name);
  }
});

// The header's blobs as chunks, each blob before the next length.
function fakeBlobs(bytes, count) {
  const chunks = [bytes.subarray(0, 8)];
  for (let i = 0; i < count; i++) chunks.push(bytes.subarray(8 + 8 * i, 16 + 8 * i), atLimit);
  chunks.push(bytes.subarray(8 + 8 * count, 16 + 8 * count));
  return chunks;
}
