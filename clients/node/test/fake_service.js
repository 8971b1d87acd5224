'use strict';
// A stand-in for the service on a Unix socket: it reads request frames and
// lets each test decide what the "service" does with them.

const fs = require('fs');
const net = require('net');
const os = require('os');
const path = require('path');
const { encodeFrame, FrameDecoder } = require('../lib/frame');

let serial = 0;

// `serve(request, socket)` gets { envelope, blobs } for each request frame.
async function startFakeService(serve) {
  const pipePath = path.join(os.tmpdir(), `kestrune-node-test-${process.pid}-${serial++}.sock`);
  fs.rmSync(pipePath, { force: true });
  const requests = [];
  const server = net.createServer((socket) => {
    const decoder = new FrameDecoder();
    socket.on('error', () => {});
    socket.on('data', (chunk) => {
      for (const frame of decoder.push(chunk)) {
        const request = { envelope: JSON.parse(frame.json), blobs: frame.blobs };
        requests.push(request);
        serve(request, socket);
      }
    });
  });
  await new Promise((resolve) => server.listen(pipePath, resolve));
  return {
    pipePath,
    requests,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// The service's answer frame.
function answer(socket, json) {
  for (const piece of encodeFrame(JSON.stringify(json))) socket.write(piece);
}

function okAnswer(socket, request, result) {
  answer(socket, { protocol: 1, requestId: request.envelope.requestId, ok: true, result });
}

module.exports = { startFakeService, answer, okAnswer };
