'use strict';
// Draws a 4 × 6 in shipping label at the printer's resolution and prints it.
//   node examples/print-label.js [printerId]      (the default printer without one)
// Outside this folder, require('kestrune') instead of require('..').

const { KestruneClient, KestruneError, encodePng } = require('..');

const label = { widthMm: 101.6, heightMm: 152.4 };
const dots = (mm, dpi) => Math.round((mm * dpi) / 25.4);

// Black on white: a frame, a bar pattern standing in for a barcode, and a
// solid block for the sort code. RGBA, 4 bytes a dot.
function drawLabel(width, height, dpi) {
  const rgba = Buffer.alloc(width * height * 4, 255);
  const fill = (left, top, w, h) => {
    for (let y = Math.max(0, top); y < Math.min(height, top + h); y++) {
      rgba.fill(0, 4 * (y * width + Math.max(0, left)), 4 * (y * width + Math.min(width, left + w)));
      for (let x = Math.max(0, left); x < Math.min(width, left + w); x++) rgba[4 * (y * width + x) + 3] = 255;
    }
  };
  const line = Math.max(1, Math.round(dpi / 100));
  const margin = Math.round(dpi / 8);
  fill(margin, margin, width - 2 * margin, line * 3);
  fill(margin, height - margin - line * 3, width - 2 * margin, line * 3);
  fill(margin, margin, line * 3, height - 2 * margin);
  fill(width - margin - line * 3, margin, line * 3, height - 2 * margin);
  let x = margin * 2;
  for (let i = 0; x < width - margin * 2; i++) {
    const bar = line * (1 + ((i * 7) % 4));
    fill(x, Math.round(height * 0.6), bar, Math.round(dpi * 1.2));
    x += bar + line * (1 + ((i * 3) % 3));
  }
  fill(margin * 2, margin * 2, Math.round(width / 3), Math.round(dpi * 0.8));
  return encodePng(width, height, rgba);
}

async function main() {
  const client = new KestruneClient({ callerId: 'print-label-example', timeoutMs: 30000 });
  const printerId =
    process.argv[2] || (await client.listPrinters()).printers.find((printer) => printer.isDefault)?.printerId;
  if (!printerId) throw new Error('no default printer: name one');
  // The capabilities can change (another job's paper, the driver's
  // settings); KSR-2007 then asks for pages drawn for the new ones.
  for (let attempt = 1; ; attempt++) {
    const caps = await client.capabilities(printerId);
    const width = dots(label.widthMm, caps.dpiX);
    const height = dots(label.heightMm, caps.dpiY);
    try {
      const job = await client.print({
        name: 'label',
        printerId,
        copies: 1,
        paper: label,
        device: { dpiX: caps.dpiX, dpiY: caps.dpiY, capabilityHash: caps.capabilityHash },
        pages: [drawLabel(width, height, caps.dpiX)],
      });
      console.log(`${job.jobId}: ${job.state} (clientJobId ${job.clientJobId})${job.warning ? ` ${job.warning}` : ''}`);
      return;
    } catch (error) {
      if (!(error instanceof KestruneError && error.code === 'KSR-2007' && attempt < 2)) throw error;
    }
  }
}

main().catch((error) => {
  console.error(error instanceof KestruneError ? `${error.code}：${error.message}` : error);
  process.exitCode = 1;
});
