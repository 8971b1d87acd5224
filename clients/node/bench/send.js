'use strict';
// Times one large job sent through the client, for bench/compare.sh:
//   node send.js make <folder>    writes 8 pages of 25 MiB and request.json
//   node send.js send <folder>    sends them as one jobs.print, prints figures
// The pages are PNG headers for A4 at 300 DPI over random bytes: together
// they are 200 MiB on the wire, and their decoded size is over the service's
// 256 MiB budget, so the service answers KSR-3003 without decoding them and
// the time is that of the transfer.

const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const { KestruneClient, KestruneError } = require('..');

const pageCount = 8;
const pageBytes = 25 * 1024 * 1024;
const width = 2480;
const height = 3508;
const pageFile = (folder, i) => path.join(folder, `page-${i + 1}.png`);

function job() {
  return {
    clientJobId: crypto.randomUUID(),
    name: 'bench',
    printerId: 'bench',
    copies: 1,
    paper: { widthMm: 210, heightMm: 297 },
    device: { dpiX: 300, dpiY: 300, capabilityHash: 'bench' },
    pages: Array.from({ length: pageCount }, (_, i) => ({ widthDots: width, heightDots: height, format: 'png', blobIndex: i })),
  };
}

function make(folder) {
  fs.mkdirSync(folder, { recursive: true });
  const head = Buffer.from('89504e470d0a1a0a0000000d49484452', 'hex');
  for (let i = 0; i < pageCount; i++) {
    const page = crypto.randomBytes(pageBytes);
    head.copy(page, 0);
    page.writeUInt32BE(width, 16);
    page.writeUInt32BE(height, 20);
    fs.writeFileSync(pageFile(folder, i), page);
  }
  fs.writeFileSync(path.join(folder, 'request.json'), JSON.stringify({ command: 'jobs.print', job: job() }));
}

async function send(folder) {
  const pages = Array.from({ length: pageCount }, (_, i) => fs.readFileSync(pageFile(folder, i)));
  const mib = (bytes) => (bytes / 1048576).toFixed(0);
  const before = process.memoryUsage();
  const started = process.hrtime.bigint();
  let answer;
  try {
    answer = JSON.stringify(await new KestruneClient({ callerId: 'bench' }).request('jobs.print', { job: job() }, pages));
  } catch (error) {
    answer = error instanceof KestruneError ? `${error.code} ${error.message}` : String(error);
  }
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  const after = process.memoryUsage();
  console.log(`sent ${mib(pageCount * pageBytes)} MiB in ${seconds.toFixed(2)} s; answer: ${answer}`);
  console.log(
    `memory: rss ${mib(before.rss)} MiB before sending, ${mib(after.rss)} MiB after, ` +
      `peak ${mib(process.resourceUsage().maxRSS * 1024)} MiB; buffers ${mib(after.arrayBuffers)} MiB`,
  );
}

const [mode, folder] = process.argv.slice(2);
const run = { make, send }[mode];
if (!run || !folder) {
  console.error('usage: node send.js make|send <folder>');
  process.exit(2);
}
Promise.resolve(run(folder)).then(
  () => process.exit(0),
  (error) => {
    console.error(error);
    process.exit(1);
  },
);
