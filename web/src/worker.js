// The program runner of the page (runner.js): runs an image on the simulator
// in slices of steps, posting the output of each, until the program ends,
// the step limit is reached or the page says stop.
import createVylModule from 'vylweb-module';

import { Vyl } from './compiler.js';

const sliceMs = 10;
const vylReady = Vyl.load(createVylModule, { locateFile: (path) => new URL(path, self.location.href).href });
let current = null;

// Yields to the worker's event loop, without the clamping of setTimeout.
const channel = new MessageChannel();
const pending = [];
channel.port1.onmessage = () => pending.shift()();
const yieldToMessages = () =>
  new Promise((resolve) => {
    pending.push(resolve);
    channel.port2.postMessage(0);
  });

self.onmessage = ({ data }) => {
  if (data.type === 'stop') {
    if (current && current.id === data.id) current.stopped = true;
  } else if (data.type === 'run') {
    runJob(data);
  }
};

async function runJob({ id, ftx, input, stepLimit, skip }) {
  let vyl;
  try {
    vyl = await vylReady;
  } catch (e) {
    self.postMessage({ type: 'end', id, status: 'error', message: `the simulator could not be loaded: ${e}`, reason: String(e), steps: null, address: null, procedure: null });
    return;
  }
  const job = { id, stopped: false };
  current = job;
  const run = vyl.startRun(ftx, input, stepLimit);
  try {
    // The steps the page ran already: their output is on the page.
    if (skip > 0) run.slice(skip);
    let steps = 100_000;
    for (;;) {
      if (job.stopped || current !== job) {
        const state = run.slice(0);
        if (current === job) self.postMessage({ ...state, type: 'end', id, status: 'stopped', message: 'stopped' });
        return;
      }
      const started = performance.now();
      const state = run.slice(steps);
      const elapsed = performance.now() - started;
      steps = Math.min(5_000_000, Math.max(10_000, Math.round((steps * sliceMs) / Math.max(elapsed, 0.5))));
      self.postMessage({ ...state, type: state.status === 'running' ? 'output' : 'end', id });
      if (state.status !== 'running') return;
      await yieldToMessages();
    }
  } finally {
    run.dispose();
  }
}
