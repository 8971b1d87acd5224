'use strict';

const assert = require('assert');
const { execFileSync } = require('child_process');
const { test } = require('node:test');
const { encodePng, pngSize } = require('..');

// ImageMagick (installed by scripts/setup) reads the PNG back as RGBA.
function decodeWithImageMagick(png) {
  return execFileSync('convert', ['png:-', '-depth', '8', 'rgba:-'], { input: png });
}

test('encodePng writes RGBA images that another decoder reads back exactly', () => {
  const images = [
    { width: 1, height: 1 },
    { width: 3, height: 2 },
    { width: 257, height: 31 },
  ];
  for (const { width, height } of images) {
    const rgba = Buffer.alloc(width * height * 4);
    for (let i = 0; i < rgba.length; i++) rgba[i] = (i * 37 + (i >> 7)) & 0xff;
    const png = encodePng(width, height, new Uint8Array(rgba));
    assert.deepStrictEqual(pngSize(png), { width, height });
    assert.ok(decodeWithImageMagick(png).equals(rgba), `${width} x ${height}`);
  }
});

test('encodePng refuses sizes that do not match the pixels', () => {
  for (const [width, height, length] of [
    [0, 1, 0],
    [2.5, 1, 10],
    [2, 2, 15],
  ]) {
    assert.throws(() => encodePng(width, height, Buffer.alloc(length)), RangeError);
  }
});

test('pngSize refuses what is not a PNG', () => {
  for (const bytes of [Buffer.alloc(0), Buffer.from('GIF89a\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'), Buffer.alloc(30)]) {
    assert.throws(() => pngSize(bytes), TypeError);
  }
});
