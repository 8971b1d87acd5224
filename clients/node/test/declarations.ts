// Compiled with tsc --noEmit against index.d.ts (scripts/test): a client's
// use of the whole surface must type-check, and each misuse below must be
// refused (the directive above it fails the check when it is not).
import { KestruneClient, KestruneError, encodePng, pngSize, limits, type Job, type JobState } from '..';

async function printOneLabel(client: KestruneClient, printerId: string): Promise<JobState> {
  const hello = await client.hello();
  const version: string = hello.serverVersion;
  const health = await client.health();
  const busy: boolean = health.activePreview;
  const { printers } = await client.listPrinters();
  const fallback = printers.find((printer) => printer.isDefault)?.printerId ?? printerId;
  const caps = await client.capabilities(fallback);
  const a4 = caps.papers.find((paper) => paper.id === '9');
  const widthMm = (a4?.widthMicrometers ?? 210000) / 1000;
  const heightMm = (a4?.heightMicrometers ?? 297000) / 1000;
  const width = Math.round((widthMm * caps.dpiX) / 25.4);
  const height = Math.round((heightMm * caps.dpiY) / 25.4);
  const png = encodePng(width, height, new Uint8Array(width * height * 4));
  const size: number = pngSize(png).width + limits.maxBlobLength;
  const job: Job = {
    name: `${version} ${busy} ${size}`,
    printerId: caps.printerId,
    copies: 1,
    paper: { widthMm, heightMm },
    device: { dpiX: caps.dpiX, dpiY: caps.dpiY, capabilityHash: caps.capabilityHash },
    pages: [png, { png }],
  };
  try {
    const printed = await client.print(job);
    const again = await client.print({ ...job, clientJobId: printed.clientJobId });
    const status = await client.status(again.clientJobId);
    if (status.error) return (await client.cancel(printed.clientJobId)).state;
    const shown = await client.preview({ ...job, allowPrinterReselect: true });
    const accepted: boolean | undefined = shown.accepted;
    await client.previewPrepare(shown.clientJobId);
    await client.previewComplete({ ...job, clientJobId: shown.clientJobId });
    const dismissed: true = (await client.previewDismiss(shown.clientJobId)).accepted;
    const raw = await client.request<{ jobId: string }>('jobs.status', { jobReference: { clientJobId: 'x' } });
    return accepted && dismissed && raw.jobId ? 'Previewing' : status.state;
  } catch (error) {
    if (error instanceof KestruneError && error.code === 'KSR-2007') return 'Failed';
    throw error;
  }
}

function misuses(client: KestruneClient, job: Job): void {
  // @ts-expect-error pages are PNG bytes, not file names
  client.print({ ...job, pages: ['label.png'] });
  // @ts-expect-error a job names its printer
  client.print({ ...job, printerId: undefined });
  // @ts-expect-error timeoutMs is a number of milliseconds
  new KestruneClient({ timeoutMs: '30s' });
  // @ts-expect-error the state is one of the service's names
  const state: JobState = 'Done';
  void state;
}

export { printOneLabel, misuses };
