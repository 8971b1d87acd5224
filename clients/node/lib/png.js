'use strict';
// Just enough PNG for a client: the size of a page from its header, and an
// RGBA image written as a PNG with Node's own zlib.

const zlib = require('zlib');

const signature = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

// { width, height } from the IHDR chunk, which a PNG must start with.
function pngSize(bytes) {
  const png = Buffer.isBuffer(bytes) ? bytes : Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (png.length < 24 || !signature.equals(png.subarray(0, 8)) || png.toString('latin1', 12, 16) !== 'IHDR') {
    throw new TypeError('a page is not a PNG image');
  }
  return { width: png.readUInt32BE(16), height: png.readUInt32BE(20) };
}

const crcTable = new Int32Array(256).map((_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c;
});

function crc32(bytes, crc = -1) {
  for (let i = 0; i < bytes.length; i++) crc = crcTable[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return crc;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const tail = Buffer.alloc(4);
  tail.writeInt32BE(~crc32(data, crc32(head.subarray(4))), 0);
  return [head, data, tail];
}

// `rgba` holds width × height pixels, 4 bytes each (red, green, blue,
// alpha), row by row from the top; the PNG is 8-bit RGBA, not interlaced.
function encodePng(width, height, rgba) {
  if (!Number.isInteger(width) || !Number.isInteger(height) || width < 1 || height < 1) {
    throw new RangeError('the image needs a whole width and height of at least 1');
  }
  const stride = width * 4;
  if (!rgba || rgba.length !== stride * height) throw new RangeError(`the image needs ${stride * height} bytes`);
  const pixels = Buffer.from(rgba.buffer, rgba.byteOffset, rgba.byteLength);
  // Each row is preceded by its filter type, 0 (none).
  const rows = Buffer.alloc((stride + 1) * height);
  for (let y = 0; y < height; y++) pixels.copy(rows, y * (stride + 1) + 1, y * stride, (y + 1) * stride);
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 6, 0, 0, 0], 8); // depth 8, colour type RGBA, deflate, filter set 0, no interlace
  return Buffer.concat([
    signature,
    ...chunk('IHDR', header),
    ...chunk('IDAT', zlib.deflateSync(rows)),
    ...chunk('IEND', Buffer.alloc(0)),
  ]);
}

module.exports = { pngSize, encodePng };
