'use strict';
// Prints the service's exact answers to one request of every command and to
// requests that draw each error a client can meet; docs/protocol.md quotes
// them. Run by Windows node.exe under Wine against a running service
// (scripts/run), with output to a file:
//   node protocol_answers.js > answers.txt 2>&1
// It prints one A4 page into the default printer.

const crypto = require('crypto');
const net = require('net');
const { encodePng, defaultPipePath } = require('..');
const { encodeFrame, FrameDecoder } = require('../lib/frame');

// The raw answer text to `json` (an object, or a text sent as it is).
function exchange(json, blobs = []) {
  const text = typeof json === 'string' ? json : JSON.stringify(json);
  return new Promise((resolve) => {
    const socket = net.connect(defaultPipePath);
    const decoder = new FrameDecoder();
    socket.on('connect', () => encodeFrame(text, blobs).forEach((piece) => socket.write(piece)));
    socket.on('data', (chunk) => {
      const [frame] = decoder.push(chunk);
      if (frame) resolve(frame.json), socket.destroy();
    });
    socket.on('error', (error) => resolve(`(${error.code})`));
    socket.on('close', () => resolve('(connection closed without an answer)'));
  });
}

function envelope(command, payload = {}) {
  return {
    protocol: 1,
    requestId: crypto.randomUUID(),
    callerId: 'my-app',
    timestampUtcMs: Date.now(),
    command,
    ...payload,
  };
}

async function show(title, request, blobs = []) {
  const answer = await exchange(request, blobs);
  console.log(`### ${title}`);
  const shown = typeof request === 'string' ? request : JSON.stringify(request);
  console.log(`request: ${shown.length > 600 ? shown.slice(0, 600) + '…' : shown}${blobs.length ? ` + ${blobs.length} blob(s)` : ''}`);
  console.log(`answer:  ${answer}\n`);
  return answer.startsWith('{') ? JSON.parse(answer) : null;
}

const result = (answer) => answer.result;
const reference = (clientJobId) => ({ jobReference: { clientJobId } });

