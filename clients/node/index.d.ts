// Types of the Kestrune client. The objects are the service's own answers,
// members as the service writes them. Byte data is typed as Uint8Array, which
// Node's Buffer extends, so these types need no Node typings of their own.

/** What the client uses of a connection; a net.Socket is one. */
export interface PipeConnection {
  write(data: Uint8Array): boolean;
  destroy(error?: Error): unknown;
  on(event: string, listener: (...args: any[]) => void): unknown;
  once(event: string, listener: (...args: any[]) => void): unknown;
  off(event: string, listener: (...args: any[]) => void): unknown;
}

export interface ClientOptions {
  /** Names this program to the service (non-empty). Default "kestrune-node". */
  callerId?: string;
  /** How long to wait for a pipe another program holds, in ms. Default 30000. */
  timeoutMs?: number;
  /** The service's pipe, `\\.\pipe\LOCAL\Kestrune.v1` by default. */
  pipePath?: string;
  /** Opens a connection to `path`; `net.connect` by default. */
  createConnection?: (path: string) => PipeConnection;
}

export interface Hello {
  protocol: 1;
  serverVersion: string;
}

export interface Health {
  status: 'Running';
  activePreview: boolean;
}

export type PrinterStatus = 'Ready' | 'Offline' | 'Paused' | 'PaperOut' | 'Error' | 'Unknown';

export interface PrinterListEntry {
  printerId: string;
  displayName: string;
  isDefault: boolean;
  status: PrinterStatus;
}

export interface PrinterList {
  printers: PrinterListEntry[];
}

export interface Paper {
  /** The paper's number in decimal, for example "9" for A4. */
  id: string;
  widthMicrometers: number;
  heightMicrometers: number;
  orientation: 'Portrait' | 'Landscape';
}

export interface Capabilities {
  printerId: string;
  displayName: string;
  driverName: string;
  portName: string;
  dpiX: number;
  dpiY: number;
  papers: Paper[];
  physicalWidthDots: number;
  physicalHeightDots: number;
  printableArea: { leftDots: number; topDots: number; widthDots: number; heightDots: number };
  status: PrinterStatus;
  capabilityHash: string;
}

/** A PNG file's bytes (a Buffer is one). */
export type PngBytes = Uint8Array;

export interface Job {
  /** A UUID; the client fills in a fresh one when absent. */
  clientJobId?: string;
  name: string;
  printerId: string;
  /** 1 to 999. */
  copies: number;
  paper: { widthMm: number; heightMm: number };
  device: { dpiX: number; dpiY: number; capabilityHash: string };
  /** 1 to 200 pages, each a PNG rendered at the device's resolution for the paper. */
  pages: Array<PngBytes | { png: PngBytes }>;
  /** Only for preview and previewComplete. */
  allowPrinterReselect?: boolean;
}

export type JobState =
  | 'Created'
  | 'Previewing'
  | 'Validating'
  | 'Spooling'
  | 'Queued'
  | 'Printing'
  | 'Completed'
  | 'Failed'
  | 'Cancelled'
  | 'Unknown';

export interface JobStatus {
  /** Only in the answers to preview and previewComplete. */
  accepted?: boolean;
  jobId: string;
  state: JobState;
  windowsJobId?: number;
  error?: { code: string; message: string };
  warning?: string;
}

/** A job's status together with the clientJobId it was sent with. */
export interface SubmittedJob extends JobStatus {
  clientJobId: string;
}

export interface Accepted {
  accepted: true;
}

export declare class KestruneClient {
  constructor(options?: ClientOptions);
  readonly callerId: string;
  readonly timeoutMs: number;
  readonly pipePath: string;
  hello(): Promise<Hello>;
  health(): Promise<Health>;
  listPrinters(): Promise<PrinterList>;
  capabilities(printerId: string): Promise<Capabilities>;
  print(job: Job): Promise<SubmittedJob>;
  status(clientJobId: string): Promise<JobStatus>;
  cancel(clientJobId: string): Promise<JobStatus>;
  preview(job: Job): Promise<SubmittedJob>;
  previewPrepare(clientJobId: string): Promise<Accepted>;
  previewComplete(job: Job): Promise<SubmittedJob>;
  previewDismiss(clientJobId: string): Promise<Accepted>;
  /** Any command: `payload`'s members go beside the envelope's. */
  request<Result = unknown>(command: string, payload?: object, blobs?: PngBytes[]): Promise<Result>;
}

/** The service answered with an error. */
export declare class KestruneError extends Error {
  constructor(code: string, message: string, requestId: string);
  /** "KSR-" and four digits. */
  code: string;
  requestId: string;
}

/** Writes width × height RGBA pixels (4 bytes each, rows from the top) as a PNG; returns a Buffer. */
export declare function encodePng(width: number, height: number, rgba: Uint8Array): Uint8Array;

/** A PNG's size in pixels, from its header. */
export declare function pngSize(png: PngBytes): { width: number; height: number };

export declare const limits: {
  readonly maxJsonLength: number;
  readonly maxBlobCount: number;
  readonly maxBlobLength: number;
  readonly maxTotalBlobLength: number;
};

export declare const defaultPipePath: string;
