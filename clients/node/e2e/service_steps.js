'use strict';
// Steps of the client's end-to-end test, run by Windows node.exe under Wine
// against the real service (tests/app/win32/node_client_service_test.cpp
// starts the service, runs one step per process and collects the PDFs):
//   node service_steps.js <step>
// Each step reads and writes its state in node-e2e.json in the current
// folder, writes each page it prints as <name>-1.expected.pgm beside
// <name>.dpi, and exits with 0 when every check passed.

const assert = require('assert');
const fs = require('fs');
const net = require('net');
const { KestruneClient, KestruneError, encodePng, defaultPipePath } = require('..');

const stateFile = 'node-e2e.json';
const client = new KestruneClient({ callerId: 'node-e2e', timeoutMs: 60000 });

const readState = () => JSON.parse(fs.readFileSync(stateFile, 'utf8'));
const writeState = (state) => fs.writeFileSync(stateFile, JSON.stringify(state, null, 1));
const dots = (mm, dpi) => Math.round((mm * dpi) / 25.4);

// A page that shows whether it was printed dot for dot: a one-dot frame, a
// one-dot checkerboard, bars 1 to 10 dots wide, a transparent area (white on
// paper) and `mark` blocks that tell pages apart.
function pattern(width, height, mark) {
  const grey = Buffer.alloc(width * height, 255);
  const alpha = Buffer.alloc(width * height, 255);
  const set = (x, y, value) => {
    if (x >= 0 && x < width && y >= 0 && y < height) grey[y * width + x] = value;
  };
  for (let x = 0; x < width; x++) set(x, 0, 0), set(x, height - 1, 0);
  for (let y = 0; y < height; y++) set(0, y, 0), set(width - 1, y, 0);
  for (let y = 100; y < 300; y++) for (let x = 100; x < 300; x++) set(x, y, (x + y) % 2 === 0 ? 0 : 255);
  for (let bar = 1, x = 400; bar <= 10; x += 2 * bar, bar++) {
    for (let y = 100; y < 300; y++) for (let i = 0; i < bar; i++) set(x + i, y, 0);
  }
  for (let y = 400; y < 600; y++) for (let x = 100; x < 300; x++) alpha[y * width + x] = 0; // black, but transparent
  for (let y = 400; y < 600; y++) for (let x = 100; x < 300; x++) grey[y * width + x] = 0;
  for (let block = 0; block < mark; block++) {
    for (let y = 20; y < 60; y++) for (let i = 0; i < 40; i++) set(700 + 60 * block + i, y, 0);
  }
  const rgba = Buffer.alloc(width * height * 4);
  const onPaper = Buffer.alloc(width * height);
  for (let i = 0; i < width * height; i++) {
    rgba.fill(grey[i], 4 * i, 4 * i + 3);
    rgba[4 * i + 3] = alpha[i];
    onPaper[i] = alpha[i] === 0 ? 255 : grey[i];
  }
  return { png: encodePng(width, height, rgba), pgm: Buffer.concat([Buffer.from(`P5\n${width} ${height}\n255\n`), onPaper]) };
}

// The job for the PDF printer's A4 paper at its resolution, with one page.
function a4Job(state, mark, name) {
  const page = pattern(state.a4.widthDots, state.a4.heightDots, mark);
  fs.writeFileSync(`${name}-1.expected.pgm`, page.pgm);
  fs.writeFileSync(`${name}.dpi`, String(state.dpiX));
  return {
    name,
    printerId: state.printerId,
    copies: 1,
    paper: { widthMm: state.a4.widthMm, heightMm: state.a4.heightMm },
    device: { dpiX: state.dpiX, dpiY: state.dpiY, capabilityHash: state.capabilityHash },
    pages: [page.png],
  };
}

async function rejection(promise) {
  const error = await promise.then(
    () => assert.fail('expected the service to refuse'),
    (e) => e,
  );
  assert.ok(error instanceof KestruneError, String(error));
  return { code: error.code, message: error.message };
}

