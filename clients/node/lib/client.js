'use strict';

const crypto = require('crypto');
const net = require('net');
const { once } = require('events');
const { encodeFrame, FrameDecoder } = require('./frame');
const { KestruneError } = require('./errors');
const { pngSize } = require('./png');

const defaultPipePath = '\\\\.\\pipe\\LOCAL\\Kestrune.v1';

// The pipe has one instance: while another program holds it, Windows
// answers ERROR_PIPE_BUSY (EBUSY). libuv then waits inside WaitNamedPipe
// and gives up with ETIMEDOUT after 30 s. Both mean "try again".
const busyCodes = new Set(['EBUSY', 'ETIMEDOUT', 'EAGAIN']);
const busyRetryMs = 50;

function stayedBusy(path, timeoutMs) {
  const error = new Error(`the pipe ${path} stayed busy for ${timeoutMs} ms: another program holds it`);
  error.code = 'EBUSY';
  return error;
}

function delay(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Pages as the protocol describes them, and the PNGs behind them as blobs
// numbered in page order.
function pagesOf(job) {
  if (!Array.isArray(job.pages)) throw new TypeError('job.pages must be a list of PNG buffers');
  const blobs = job.pages.map((page) => {
    const png = page instanceof Uint8Array ? page : page && page.png;
    if (!(png instanceof Uint8Array)) throw new TypeError('each page must be a PNG buffer or { png }');
    return png;
  });
  const pages = blobs.map((png, blobIndex) => {
    const { width, height } = pngSize(png);
    return { widthDots: width, heightDots: height, format: 'png', blobIndex };
  });
  return { pages, blobs };
}

class KestruneClient {
  // options: callerId (names this program to the service), timeoutMs (how
  // long to wait for a busy pipe, default 30000), pipePath (the service's
  // pipe by default), createConnection (path → net.Socket, net.connect by
  // default, as in Node's http agents).
  constructor(options = {}) {
    this.callerId = options.callerId || 'kestrune-node';
    this.timeoutMs = options.timeoutMs === undefined ? 30000 : options.timeoutMs;
    this.pipePath = options.pipePath || defaultPipePath;
    this.createConnection = options.createConnection || net.connect;
  }

  hello() {
    return this.request('system.hello');
  }

  health() {
    return this.request('system.health');
  }

  listPrinters() {
    return this.request('printers.list');
  }

  capabilities(printerId) {
    return this.request('printers.capabilities', { printer: { printerId } });
  }

  print(job) {
    return this.sendJob('jobs.print', job);
  }

  status(clientJobId) {
    return this.aboutJob('jobs.status', clientJobId);
  }

  cancel(clientJobId) {
    return this.aboutJob('jobs.cancel', clientJobId);
  }

  preview(job) {
    return this.sendJob('jobs.preview', job);
  }

  previewPrepare(clientJobId) {
    return this.aboutJob('jobs.preview.prepare', clientJobId);
  }

  previewComplete(job) {
    return this.sendJob('jobs.preview.complete', job);
  }

  previewDismiss(clientJobId) {
    return this.aboutJob('jobs.preview.dismiss', clientJobId);
  }

  // A command about one job, named by its clientJobId.
  aboutJob(command, clientJobId) {
    return this.request(command, { jobReference: { clientJobId } });
  }

  // A job with its pages as blobs and a clientJobId (a fresh one unless the
  // job has its own), which the result carries back.
  async sendJob(command, job) {
    const { pages, blobs } = pagesOf(job);
    const clientJobId = job.clientJobId || crypto.randomUUID();
    const result = await this.request(command, { job: { ...job, clientJobId, pages } }, blobs);
    return { ...result, clientJobId };
  }

  // Sends `command` with the members of `payload` beside the envelope's
  // (for example { printer: { printerId } }) and `blobs`, on a connection of
  // its own, and resolves with the answer's result.
  async request(command, payload = {}, blobs = []) {
    const requestId = crypto.randomUUID();
    const envelope = { protocol: 1, requestId, callerId: this.callerId, timestampUtcMs: Date.now(), command };
    const frame = encodeFrame(JSON.stringify({ ...envelope, ...payload }), blobs, requestId);
    const socket = await this.connect();
    let answer;
    try {
      answer = await exchange(socket, frame);
    } finally {
      socket.destroy();
    }
    if (answer.ok === true) return answer.result;
    const error = answer.error || {};
    throw new KestruneError(error.code, error.message, requestId);
  }

  // A connected socket, waiting for a busy pipe until timeoutMs has passed.
  async connect() {
    const deadline = Date.now() + this.timeoutMs;
    for (;;) {
      const left = deadline - Date.now();
      if (left <= 0) throw stayedBusy(this.pipePath, this.timeoutMs);
      const socket = this.createConnection(this.pipePath);
      const outcome = await settle(socket, left);
      if (outcome === 'connected') return socket;
      socket.destroy();
      if (outcome === 'timeout') throw stayedBusy(this.pipePath, this.timeoutMs);
      if (!busyCodes.has(outcome.code)) throw outcome;
      await delay(Math.min(busyRetryMs, Math.max(0, deadline - Date.now())));
    }
  }
}

// 'connected', 'timeout' after `ms`, or the connection's error.
function settle(socket, ms) {
  return new Promise((resolve) => {
    const done = (outcome) => {
      clearTimeout(timer);
      socket.off('connect', onConnect);
      socket.off('error', onError);
      resolve(outcome);
    };
    const onConnect = () => done('connected');
    const onError = (error) => done(error);
    const timer = setTimeout(() => done('timeout'), ms);
    socket.once('connect', onConnect);
    socket.once('error', onError);
  });
}

// Writes the frame's pieces as the pipe takes them and resolves with the
// parsed JSON of the one frame that answers it.
function exchange(socket, pieces) {
  return new Promise((resolve, reject) => {
    const decoder = new FrameDecoder();
    let settled = false;
    const finish = (error, answer) => {
      if (settled) return;
      settled = true;
      if (error) reject(error);
      else resolve(answer);
    };
    socket.on('data', (chunk) => {
      try {
        const [frame] = decoder.push(chunk);
        if (frame) finish(null, JSON.parse(frame.json));
      } catch (error) {
        if (!error.code) error.code = 'EPROTO';
        finish(error);
      }
    });
    socket.on('error', (error) => finish(error));
    socket.on('close', () => {
      const error = new Error('the service closed the connection without answering');
      error.code = 'ECONNRESET';
      finish(error);
    });
    (async () => {
      for (const piece of pieces) {
        if (settled) return;
        if (!socket.write(piece)) await Promise.race([once(socket, 'drain'), once(socket, 'close')]);
      }
    })().catch((error) => finish(error));
  });
}

module.exports = { KestruneClient, defaultPipePath };
