'use strict';
// The frame that carries every request and answer on the pipe: a 4-byte JSON
// length, the UTF-8 JSON text, a 4-byte blob count, then per blob an 8-byte
// length and its bytes; all integers little-endian.

const { KestruneError } = require('./errors');

const limits = Object.freeze({
  maxJsonLength: 1048576,
  maxBlobCount: 200,
  maxBlobLength: 33554432,
  maxTotalBlobLength: 268435456,
});

// The service drops a connection that sends a frame over these limits
// without answering, so a request over them fails here, with the code and
// text the service uses for a frame it cannot encode.
function frameTooLarge(requestId) {
  return new KestruneError('KSR-1003', '消息帧超过允许大小', requestId);
}

// The frame of `jsonText` and `blobs` as a list of buffers to write in order.
// Blobs are not copied: each is written from the caller's own buffer, so a
// job's pages sit in memory once however large the job is.
function encodeFrame(jsonText, blobs = [], requestId = '') {
  const json = Buffer.from(jsonText, 'utf8');
  if (json.length > limits.maxJsonLength || blobs.length > limits.maxBlobCount) throw frameTooLarge(requestId);
  let total = 0;
  for (const blob of blobs) {
    if (blob.length > limits.maxBlobLength || total > limits.maxTotalBlobLength - blob.length) {
      throw frameTooLarge(requestId);
    }
    total += blob.length;
  }
  const head = Buffer.allocUnsafe(4 + json.length + 4);
  head.writeUInt32LE(json.length, 0);
  json.copy(head, 4);
  head.writeUInt32LE(blobs.length, 4 + json.length);
  const pieces = [head];
  for (const blob of blobs) {
    const length = Buffer.allocUnsafe(8);
    length.writeBigUInt64LE(BigInt(blob.length), 0);
    pieces.push(length, blob);
  }
  return pieces;
}

function malformed(what) {
  const error = new Error(`the service sent a malformed frame: ${what}`);
  error.code = 'EPROTO';
  return error;
}

// Reassembles frames from the chunks a stream delivers, however they are
// split. push() returns the frames completed by the chunk ({ json, blobs });
// a field over the limits throws an EPROTO error before anything behind it
// is buffered.
class FrameDecoder {
  constructor() {
    this.chunks = [];
    this.buffered = 0;
    this.frame = null; // the frame being read: { json, blobs, count, total }
    this.need = { field: 'jsonLength', size: 4 };
  }

  push(chunk) {
    this.chunks.push(chunk);
    this.buffered += chunk.length;
    const frames = [];
    while (this.buffered >= this.need.size) {
      const done = this.take(this.read(this.need.size));
      if (done) frames.push(done);
    }
    return frames;
  }

  // The next `size` buffered bytes, joined only when they span chunks.
  read(size) {
    if (this.chunks.length > 1 && this.chunks[0].length < size) this.chunks = [Buffer.concat(this.chunks)];
    const first = this.chunks.length > 0 ? this.chunks[0] : Buffer.alloc(0);
    const bytes = first.subarray(0, size);
    if (first.length === size) this.chunks.shift();
    else this.chunks[0] = first.subarray(size);
    this.buffered -= size;
    return bytes;
  }

  // Consumes one field; returns the frame it completes, if any.
  take(bytes) {
    switch (this.need.field) {
      case 'jsonLength': {
        const length = bytes.readUInt32LE(0);
        if (length > limits.maxJsonLength) throw malformed(`JSON length ${length}`);
        this.frame = { json: '', blobs: [], count: 0, total: 0 };
        this.need = { field: 'json', size: length };
        return null;
      }
      case 'json':
        this.frame.json = bytes.toString('utf8');
        this.need = { field: 'blobCount', size: 4 };
        return null;
      case 'blobCount':
        this.frame.count = bytes.readUInt32LE(0);
        if (this.frame.count > limits.maxBlobCount) throw malformed(`blob count ${this.frame.count}`);
        return this.nextBlob();
      case 'blobLength': {
        const length = bytes.readBigUInt64LE(0);
        if (length > BigInt(limits.maxBlobLength) || this.frame.total > limits.maxTotalBlobLength - Number(length)) {
          throw malformed(`blob length ${length}`);
        }
        this.frame.total += Number(length);
        this.need = { field: 'blob', size: Number(length) };
        return null;
      }
      default: // 'blob'
        this.frame.blobs.push(Buffer.from(bytes));
        return this.nextBlob();
    }
  }

  nextBlob() {
    if (this.frame.blobs.length < this.frame.count) {
      this.need = { field: 'blobLength', size: 8 };
      return null;
    }
    const { json, blobs } = this.frame;
    this.frame = null;
    this.need = { field: 'jsonLength', size: 4 };
    return { json, blobs };
  }
}

module.exports = { limits, encodeFrame, FrameDecoder };