const steps = {
  // The printers, the PDF printer's capabilities, and a first page.
  async print() {
    assert.deepStrictEqual(await client.hello(), { protocol: 1, serverVersion: '0.1.0' });
    const { printers } = await client.listPrinters();
    const pdf = printers.find((printer) => printer.displayName === 'PDF');
    assert.ok(pdf, JSON.stringify(printers));
    assert.strictEqual(pdf.isDefault, true);
    const caps = await client.capabilities(pdf.printerId);
    const a4 = caps.papers.find((paper) => paper.id === '9');
    const state = {
      printerId: caps.printerId,
      capabilityHash: caps.capabilityHash,
      dpiX: caps.dpiX,
      dpiY: caps.dpiY,
      a4: {
        widthMm: a4.widthMicrometers / 1000,
        heightMm: a4.heightMicrometers / 1000,
        widthDots: dots(a4.widthMicrometers / 1000, caps.dpiX),
        heightDots: dots(a4.heightMicrometers / 1000, caps.dpiY),
      },
    };
    const first = await client.print(a4Job(state, 1, 'node-first'));
    assert.strictEqual(first.state, 'Queued', JSON.stringify(first));
    assert.ok(first.windowsJobId > 0);
    writeState({ ...state, first });
  },

  // The same job again is answered from its record; other content under its
  // id and a stale digest are refused; then a second page prints.
  async again() {
    const state = readState();
    const job = a4Job(state, 1, 'node-first');
    const again = await client.print({ ...job, clientJobId: state.first.clientJobId });
    assert.deepStrictEqual(again, state.first);
    const { clientJobId, ...record } = state.first;
    assert.deepStrictEqual(await client.status(clientJobId), record);
    const other = a4Job(state, 3, 'node-unprinted');
    assert.deepStrictEqual(await rejection(client.print({ ...other, clientJobId })), {
      code: 'KSR-4002',
      message: '相同 clientJobId 对应不同打印内容',
    });
    const stale = { ...other, device: { ...other.device, capabilityHash: '0'.repeat(64) } };
    assert.strictEqual((await rejection(client.print(stale))).code, 'KSR-2007');
    const second = await client.print(a4Job(state, 2, 'node-second'));
    assert.strictEqual(second.state, 'Queued', JSON.stringify(second));
    assert.notStrictEqual(second.jobId, state.first.jobId);
    writeState({ ...state, second });
  },

  // Cancelling: a job the spooler already took, previews the client
  // cancels or dismisses, and a job the service does not know.
  async cancel() {
    const state = readState();
    const { clientJobId, ...queued } = state.second;
    // Wine's spooler forgets a document once it is handed to CUPS, so it
    // refuses the cancel and the job stays as it was.
    assert.strictEqual((await rejection(client.cancel(clientJobId))).code, 'KSR-4009');
    assert.deepStrictEqual(await client.status(clientJobId), queued);

    const shown = await client.preview(a4Job(state, 4, 'node-previewed'));
    assert.deepStrictEqual(Object.keys(shown), ['accepted', 'jobId', 'state', 'clientJobId']);
    assert.strictEqual(shown.state, 'Previewing');
    assert.strictEqual((await client.health()).activePreview, true);
    const cancelled = { jobId: shown.jobId, state: 'Cancelled' };
    assert.deepStrictEqual(await client.cancel(shown.clientJobId), cancelled);
    assert.deepStrictEqual(await client.cancel(shown.clientJobId), cancelled);
    assert.deepStrictEqual(await client.health(), { status: 'Running', activePreview: false });

    const completed = '6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e98';
    assert.deepStrictEqual(await client.previewPrepare(completed), { accepted: true });
    const job = { ...a4Job(state, 5, 'node-completed'), clientJobId: completed };
    assert.strictEqual((await client.previewComplete(job)).state, 'Previewing');
    assert.strictEqual((await client.cancel(completed)).state, 'Cancelled');

    const prepared = '6d1b4f0e-8c53-4a8e-9a0e-2b1f3c4d5e99';
    assert.deepStrictEqual(await client.previewPrepare(prepared), { accepted: true });
    assert.strictEqual((await client.health()).activePreview, true);
    assert.deepStrictEqual(await client.previewDismiss(prepared), { accepted: true });
    assert.deepStrictEqual(await rejection(client.previewDismiss(prepared)), {
      code: 'KSR-4005',
      message: '预览准备已结束或已取消',
    });

    assert.deepStrictEqual(await rejection(client.cancel('00000000-0000-4000-8000-000000000000')), {
      code: 'KSR-4001',
      message: '找不到指定打印任务',
    });
  },

  // While another program holds the pipe, a client with time to spare waits
  // for it and one with little time gives up when its time is up.
  async busy() {
    const holder = net.connect(defaultPipePath);
    await new Promise((resolve, reject) => holder.once('connect', resolve).once('error', reject));
    let waited = false;
    const patient = client.hello().finally(() => (waited = true));
    const impatient = new KestruneClient({ callerId: 'node-e2e', timeoutMs: 2000 });
    const started = Date.now();
    await assert.rejects(impatient.hello(), { code: 'EBUSY' });
    const took = Date.now() - started;
    assert.ok(took >= 1990 && took < 10000, `gave up after ${took} ms`);
    assert.strictEqual(waited, false, 'the patient client got through while the pipe was held');
    holder.destroy();
    assert.deepStrictEqual(await patient, { protocol: 1, serverVersion: '0.1.0' });
  },
};

const step = steps[process.argv[2]];
if (!step) {
  console.error(`usage: node service_steps.js ${Object.keys(steps).join('|')}`);
  process.exit(2);
}
step().then(
  () => process.exit(0),
  (error) => {
    console.error(error);
    process.exit(1);
  },
);
