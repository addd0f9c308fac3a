// Runs a compiled program: its first steps on the page (a short program
// finishes there at once), the rest in a Web Worker (worker.js), in slices,
// so that a long or endless program never holds up the page and Stop works.
// The worker replays the steps the page ran, with their output discarded:
// the machine is deterministic, so it continues exactly where the page left.

// About a millisecond of work on the page.
export const firstSlice = 50_000;
// A worker that does not answer Stop within this time is ended.
const stopGraceMs = 1000;

export class Runner {
  // onOutput(text) for each piece of output, onEnd(result) once per run with
  // {status, message, reason, steps, address, procedure}; status is a machine status or
  // 'stopped'.
  constructor({ vyl, workerUrl, onOutput, onEnd }) {
    this.vyl = vyl;
    this.workerUrl = workerUrl;
    this.onOutput = onOutput;
    this.onEnd = onEnd;
    this.worker = null;
    this.runId = 0;
    this.running = false;
    this.stopTimer = null;
  }

  start(ftx, input, stepLimit) {
    this.cancel();
    const id = ++this.runId;
    const run = this.vyl.startRun(ftx, input, stepLimit);
    let first;
    try {
      first = run.slice(firstSlice);
    } finally {
      run.dispose();
    }
    if (first.output) this.onOutput(first.output);
    if (first.status !== 'running') {
      this.onEnd(first);
      return;
    }
    this.running = true;
    const worker = this.ensureWorker();
    worker.postMessage({ type: 'run', id, ftx, input, stepLimit, skip: first.steps });
  }

  stop() {
    if (!this.running) return;
    const id = this.runId;
    this.worker.postMessage({ type: 'stop', id });
    clearTimeout(this.stopTimer);
    this.stopTimer = setTimeout(() => {
      if (!this.running || this.runId !== id) return;
      this.worker.terminate();
      this.worker = null;
      this.finish({ status: 'stopped', message: 'stopped', reason: '', steps: null, address: null, procedure: null });
    }, stopGraceMs);
  }

  // Forgets the current run without reporting its end.
  cancel() {
    if (this.running) this.worker.postMessage({ type: 'stop', id: this.runId });
    this.running = false;
    clearTimeout(this.stopTimer);
  }

  ensureWorker() {
    if (this.worker) return this.worker;
    this.worker = new Worker(this.workerUrl);
    this.worker.onmessage = ({ data }) => {
      if (!this.running || data.id !== this.runId) return;
      if (data.output) this.onOutput(data.output);
      if (data.type === 'end') this.finish(data);
    };
    this.worker.onerror = (event) => {
      if (!this.running) return;
      this.worker.terminate();
      this.worker = null;
      this.finish({ status: 'error', message: `the worker failed: ${event.message}`, reason: event.message, steps: null, address: null, procedure: null });
    };
    return this.worker;
  }

  finish(result) {
    this.running = false;
    clearTimeout(this.stopTimer);
    this.onEnd(result);
  }
}
