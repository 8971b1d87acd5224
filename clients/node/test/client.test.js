'use strict';

const assert = require('assert');
const net = require('net');
const { test } = require('node:test');
const { KestruneClient, KestruneError, encodePng } = require('..');
const { startFakeService, answer, okAnswer } = require('./fake_service');

const uuid = /^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$/;

async function withService(serve, body) {
  const service = await startFakeService(serve);
  try {
    await body(service, new KestruneClient({ callerId: 'test', pipePath: service.pipePath, timeoutMs: 2000 }));
  } finally {
    await service.close();
  }
}

const page = (width, height) => encodePng(width, height, Buffer.alloc(width * height * 4, 255));
const job = { name: 'label', printerId: 'p1', copies: 1, paper: { widthMm: 10, heightMm: 20 } };

test('a job goes in an envelope with its pages as numbered blobs sized from their PNG headers', async () => {
  const pages = [page(3, 5), page(7, 2)];
  const cases = [
    { command: 'jobs.print', send: (c, j) => c.print(j) },
    { command: 'jobs.preview', send: (c, j) => c.preview(j) },
    { command: 'jobs.preview.complete', send: (c, j) => c.previewComplete(j) },
  ];
  await withService(
    (request, socket) => okAnswer(socket, request, { jobId: 'ks-job-1', state: 'Queued' }),
    async (service, client) => {
      for (const { command, send } of cases) {
        for (const given of [undefined, '0c6f4b9e-1d2a-4c3b-8e5f-6a7b8c9d0e1f']) {
          const result = await send(client, { ...job, clientJobId: given, pages: [pages[0], { png: pages[1] }] });
          const sent = service.requests.at(-1);
          const { protocol, requestId, callerId, timestampUtcMs } = sent.envelope;
          assert.deepStrictEqual({ protocol, callerId }, { protocol: 1, callerId: 'test' });
          assert.match(requestId, uuid);
          assert.ok(Math.abs(timestampUtcMs - Date.now()) < 5000);
          const clientJobId = given || result.clientJobId;
          assert.match(clientJobId, uuid);
          assert.deepStrictEqual(result, { jobId: 'ks-job-1', state: 'Queued', clientJobId });
          assert.strictEqual(sent.envelope.command, command);
          assert.deepStrictEqual(sent.envelope.job, {
            ...job,
            clientJobId,
            pages: [
              { widthDots: 3, heightDots: 5, format: 'png', blobIndex: 0 },
              { widthDots: 7, heightDots: 2, format: 'png', blobIndex: 1 },
            ],
          });
          assert.deepStrictEqual(sent.blobs, pages);
        }
      }
    },
  );
});

test('a page that is not a PNG is refused before anything is sent', async () => {
  await withService(
    () => assert.fail('nothing may be sent'),
    async (service, client) => {
      for (const pages of [[Buffer.from('GIF89a')], ['page.png'], undefined]) {
        await assert.rejects(client.print({ ...job, pages }), TypeError);
      }
    },
  );
});

test('an error answer rejects with the service code, text and request id', async () => {
  const cases = [
    { requestId: (r) => r.envelope.requestId, code: 'KSR-2001', message: '找不到指定打印机' },
    // Requests the service rejects while validating are answered with "".
    { requestId: () => '', code: 'KSR-1001', message: '请求信封无效' },
  ];
  for (const { requestId, code, message } of cases) {
    await withService(
      (request, socket) =>
        answer(socket, { protocol: 1, requestId: requestId(request), ok: false, error: { code, message } }),
      async (service, client) => {
        const rejection = await client.capabilities('nope').catch((error) => error);
        assert.ok(rejection instanceof KestruneError);
        assert.deepStrictEqual(
          { code: rejection.code, message: rejection.message, requestId: rejection.requestId },
          { code, message, requestId: service.requests[0].envelope.requestId },
        );
      },
    );
  }
});

test('a service that hangs up or answers garbage rejects with the connection error', async () => {
  const cases = [
    { name: 'hangs up unanswered', serve: (request, socket) => socket.end(), code: 'ECONNRESET' },
    {
      name: 'hangs up mid-answer',
      serve: (request, socket) => socket.end(Buffer.from([50, 0, 0, 0, 0x7b])),
      code: 'ECONNRESET',
    },
    { name: 'JSON over 1 MiB', serve: (request, socket) => socket.write(Buffer.from([1, 0, 16, 0])), code: 'EPROTO' },
    {
      name: 'not JSON',
      serve: (request, socket) => socket.write(Buffer.from([1, 0, 0, 0, 0x7b, 0, 0, 0, 0])),
      code: 'EPROTO',
    },
  ];
  for (const { name, serve, code } of cases) {
    await withService(serve, async (service, client) => {
      await assert.rejects(client.hello(), { code }, name);
    });
  }
});

test('a service that is not running rejects at once with ENOENT', async () => {
  const client = new KestruneClient({ pipePath: '/tmp/kestrune-node-test-no-such.sock', timeoutMs: 60000 });
  const started = Date.now();
  await assert.rejects(client.hello(), { code: 'ENOENT' });
  assert.ok(Date.now() - started < 5000);
});

// Connections as the system makes them while another program holds the
// pipe: failing with `codes` in turn, then connecting; or never connecting,
// as libuv does while it waits inside WaitNamedPipe.
function busyPipe(codes, { hang = false } = {}) {
  let attempt = 0;
  const connect = (path) => {
    const code = codes[attempt++];
    if (code === undefined && !hang) return net.connect(path);
    const socket = new net.Socket();
    if (code !== undefined) setImmediate(() => socket.destroy(Object.assign(new Error(code), { code })));
    return socket;
  };
  return { connect, attempts: () => attempt };
}

test('a busy pipe is waited for and retried, within timeoutMs', async () => {
  const cases = [
    { name: 'busy twice', codes: ['EBUSY', 'EBUSY'], ok: true },
    { name: 'WaitNamedPipe timed out', codes: ['ETIMEDOUT'], ok: true },
    { name: 'busy until the time is up', codes: Array(1000).fill('EBUSY'), ok: false },
    { name: 'connecting until the time is up', codes: [], hang: true, ok: false },
    { name: 'another error', codes: ['EACCES'], ok: false, code: 'EACCES', attempts: 1 },
  ];
  await withService(
    (request, socket) => okAnswer(socket, request, { protocol: 1 }),
    async (service) => {
      for (const { name, codes, hang, ok, code = 'EBUSY', attempts } of cases) {
        const pipe = busyPipe(codes, { hang });
        const timeoutMs = 400;
        const client = new KestruneClient({ pipePath: service.pipePath, timeoutMs, createConnection: pipe.connect });
        const started = Date.now();
        if (ok) {
          assert.deepStrictEqual(await client.hello(), { protocol: 1 }, name);
          assert.strictEqual(pipe.attempts(), codes.length + 1, name);
        } else {
          await assert.rejects(client.hello(), { code }, name);
          const took = Date.now() - started;
          if (attempts) assert.strictEqual(pipe.attempts(), attempts, name);
          else assert.ok(took >= timeoutMs - 5 && took < timeoutMs + 1000, `${name}: ${took} ms`);
        }
      }
    },
  );
});