async function main() {
  await show('system.hello', envelope('system.hello'));
  await show('system.health', envelope('system.health'));
  const list = result(await show('printers.list', envelope('printers.list')));
  const printer = list.printers.find((p) => p.isDefault);
  const caps = result(await show('printers.capabilities', envelope('printers.capabilities', { printer: { printerId: printer.printerId } })));
  const a4 = caps.papers.find((paper) => paper.id === '9');
  const widthMm = a4.widthMicrometers / 1000;
  const heightMm = a4.heightMicrometers / 1000;
  const width = Math.round((widthMm * caps.dpiX) / 25.4);
  const height = Math.round((heightMm * caps.dpiY) / 25.4);
  const rgba = Buffer.alloc(width * height * 4, 255);
  rgba.fill(0, 0, width * 4 * 50);
  const png = encodePng(width, height, rgba);
  const job = (clientJobId, extra = {}) => ({
    job: {
      clientJobId,
      name: 'invoice 1042',
      printerId: caps.printerId,
      copies: 1,
      paper: { widthMm, heightMm },
      device: { dpiX: caps.dpiX, dpiY: caps.dpiY, capabilityHash: caps.capabilityHash },
      pages: [{ widthDots: width, heightDots: height, format: 'png', blobIndex: 0 }],
      ...extra,
    },
  });
  const printed = crypto.randomUUID();
  await show('jobs.print', envelope('jobs.print', job(printed)), [png]);
  await show('jobs.print again, same clientJobId and pages', envelope('jobs.print', job(printed)), [png]);
  await show('jobs.status', envelope('jobs.status', reference(printed)));
  await show('jobs.cancel of a job the spooler has taken', envelope('jobs.cancel', reference(printed)));
  const previewed = crypto.randomUUID();
  await show('jobs.preview', envelope('jobs.preview', job(previewed)), [png]);
  await show('system.health during a preview', envelope('system.health'));
  await show('jobs.preview.prepare while a preview is open', envelope('jobs.preview.prepare', reference(crypto.randomUUID())));
  await show('jobs.preview of another job while a preview is open', envelope('jobs.preview', job(crypto.randomUUID())), [png]);
  await show('jobs.cancel of the previewed job', envelope('jobs.cancel', reference(previewed)));
  const prepared = crypto.randomUUID();
  await show('jobs.preview.prepare', envelope('jobs.preview.prepare', reference(prepared)));
  await show('jobs.preview.complete', envelope('jobs.preview.complete', job(prepared)), [png]);
  await show('jobs.cancel (closes the preview)', envelope('jobs.cancel', reference(prepared)));
  const dismissed = crypto.randomUUID();
  await show('jobs.preview.prepare', envelope('jobs.preview.prepare', reference(dismissed)));
  await show('jobs.preview.dismiss', envelope('jobs.preview.dismiss', reference(dismissed)));
  await show('jobs.preview.dismiss again', envelope('jobs.preview.dismiss', reference(dismissed)));
  await show('jobs.preview.complete after the dismiss', envelope('jobs.preview.complete', job(dismissed)), [png]);
  await show('settings.getCalibration', envelope('settings.getCalibration'));
  await show('settings.openCalibration', envelope('settings.openCalibration'));

  await show('not JSON', 'hello');
  await show('protocol 2', { ...envelope('system.hello'), protocol: 2 });
  await show('unknown command', envelope('system.reboot'));
  await show('requestId with braces', { ...envelope('system.hello'), requestId: `{${crypto.randomUUID()}}` });
  await show('clock 10 minutes off', { ...envelope('system.hello'), timestampUtcMs: Date.now() - 600000 });
  await show('unknown member', { ...envelope('system.hello'), verbose: true });
  await show('blob on a command without pages', envelope('jobs.status', reference(printed)), [png]);
  await show('printers.capabilities without printer', envelope('printers.capabilities'));
  await show('printers.capabilities of an unknown printer', envelope('printers.capabilities', { printer: { printerId: '0'.repeat(64) } }));
  await show('jobs.status without jobReference', envelope('jobs.status'));
  await show('jobs.status of an unknown job', envelope('jobs.status', reference(crypto.randomUUID())));
  await show('jobs.print without job', envelope('jobs.print'));
  await show('copies 0', envelope('jobs.print', job(crypto.randomUUID(), { copies: 0 })), [png]);
  await show('copies 2.5', envelope('jobs.print', job(crypto.randomUUID(), { copies: 2.5 })), [png]);
  await show('allowPrinterReselect in jobs.print', envelope('jobs.print', job(crypto.randomUUID(), { allowPrinterReselect: true })), [png]);
  await show('a page without its blob', envelope('jobs.print', job(crypto.randomUUID())));
  await show('stale capabilityHash', envelope('jobs.print', job(crypto.randomUUID(), { device: { dpiX: caps.dpiX, dpiY: caps.dpiY, capabilityHash: 'f'.repeat(64) } })), [png]);
  await show('resolution other than the printer\'s', envelope('jobs.print', job(crypto.randomUUID(), { device: { dpiX: caps.dpiX * 2, dpiY: caps.dpiY * 2, capabilityHash: caps.capabilityHash } })), [png]);
  const small = encodePng(width - 1, height, Buffer.alloc((width - 1) * height * 4, 255));
  await show('PNG one dot narrower than the page says', envelope('jobs.print', job(crypto.randomUUID())), [small]);
  await show('blob that is not a PNG', envelope('jobs.print', job(crypto.randomUUID())), [Buffer.from('not a png')]);
  const other = Buffer.from(rgba);
  other.fill(0, width * 4 * 100, width * 4 * 150);
  await show('same clientJobId, other pages', envelope('jobs.print', job(printed)), [encodePng(width, height, other)]);
  await show('jobs.preview.dismiss of nothing prepared', envelope('jobs.preview.dismiss', reference(crypto.randomUUID())));
  const head = Buffer.alloc(4);
  head.writeUInt32LE(1048577, 0);
  console.log('### JSON length 1,048,577');
  console.log(`answer:  ${await rawBytes(head)}\n`);
}

function rawBytes(bytes) {
  return new Promise((resolve) => {
    const socket = net.connect(defaultPipePath, () => socket.write(bytes));
    socket.on('data', (chunk) => resolve(chunk.toString('hex')));
    // Writing after the service closed its end fails with EPIPE.
    socket.on('error', () => resolve('(connection closed without an answer)'));
    socket.on('close', () => resolve('(connection closed without an answer)'));
  });
}

main().then(
  () => process.exit(0),
  (error) => {
    console.error(error);
    process.exit(1);
  },
);
